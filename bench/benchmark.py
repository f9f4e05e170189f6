"""Times the launcher's whole run (its start, the installer's start and end, its exit) with an installer
that ends at once, against a minimal C program that does the same start and wait and nothing else:
natively and, for the 64-bit Windows build, under Wine. Runs A and B alternately, each sample a batch
of sequential runs, and prints the median ratio, the peak memory of each, and the size of the 32-bit
launcher.exe."""
import os
import shutil
import statistics
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.path.join(ROOT, "build")
OUT = os.path.join(BUILD, "bench")

sys.path.insert(0, os.path.join(ROOT, "tests"))
from wine_prefix import Wine, windows_path  # noqa: E402


def compile_c(compiler, source, output, *flags):
    subprocess.run([compiler, "-O2", "-o", output, os.path.join(ROOT, "bench", source), *flags], check=True)


def run_once(command, env):
    if subprocess.run(command, env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                      stderr=subprocess.DEVNULL).returncode != 0:
        sys.exit("benchmark run failed: %s" % command)


def peak_memory(command, env):
    """The command's peak resident memory in KiB, the largest of a few runs."""
    return max(int(subprocess.run([os.path.join(OUT, "peak_memory"), *command], env=env, check=True,
                                  stdin=subprocess.DEVNULL, capture_output=True).stdout) for _ in range(5))


def compare(name, launcher, minimal, batch, samples, env):
    timings = {"launcher": [], "minimal": []}
    commands = {"launcher": launcher, "minimal": minimal}
    for command in commands.values():  # warm caches
        for _ in range(batch):
            run_once(command, env)
    for _ in range(samples):
        for which, command in commands.items():
            started = time.perf_counter()
            for _ in range(batch):
                run_once(command, env)
            timings[which].append((time.perf_counter() - started) / batch)
    peaks = {which: peak_memory(command, env) for which, command in commands.items()}
    a, b = statistics.median(timings["launcher"]), statistics.median(timings["minimal"])
    print("%s: launcher %.3f ms, minimal %.3f ms a run (median of %d batches of %d); ratio %.3f"
          % (name, a * 1e3, b * 1e3, samples, batch, a / b))
    print("%s: peak memory launcher %d KiB, minimal %d KiB; difference %d KiB"
          % (name, peaks["launcher"], peaks["minimal"], peaks["launcher"] - peaks["minimal"]))
    return a / b, peaks["launcher"] - peaks["minimal"]


def main():
    shutil.rmtree(OUT, ignore_errors=True)
    os.makedirs(os.path.join(OUT, "native-tool"))
    os.makedirs(os.path.join(OUT, "windows-tool"))
    compile_c("cc", "minimal_launcher.c", os.path.join(OUT, "minimal"))
    compile_c("cc", "peak_memory.c", os.path.join(OUT, "peak_memory"), "-static")
    compile_c("cc", "trivial_installer.c", os.path.join(OUT, "native-tool", "install.exe"))
    compile_c("x86_64-w64-mingw32-gcc", "minimal_launcher.c", os.path.join(OUT, "minimal.exe"), "-s")
    compile_c("x86_64-w64-mingw32-gcc", "trivial_installer.c", os.path.join(OUT, "windows-tool", "install.exe"), "-s")

    results = []
    tool = os.path.join(OUT, "native-tool")
    results.append(compare("native", [os.path.join(BUILD, "native", "launcher"), tool, "x"],
                           [os.path.join(OUT, "minimal"), tool, "x"], batch=100, samples=21, env=os.environ))

    wine = Wine()
    try:
        tool = windows_path(os.path.join(OUT, "windows-tool"))
        results.append(compare("wine", ["/usr/bin/wine", os.path.join(BUILD, "windows-x64", "launcher.exe"), tool, "x"],
                               ["/usr/bin/wine", os.path.join(OUT, "minimal.exe"), tool, "x"], batch=5, samples=11,
                               env=wine.env))
    finally:
        wine.close()

    size = os.path.getsize(os.path.join(BUILD, "windows-x86", "launcher.exe"))
    print("windows-x86 launcher.exe: %d bytes (%.1f KiB)" % (size, size / 1024))
    met = all(ratio <= 1.05 and memory <= 1024 for ratio, memory in results) and size <= 256 * 1024
    print("targets (ratio <= 1.05, memory <= 1 MiB above minimal, size <= 256 KiB): %s" % ("met" if met else "MISSED"))


if __name__ == "__main__":
    main()
