#!/usr/bin/env python3
"""Builds what the end-to-end tests share under WORK and writes WORK/e2e.json:
a 32-bit Wine prefix with per-executable Windows versions for the gate, glibc
locales so that LANG=zh_TW.UTF-8 and friends reach Wine, the helper programs
of planted/, and Setup.exe rebranded by setup-rebrand.

It fails, saying why, unless Setup.exe is a 32-bit program and 32-bit Wine
runs one: the tests never fall back to another binary.

    prepare.py --work DIR --setup-exe PATH [--rebrand TOOL]
"""
import argparse
import json
import os
import shutil
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
WINE, WINESERVER = "/usr/lib/wine/wine", "/usr/lib/wine/wineserver"
VERSIONS = ("win95", "win98", "nt40", "winme", "win2k", "winxp", "win10")  # run as gate-<version>.exe
LOCALES = ["en_US", "zh_TW", "zh_CN", "zh_HK", "ja_JP", "de_DE", "nb_NO"]
VARIANTS = {"rebranded": ["--base-name", "Acme Widgets"], "longest": ["--base-name", "n" * 247],
            "no-base-name": ["--base-name", "", "--allow-empty"]}


def fail(message):
    sys.exit("prepare: " + message)


def make_prefix(work):
    """The prefix, made once; whether 32-bit Wine runs a 32-bit Windows program
    to its end, with its exit code, is asked every time."""
    prefix, log = os.path.join(work, "prefix-win32"), os.path.join(work, "wine.log")
    ready, reg = os.path.join(prefix, ".setup-e2e-ready"), os.path.join(work, "versions.reg")
    env = dict(os.environ, WINEPREFIX=prefix, WINEARCH="win32", WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")
    env.pop("DISPLAY", None)
    steps = [(["cmd.exe", "/c", "exit 7"], 7)]
    if not os.path.exists(ready):
        shutil.rmtree(prefix, ignore_errors=True)
        print("prepare: creating the 32-bit Wine prefix " + prefix, flush=True)
        with open(reg, "w") as f:
            f.write("REGEDIT4\n\n" + "".join('[HKEY_CURRENT_USER\\Software\\Wine\\AppDefaults\\gate-%s.exe]\n'
                                             '"Version"="%s"\n\n' % (v, v) for v in VERSIONS))
        steps = [(["wineboot", "-i"], 0), (["regedit", "/S", reg], 0)] + steps
    try:
        with open(log, "a") as out:
            for command, expected in steps:
                code = subprocess.run([WINE] + command, env=env, stdout=out, stderr=out, timeout=300).returncode
                if code != expected:
                    raise OSError("%s exited with %s" % (" ".join(command), code))
    except (OSError, subprocess.TimeoutExpired) as error:
        fail("32-bit Wine does not run here: %s (see %s). Where the kernel refuses i386 programs, "
             "scripts/deps.sh registers qemu-i386 for them." % (error, log))
    finally:
        subprocess.run([WINESERVER, "-k"], env=env, stderr=subprocess.DEVNULL)
        subprocess.run([WINESERVER, "-w"], env=env, timeout=120)
    open(ready, "w").close()
    return prefix


def make_locales(work):
    folder = os.path.join(work, "locales")
    os.makedirs(folder, exist_ok=True)
    for name in LOCALES:
        target = os.path.join(folder, name + ".UTF-8")
        if not os.path.exists(target):  # localedef warns about some sources but still writes them
            subprocess.run(["localedef", "-i", name, "-f", "UTF-8", target], stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)
        if not os.path.exists(target):
            fail("could not build the glibc locale " + name)
    return folder


def make_helpers(work, setup_exe, rebrand):
    """planted/'s programs, and the rebranded variants of Setup.exe."""
    built = {}
    for key, output, options in [("planted_dll", "msi.dll", ["-shared", "msi.c"]),
                                 ("plain_loader", "plain_loader.exe", ["-mwindows", "plain_loader.c"]),
                                 ("box_text", "box_text.exe", ["box_text.c"])]:
        built[key] = os.path.join(work, "planted", output)
        subprocess.run(["i686-w64-mingw32-gcc-win32", "-O2", "-s", "-o", built[key]] + options,
                       cwd=os.path.join(HERE, "planted"), check=True)
    built["variants"] = {name: os.path.join(work, "variants", name, "Setup.exe") for name in VARIANTS if rebrand}
    for name, exe in built["variants"].items():
        os.makedirs(os.path.dirname(exe), exist_ok=True)
        subprocess.run([rebrand, setup_exe] + VARIANTS[name] + ["-o", exe], check=True, stdout=subprocess.DEVNULL)
    return built


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--work", required=True)
    parser.add_argument("--setup-exe", required=True)
    parser.add_argument("--rebrand", help="setup-rebrand, for the rebranded variants (the demo needs none)")
    args = parser.parse_args()
    work, setup_exe = os.path.abspath(args.work), os.path.abspath(args.setup_exe)
    kind = subprocess.run(["i686-w64-mingw32-objdump", "-f", setup_exe], stdout=subprocess.PIPE, text=True).stdout
    if "file format pei-i386" not in kind:
        fail("%s is missing or not a 32-bit Windows program: build it first (cmake --build --preset host does)"
             % setup_exe)
    os.makedirs(os.path.join(work, "planted"), exist_ok=True)
    config = dict(wine=WINE, setup_exe=setup_exe, work=work, prefix=make_prefix(work), locales=make_locales(work),
                  **make_helpers(work, setup_exe, args.rebrand))
    with open(os.path.join(work, "e2e.json"), "w") as f:
        json.dump(config, f, indent=2)
    print("prepare: ready: 32-bit Wine, %s" % setup_exe)


if __name__ == "__main__":
    main()
