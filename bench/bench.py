#!/usr/bin/env python3
"""Footprint and start-up cost of Setup.exe, measured under Wine.

    bench/bench.py [--rounds N] [--runs N]     (after scripts/build.sh; bench/run.sh does both)

Prints the size of build/win32/Setup.exe section by section, its imports, and three timing ratios taken with hyperfine, each against
Minimal.exe (built the same way, importing the same DLLs, only returning):

- own overhead: Setup.exe's whole run with msi.dll unavailable, so it does
  everything but the installation and ends silently;
- large folder: the same run in a folder that also holds 10,000 other files,
  against the run in a folder with only the packages; with Setup.exe beside
  the files (where Wine's loader pays for the folder, as Minimal.exe shows)
  and with Setup.exe started from a folder of its own;
- hand-off: the run up to a failed installation (a package that is no
  database), for information.

The two sides of a ratio are timed alternately, round after round, and the
median of the per-round ratios is reported with a confidence interval of at
least 90% for it. A target is met, or missed, only when the whole interval
says so: a few noisy rounds decide nothing, and more rounds narrow it.
"""
import argparse
import json
import math
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
from wine import Config, Session  # noqa: E402

PRODUCT = os.path.join(ROOT, "build", "win32", "Setup.exe")


def objdump(path):
    return subprocess.run(["i686-w64-mingw32-objdump", "-p", "-h", path], check=True,
                          stdout=subprocess.PIPE, text=True).stdout


SIZE_TARGET = 18 * 1024


def footprint():
    text = objdump(PRODUCT)
    size = os.path.getsize(PRODUCT)
    print("Setup.exe (%s)" % os.path.relpath(PRODUCT, ROOT))
    print("  size: %d bytes (%.1f KiB)" % (size, size / 1024))
    # Each section takes its raw size, rounded up to the file alignment of 512, in the file; the headers the
    # first 512-byte blocks before the first section.
    sections = re.findall(r"^\s*\d+\s+(\.\S+)\s+([0-9a-f]+)\s+[0-9a-f]+\s+[0-9a-f]+\s+([0-9a-f]+)",
                          text.split("\nSections:", 1)[1], re.M)
    first = min((int(offset, 16) for _, _, offset in sections if int(offset, 16)), default=size)
    print("  headers: %d bytes in the file" % first)
    for name, raw, offset in sections:
        in_file = (int(raw, 16) + 511) // 512 * 512 if int(offset, 16) else 0
        print("  %-9s %6d bytes of content, %6d in the file" % (name, int(raw, 16), in_file))
    imports, dll = {}, None
    for line in text.splitlines():
        m = re.match(r"\s+DLL Name: (\S+)", line)
        if m:
            dll = m.group(1)
            imports[dll] = []
        m = re.match(r"\s+[0-9a-f]+\s+\d+\s+(\S+)$", line)
        if dll and m:
            imports[dll].append(m.group(1))
    for dll, names in imports.items():
        print("  imports %s (%d): %s" % (dll, len(names), " ".join(sorted(names))))


def hyperfine(commands, runs, cwd, env, work):
    out = os.path.join(work, "hyperfine.json")
    subprocess.run(["hyperfine", "--style", "none", "--warmup", "1", "--runs", str(runs), "-N",
                    "--export-json", out] + commands, cwd=cwd, env=env, check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    with open(out) as f:
        return [result["median"] for result in json.load(f)["results"]]


def measure(sides, rounds, runs, env, work):
    """sides: {name: (command, folder)}. Times every side once per round, in
    turn, and returns {name: [median seconds of each round]}."""
    times = {name: [] for name in sides}
    for _ in range(rounds):
        for name, (command, cwd) in sides.items():
            times[name].append(hyperfine([command], runs, cwd, env, work)[0])
    return times


def report(label, times, first, second):
    """The median of the per-round ratios and a confidence interval of at least 90% for it: order statistics
    of the rounds, as many cut off at each end as a fair coin's tosses leave out (binomial, p = 1/2)."""
    ratios = sorted(a / b for a, b in zip(times[first], times[second]))
    n, cut = len(ratios), 1
    while cut + 1 <= n // 2 and sum(math.comb(n, i) for i in range(cut + 1)) / 2 ** n <= 0.05:
        cut += 1
    lower, median, upper = ratios[cut - 1], statistics.median(ratios), ratios[n - cut]
    print("  %-50s %.3f  (%.1f ms against %.1f ms; %d rounds, %.3f..%.3f)"
          % (label, median, statistics.median(times[first]) * 1000, statistics.median(times[second]) * 1000,
             n, lower, upper))
    return lower, median, upper


def verdict(interval, target):
    """met or MISSED when the median's whole interval says so; else the rounds were too few to tell."""
    lower, _, upper = interval
    return "met" if upper <= target else "MISSED" if lower > target else "unclear (more --rounds)"


def folder(work, name, packages=(), filler=0, broken=False):
    path = os.path.join(work, name)
    os.makedirs(path)
    for package in packages:
        with open(os.path.join(path, package), "wb") as f:
            f.write(b"not a Windows Installer database" if broken else b"")
    for i in range(filler):
        open(os.path.join(path, "unrelated_%05d.dat" % i), "w").close()
    return path


def qemu_note():
    """How the kernel runs 32-bit Wine here: itself, or through qemu-i386."""
    entry = "/proc/sys/fs/binfmt_misc/qemu-i386"
    if not os.path.exists(entry):
        return ""
    with open(entry) as f:
        interpreter = [line.split()[1] for line in f if line.startswith("interpreter")]
    version = subprocess.run(interpreter + ["--version"], stdout=subprocess.PIPE, text=True).stdout.split("\n")[0]
    return ", emulated by %s (binfmt_misc)" % version


def dlls(path):
    return set(re.findall(r"DLL Name: (\S+)", objdump(path)))


def timings(config, rounds, runs):
    work = tempfile.mkdtemp(prefix="setup-bench-", dir=config.work)
    minimal = os.path.join(os.path.dirname(config.setup_exe), "bench", "Minimal.exe")
    if dlls(minimal) != dlls(config.setup_exe):  # else the yardstick would not pay for loading them
        sys.exit("Minimal.exe imports %s, Setup.exe %s" % (sorted(dlls(minimal)), sorted(dlls(config.setup_exe))))
    packages = ["quelvarine_enu.msi", "quelvarine_CHT.msi", "quelvarine_deu.msi"]
    plain = folder(work, "plain", packages)
    large = folder(work, "large", packages, filler=10000)
    broken = folder(work, "broken", packages, broken=True)
    own = folder(work, "bin")  # Setup.exe in a folder of its own, started elsewhere
    for path in (plain, large, broken, own):
        shutil.copy(config.setup_exe, os.path.join(path, "Setup.exe"))
        shutil.copy(minimal, os.path.join(path, "Minimal.exe"))

    version = subprocess.run([config.wine, "--version"], stdout=subprocess.PIPE, text=True).stdout.strip()
    print("\nStart-up of the 32-bit %s under 32-bit %s%s (median of per-round ratios)"
          % (config.setup_exe, version, qemu_note()))
    results = {}
    # The session's Wine server is persistent, so that no run pays for starting it.
    with Session(config) as session:
        env = session.env(lang="en_US.UTF-8", overrides="msi=d;mscoree,mshtml=")
        subprocess.run([config.wine, "Minimal.exe"], cwd=plain, env=env, check=True)
        setup = config.wine + " Setup.exe"
        least = config.wine + " Minimal.exe"
        elsewhere = config.wine + " " + os.path.join(own, "Setup.exe")
        times = measure({"setup": (setup, plain), "minimal": (least, plain),
                         "setup large": (setup, large), "minimal large": (least, large),
                         "elsewhere plain": (elsewhere, plain), "elsewhere large": (elsewhere, large)},
                        rounds, runs, env, work)
        results["own overhead"] = report("own overhead (Setup / Minimal)", times, "setup", "minimal")
        results["large folder"] = report("large folder (Setup: large / plain)", times, "setup large", "setup")
        report("  of which Wine's own (Minimal: large / plain)", times, "minimal large", "minimal")
        results["large share"] = report("  the launcher's share (large: Setup / Minimal)", times,
                                        "setup large", "minimal large")
        results["large elsewhere"] = report("large folder, Setup.exe started from its own folder",
                                            times, "elsewhere large", "elsewhere plain")
        times = measure({"setup": (setup, broken), "minimal": (least, broken)}, max(1, rounds // 2), runs,
                        session.env(lang="en_US.UTF-8"), work)
        results["hand-off"] = report("hand-off (Setup to a failed install / Minimal)", times, "setup", "minimal")
    shutil.rmtree(work)
    return results


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--rounds", type=int, default=40)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--work", default=os.path.join(ROOT, "build", "bench"))
    args = parser.parse_args()
    footprint()
    results = timings(Config(args.work, PRODUCT), args.rounds, args.runs)
    print("\ntargets: size <= 18 KiB %s; own overhead <= 1.10 %s; large folder <= 1.10 %s "
          "(launcher's share %s, started from its own folder %s)"
          % ("met" if os.path.getsize(PRODUCT) <= SIZE_TARGET else "MISSED", verdict(results["own overhead"], 1.10),
             verdict(results["large folder"], 1.10), verdict(results["large share"], 1.10),
             verdict(results["large elsewhere"], 1.10)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
