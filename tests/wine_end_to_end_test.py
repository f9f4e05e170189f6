"""The 64-bit Windows launcher under Wine, in a private prefix, with the fixture installer standing in for
install.exe. Raw launcher command lines go through exact_start.exe, since Wine quotes a Linux argument
vector its own way before a Windows program sees it."""
import os
import shutil
import tempfile
import time
import unittest

from fixture_record import read_record, remove_record, wait_for_record
from wine_prefix import Wine, windows_path

BUILD = os.environ["WINDOWS_BUILD"]
LAUNCHER = os.path.join(BUILD, "launcher.exe")
FIXTURE = os.path.join(BUILD, "tests", "fixture_installer.exe")
EXACT_START = os.path.join(BUILD, "tests", "exact_start.exe")

wine = None


def setUpModule():
    global wine
    wine = Wine()


def tearDownModule():
    wine.close()


class WineLauncherRun(unittest.TestCase):
    def setUp(self):
        self.work = tempfile.mkdtemp(dir=wine.root)
        self.addCleanup(shutil.rmtree, self.work, True)
        self.tool = os.path.join(self.work, "tool")
        os.mkdir(self.tool)
        shutil.copy(FIXTURE, os.path.join(self.tool, "install.exe"))
        self.launcher = os.path.join(self.work, "launcher.exe")
        shutil.copy(LAUNCHER, self.launcher)
        self.record_path = os.path.join(self.work, "record")
        self.env = {"FIXTURE_RECORD": windows_path(self.record_path), "FIXTURE_PROBE": "probe value"}

    def exact_start(self, command_line, *options, env=None):
        """Starts command_line (bytes) exactly, from the work folder; returns the helper's report:
        self, pid and exit."""
        line_file = os.path.join(self.work, "command-line")
        with open(line_file, "wb") as line:
            line.write(command_line)
        run = wine.run([EXACT_START, windows_path(line_file), *options], env=dict(self.env, **(env or {})),
                       cwd=self.work)
        report = dict(line.split(" ", 1) for line in run.stdout.decode().splitlines())
        self.assertEqual((sorted(report), run.stderr), (["exit", "pid", "self"], b""), run)
        return report

    def record(self):
        return read_record(self.record_path)

    def installer_line(self):
        return self.record()["command-line"]


class Splitting(WineLauncherRun):
    def test_launcher_splits_its_own_command_line_by_the_classic_rules(self):
        launcher, tool = windows_path(self.launcher).encode(), windows_path(self.tool).encode()
        cases = [
            (b"<L> <T> D:\\Pkg\\", b"<T>\\install.exe D:\\Pkg\\vornbd.inf *DEDUVER"),
            (b'"<L>" <T> D:\\Pkg\\', b"<T>\\install.exe D:\\Pkg\\vornbd.inf *DEDUVER"),
            (b'"<L>"<T> D:\\Pkg\\', b"<T>\\install.exe D:\\Pkg\\vornbd.inf *DEDUVER"),
            (b'<L> "<T>" "D:\\My Pkg\\\\"', b"<T>\\install.exe D:\\My Pkg\\vornbd.inf *DEDUVER"),
            (b'<L> <T> D:\\a\\\\\\"b', b'<T>\\install.exe D:\\a\\"bvornbd.inf *DEDUVER'),
            (b'<L> <T> "a""b c"', b'<T>\\install.exe a"bvornbd.inf *DEDUVER'),
            (b'<L> <T> a"b c"d', b"<T>\\install.exe ab cdvornbd.inf *DEDUVER"),
            (b"<L>\t<T>\t\t*.inf\\ third fourth", b"<T>\\install.exe *.inf\\vornbd.inf *DEDUVER"),
            (b'<L> <T> "" third', b"<T>\\install.exe vornbd.inf *DEDUVER"),
            (b"<L> <T> \xe9t\xe9\\", b"<T>\\install.exe \xe9t\xe9\\vornbd.inf *DEDUVER"),
        ]
        for line, expected in cases:
            with self.subTest(line=line):
                remove_record(self.record_path)
                raw = line.replace(b"<L>", launcher).replace(b"<T>", tool)
                self.assertEqual(self.exact_start(raw)["exit"], "0")
                self.assertEqual(self.installer_line(), expected.replace(b"<T>", tool))

    def test_a_trail_byte_is_never_read_as_syntax_in_a_double_byte_code_page(self):
        # 0x95 0x5C is one Shift-JIS character whose second byte looks like a backslash.
        tool = windows_path(self.tool).encode()
        line = windows_path(self.launcher).encode() + b" " + tool + b' a\x95\\"b c"'
        for locale, prefix in [("ja_JP.UTF-8", b"a\x95\\b c"), ("C", b'a\x95"b')]:
            with self.subTest(locale=locale):
                self.exact_start(line, env={"LC_ALL": locale})
                self.assertEqual(self.installer_line(), tool + b"\\install.exe " + prefix + b"vornbd.inf *DEDUVER")

    def test_documented_example_and_absent_arguments(self):
        drv_tool = wine.drive_c("Drv", "Tool")
        os.makedirs(drv_tool, exist_ok=True)
        shutil.copy(FIXTURE, os.path.join(drv_tool, "install.exe"))
        self.exact_start(windows_path(self.launcher).encode() + b" C:\\Drv\\Tool D:\\Pkg\\")
        line = self.installer_line()
        self.assertEqual(line, b"C:\\Drv\\Tool\\install.exe D:\\Pkg\\vornbd.inf *DEDUVER")
        self.assertEqual(len(line), 50)

        # With no arguments the tool is named at the root of the current drive: make one whose root
        # holds it.
        drive = os.path.join(wine.env["WINEPREFIX"], "dosdevices", "q:")
        os.symlink(self.tool, drive)
        self.addCleanup(os.remove, drive)
        self.exact_start(windows_path(self.launcher).encode(), "directory=" + b"Q:\\".hex())
        line = self.installer_line()
        self.assertEqual(line, b"\\install.exe vornbd.inf *DEDUVER")
        self.assertEqual(len(line), 32)


class ProcessStart(WineLauncherRun):
    def test_installer_gets_no_console_window_no_shared_console_and_no_handles(self):
        directory = "directory=" + windows_path(self.work).encode().hex()
        launched = self.exact_start(windows_path(self.launcher).encode() + b" " + windows_path(self.tool).encode(),
                                    "own-console", "inherit-handle", directory)
        record = self.record()
        self.assertEqual(record["console-window"], b"no")
        self.assertNotIn(launched["pid"].encode(), record["console-processes"].split())
        self.assertEqual(record["inherited-handle"], b"no")
        self.assertEqual(record["environment"], b"FIXTURE_PROBE=probe value")
        self.assertEqual(record["directory"], windows_path(self.work).encode())

    def test_probes_can_see_what_the_launcher_withholds(self):
        direct = os.path.join(self.tool, "install.exe")
        self.exact_start(windows_path(direct).encode(), "new-console")
        self.assertEqual(self.record()["console-window"], b"yes")
        helper = self.exact_start(windows_path(direct).encode(), "own-console", "inherit-handle")
        record = self.record()
        self.assertIn(helper["self"].encode(), record["console-processes"].split())
        self.assertEqual(record["inherited-handle"], b"yes")

    def test_start_parameters_reach_the_platform_as_intended(self):
        run = wine.run([LAUNCHER, windows_path(self.tool)], env=dict(self.env, WINEDEBUG="+relay"))
        calls = [line for line in run.stderr.decode(errors="replace").splitlines()
                 if "Call KERNEL32.CreateProcessA(" in line or "Call KERNEL32.WaitForSingleObject(" in line]
        self.assertEqual(len(calls), 2, calls)
        start, wait = calls
        self.assertEqual(start.split(":")[0], wait.split(":")[0], "both calls on the launcher's thread")
        fields = start.split("(", 1)[1].rsplit(")", 1)[0]
        line = "%s\\\\install.exe vornbd.inf *DEDUVER" % windows_path(self.tool).replace("\\", "\\\\")
        self.assertIn(' "%s",' % line, fields)
        application, rest = fields.split(",", 1)
        parameters = rest.split('",', 1)[1].split(",")
        self.assertEqual(int(application, 16), 0, "no application name")
        process_security, thread_security, inherit, flags, environment, directory = parameters[:6]
        self.assertEqual([int(value, 16) for value in (process_security, thread_security, inherit)], [0, 0, 0])
        self.assertEqual(int(flags, 16) & 0xFFFFFFFF, 0x08000000)
        self.assertEqual([int(environment, 16), int(directory, 16)], [0, 0])
        self.assertRegex(wait, r"WaitForSingleObject\([0-9a-f]+,ffffffff\)")


class Ending(WineLauncherRun):
    def run_launcher(self, *args, env=None):
        started = time.monotonic()
        run = wine.run([LAUNCHER, *args], env=dict(self.env, **(env or {})))
        return run, time.monotonic() - started

    def test_launcher_waits_for_the_installer_and_ignores_its_exit_code(self):
        run, elapsed = self.run_launcher(windows_path(self.tool), env={"FIXTURE_SLEEP_MS": "2000",
                                                                       "FIXTURE_EXIT_CODE": "7"})
        self.assertEqual((run.returncode, run.stdout, run.stderr), (0, b"", b""))
        self.assertGreaterEqual(elapsed, 2.0)
        self.assertEqual(self.record()["finished"], b"yes")

    def test_missing_installer_is_silent_and_not_waited_for(self):
        run, elapsed = self.run_launcher(windows_path(os.path.join(self.work, "nowhere")), "D:\\")
        self.assertEqual((run.returncode, run.stdout, run.stderr), (0, b"", b""))
        self.assertLess(elapsed, 10)
        self.assertFalse(os.path.exists(self.record_path))



class LimitsAndFaults(WineLauncherRun):
    def test_a_line_longer_than_the_platform_takes_is_not_started(self):
        tool = windows_path(self.tool).encode()
        # The launcher is named relative to the work folder, so that its own line stays within the limit
        # while the line it composes goes past it.
        for composed_length, started in [(32700, True), (32780, False)]:
            with self.subTest(composed_length=composed_length):
                remove_record(self.record_path)
                prefix = b"p" * (composed_length - len(tool) - 32)
                began = time.monotonic()
                self.assertEqual(self.exact_start(b"launcher.exe " + tool + b" " + prefix)["exit"], "0")
                self.assertLess(time.monotonic() - began, 30)
                self.assertEqual(os.path.exists(self.record_path), started)
                if started:
                    self.assertEqual(len(self.installer_line()), composed_length)

    def test_a_folder_with_blanks_lets_the_platform_try_its_first_part_as_a_program(self):
        spaced = os.path.join(self.work, "a b")
        os.mkdir(spaced)
        shutil.copy(FIXTURE, os.path.join(spaced, "install.exe"))
        line = windows_path(self.launcher).encode() + b' "' + windows_path(spaced).encode() + b'"'
        self.exact_start(line)
        self.assertEqual(self.record()["module"], windows_path(os.path.join(spaced, "install.exe")).encode())

        # A file named like the first blank-delimited part is started instead, and gets the line as composed.
        # (Some Wine versions quote the program part they found; Windows and the Wine tested here do not.)
        shutil.copy(FIXTURE, os.path.join(self.work, "a.exe"))
        self.exact_start(line)
        record = self.record()
        self.assertEqual(record["module"], windows_path(os.path.join(self.work, "a.exe")).encode())
        self.assertEqual(record["command-line"], windows_path(spaced).encode() + b"\\install.exe vornbd.inf *DEDUVER")

    def test_installer_runs_on_when_the_launcher_is_terminated(self):
        launcher_line = windows_path(self.launcher).encode() + b" " + windows_path(self.tool).encode()
        report = self.exact_start(launcher_line, "terminate-after=1500", env={"FIXTURE_SLEEP_MS": "4000"})
        self.assertEqual(report["exit"], "1")
        self.assertNotIn("finished", self.record())
        self.assertIsNotNone(wait_for_record(self.record_path, "finished"), "the installer did not finish")

    def test_launcher_waits_for_the_installer_only_not_for_what_it_starts(self):
        began = time.monotonic()
        run = wine.run([LAUNCHER, windows_path(self.tool)], env=dict(self.env, FIXTURE_SPAWN_SLEEP_MS="4000"))
        self.assertEqual(run.returncode, 0)
        self.assertLess(time.monotonic() - began, 4)
        self.assertEqual(self.record()["finished"], b"yes")
        spawned = self.record_path + ".spawned"
        self.assertNotIn("finished", wait_for_record(spawned, "environment"))
        self.assertIsNotNone(wait_for_record(spawned, "finished"), "the further process did not finish")


if __name__ == "__main__":
    unittest.main()
