"""A private Wine prefix with one wineserver kept running for speed, for the Wine tests and the
benchmark."""
import os
import shutil
import subprocess
import tempfile

# About one Wine process start in a thousand fails in Wine itself, before any program code runs.
WINE_START_FAILURE = b"failed to map the shared user data"


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


class Wine:
    def __init__(self):
        self.root = tempfile.mkdtemp(prefix="launcher-wine-")
        self.env = dict(os.environ, WINEPREFIX=os.path.join(self.root, "prefix"), WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml=")
        # Without Wine's null graphics driver a headless prefix reports no console window for anyone. The
        # driver is chosen when the prefix's desktop starts, so set it, then restart the prefix's server.
        created = self.run(["reg", "add", "HKCU\\Software\\Wine\\Drivers", "/v", "Graphics", "/d", "null", "/f"],
                           timeout=300)
        if created.returncode != 0:
            raise RuntimeError("could not set up a Wine prefix: %r" % created.stderr)
        self.stop_server()
        subprocess.run(["wineserver", "-p"], env=self.env, check=True, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def run(self, args, env=None, cwd=None, timeout=120):
        run = self.run_once(args, env, cwd, timeout)
        if WINE_START_FAILURE in run.stderr:
            run = self.run_once(args, env, cwd, timeout)
        return run

    def run_once(self, args, env, cwd, timeout):
        # Output goes to files, not pipes: Wine's own background processes may hold a pipe open.
        with tempfile.TemporaryFile() as stdout, tempfile.TemporaryFile() as stderr:
            process = subprocess.run(["wine", *args], env=dict(self.env, **(env or {})), cwd=cwd,
                                     stdin=subprocess.DEVNULL, stdout=stdout, stderr=stderr, timeout=timeout)
            stdout.seek(0)
            stderr.seek(0)
            return subprocess.CompletedProcess(process.args, process.returncode, stdout.read(), stderr.read())

    def stop_server(self):
        subprocess.run(["wineserver", "-k"], env=self.env)
        subprocess.run(["wineserver", "-w"], env=self.env)

    def close(self):
        self.stop_server()
        shutil.rmtree(self.root, ignore_errors=True)

    def drive_c(self, *parts):
        return os.path.join(self.env["WINEPREFIX"], "drive_c", *parts)
