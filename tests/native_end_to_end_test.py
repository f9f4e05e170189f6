"""The native launcher, run for real with the fixture installer standing in for install.exe."""
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

from fixture_record import arguments, read_record, remove_record, wait_for_record

LAUNCHER = os.environ["LAUNCHER"]
FIXTURE = os.environ["FIXTURE_INSTALLER"]
OUT_OF_MEMORY_MESSAGE = b"\r\nabnormal program termination\r\n"


class LauncherRun(unittest.TestCase):
    def setUp(self):
        self.work = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, self.work)
        self.folder = os.path.join(self.work, "tool")
        os.mkdir(self.folder)
        shutil.copy(FIXTURE, os.path.join(self.folder, "install.exe"))
        self.record_path = os.path.join(self.work, "record")
        self.env = dict(os.environ, FIXTURE_RECORD=self.record_path, FIXTURE_PROBE="probe value")

    def launch(self, *args, **kwargs):
        kwargs.setdefault("env", self.env)
        kwargs.setdefault("cwd", self.work)
        return subprocess.run([LAUNCHER, *args], capture_output=True, timeout=30, **kwargs)

    def record(self):
        return read_record(self.record_path)

    def assert_silent_success(self, run):
        self.assertEqual((run.returncode, run.stdout, run.stderr), (0, b"", b""))

    def wait_for_record(self, key):
        self.assertIsNotNone(wait_for_record(self.record_path, key), "the installer never recorded " + key)


class ArgumentsAndStart(LauncherRun):
    def test_installer_receives_the_composed_line_split_as_a_windows_runtime_would(self):
        folder = self.folder
        cases = [
            ("D:\\Pkg\\", [folder + "\\install.exe", b"D:\\Pkg\\vornbd.inf", b"*DEDUVER"]),
            ("", [folder + "\\install.exe", b"vornbd.inf", b"*DEDUVER"]),
            ("D:\\My Pkg\\", [folder + "\\install.exe", b"D:\\My", b"Pkg\\vornbd.inf", b"*DEDUVER"]),
            ('"D:\\a b\\"', [folder + "\\install.exe", b'D:\\a b"vornbd.inf *DEDUVER']),
            ("\xe9t\u00e9\\", [folder + "\\install.exe", "\xe9t\u00e9\\vornbd.inf".encode(), b"*DEDUVER"]),
        ]
        # A file the asterisk would match if anything expanded it.
        open(os.path.join(self.work, "XDEDUVER"), "w").close()
        for prefix, expected in cases:
            with self.subTest(prefix=prefix):
                self.assert_silent_success(self.launch(folder, prefix, "ignored third argument"))
                expected = [part.encode() if isinstance(part, str) else part for part in expected]
                self.assertEqual(arguments(self.record()), expected)

    def test_installer_inherits_environment_and_directory_and_nothing_else(self):
        holder = open(os.path.join(self.work, "held"), "w")
        self.addCleanup(holder.close)
        os.set_inheritable(holder.fileno(), True)
        run = self.launch(self.folder, "", pass_fds=(holder.fileno(),))
        self.assert_silent_success(run)
        record = self.record()
        self.assertEqual(record["environment"], b"FIXTURE_PROBE=probe value")
        self.assertEqual(record["directory"], self.work.encode())
        self.assertEqual(record["descriptors"], b"0 1 2")
        self.assertEqual(record["own-session"], b"yes")

    def test_failed_start_is_silent_and_does_not_wait(self):
        cases = [
            ("missing installer", [os.path.join(self.work, "nowhere"), "D:\\"]),
            ("no arguments", []),
            ("folder with a blank", [os.path.join(self.work, "to ol"), ""]),
        ]
        for name, args in cases:
            with self.subTest(name):
                started = time.monotonic()
                self.assert_silent_success(self.launch(*args))
                self.assertLess(time.monotonic() - started, 5)
        self.assertFalse(os.path.exists(self.record_path))


class Waiting(LauncherRun):
    def test_launcher_ends_after_the_installer_and_ignores_its_exit_code(self):
        env = dict(self.env, FIXTURE_SLEEP_MS="1500", FIXTURE_EXIT_CODE="7")
        started = time.monotonic()
        self.assert_silent_success(self.launch(self.folder, "", env=env))
        self.assertGreaterEqual(time.monotonic() - started, 1.5)
        self.assertEqual(self.record()["finished"], b"yes")

    def test_installer_runs_on_when_the_launcher_is_ended(self):
        env = dict(self.env, FIXTURE_SLEEP_MS="1500")
        for name, end in [("killed", lambda p: p.kill()),
                          ("interrupted from its terminal", lambda p: os.killpg(p.pid, signal.SIGINT))]:
            with self.subTest(name):
                remove_record(self.record_path)
                launcher = subprocess.Popen([LAUNCHER, self.folder, ""], env=env, cwd=self.work,
                                            start_new_session=True)
                self.wait_for_record("environment")
                end(launcher)
                launcher.wait(timeout=5)
                self.assertNotIn("finished", self.record())
                self.wait_for_record("finished")


@unittest.skipIf(os.environ.get("LAUNCHER_SANITIZED") == "ON", "the sanitizer owns the allocator")
class OutOfMemory(LauncherRun):
    def test_reports_and_ends_with_status_3_before_any_start(self):
        large_prefix = "p" * 100000
        control = self.launch(self.folder, large_prefix)
        self.assertEqual(control.returncode, 0)
        self.assertTrue(os.path.exists(self.record_path), "the control run should start the installer")
        os.remove(self.record_path)

        env = dict(self.env, LD_PRELOAD=os.environ["FAILING_ALLOCATOR"])
        run = self.launch(self.folder, large_prefix, env=env)
        self.assertEqual((run.returncode, run.stdout, run.stderr), (3, b"", OUT_OF_MEMORY_MESSAGE))
        self.assertEqual(len(run.stderr), 32)
        self.assertFalse(os.path.exists(self.record_path))


if __name__ == "__main__":
    unittest.main()
