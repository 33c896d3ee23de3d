#!/usr/bin/env python3
"""Builds what the end-to-end tests share, under WORK, and writes WORK/e2e.json:

- a 32-bit Wine prefix, with per-executable Windows versions for the gate;
- glibc locales, so that LANG=zh_TW.UTF-8 and friends reach Wine;
- a planted msi.dll that must never be loaded, and a plain loader that would;
- Setup.exe rebranded to other package base names (with setup-rebrand).

It fails, saying why, when 32-bit Wine cannot run a 32-bit Windows program or
Setup.exe is not a 32-bit program: the tests never fall back to another binary.

    prepare.py --work DIR --setup-exe PATH [--rebrand TOOL]
"""
import argparse
import json
import os
import shutil
import struct
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
WINE = "/usr/lib/wine/wine"

# Executable name -> Wine's Version setting.
VERSIONS = {"gate-%s.exe" % v: v for v in ("win95", "win98", "nt40", "winme", "win2k", "winxp", "win10")}
LOCALES = ["en_US", "zh_TW", "zh_CN", "zh_HK", "ja_JP", "de_DE", "nb_NO", "fr_FR"]
VARIANTS = {"rebranded": ["--base-name", "Acme Widgets"], "longest": ["--base-name", "n" * 247],
            "no-base-name": ["--base-name", "", "--allow-empty"]}


def log(message):
    print("prepare: " + message, flush=True)


def fail(message):
    sys.exit("prepare: " + message)


def wine_env(prefix):
    env = dict(os.environ, WINEPREFIX=prefix, WINEARCH="win32", WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")
    env.pop("DISPLAY", None)
    return env


def pe_machine(path):
    """The COFF machine of a PE file (0x14c: i386), or None."""
    with open(path, "rb") as f:
        data = f.read(4096)
    if data[:2] != b"MZ" or len(data) < 0x40:
        return None
    offset = struct.unpack_from("<I", data, 0x3C)[0]
    if data[offset:offset + 4] != b"PE\0\0":
        return None
    return struct.unpack_from("<H", data, offset + 4)[0]


def wine(prefix, *args, timeout=600, log_name="wine.log"):
    with open(os.path.join(os.path.dirname(prefix), log_name), "a") as out:
        return subprocess.run([WINE] + list(args), env=wine_env(prefix), stdout=out, stderr=out,
                              timeout=timeout).returncode


def stop_server(prefix):
    subprocess.run(["/usr/lib/wine/wineserver", "-k"], env=wine_env(prefix), stderr=subprocess.DEVNULL)
    subprocess.run(["/usr/lib/wine/wineserver", "-w"], env=wine_env(prefix), timeout=120)


def make_prefix(work):
    prefix = os.path.join(work, "prefix-win32")
    ready = os.path.join(prefix, ".setup-e2e-ready")
    if os.path.exists(ready):
        return prefix
    if not os.path.exists(WINE):
        fail("32-bit Wine is not installed (%s); scripts/deps.sh installs it" % WINE)
    shutil.rmtree(prefix, ignore_errors=True)
    log("creating the 32-bit Wine prefix " + prefix)
    try:
        reg = os.path.join(work, "versions.reg")
        with open(reg, "w") as f:
            f.write("REGEDIT4\n\n")
            for exe, version in VERSIONS.items():
                f.write('[HKEY_CURRENT_USER\\Software\\Wine\\AppDefaults\\%s]\n"Version"="%s"\n\n' % (exe, version))
        if wine(prefix, "wineboot", "-i") != 0 or wine(prefix, "regedit", "/S", reg) != 0:
            fail("32-bit Wine could not set up a prefix (see %s/wine.log); where the kernel refuses i386 "
                 "programs, scripts/deps.sh registers qemu-i386 for them" % work)
        # A real 32-bit Windows program, run to its end, decides whether Wine works.
        if wine(prefix, "cmd.exe", "/c", "exit 7") != 7:
            fail("32-bit Wine does not run 32-bit Windows programs here (see %s/wine.log)" % work)
    except subprocess.TimeoutExpired as error:
        fail("32-bit Wine did not finish %s in time" % " ".join(error.cmd[1:]))
    finally:
        stop_server(prefix)
    open(ready, "w").close()
    return prefix


def make_locales(work):
    folder = os.path.join(work, "locales")
    os.makedirs(folder, exist_ok=True)
    for name in LOCALES:
        target = os.path.join(folder, name + ".UTF-8")
        if not os.path.exists(target):
            # localedef warns about some upstream sources but still writes them.
            subprocess.run(["localedef", "-i", name, "-f", "UTF-8", target],
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if not os.path.exists(target):
            fail("could not build the glibc locale " + name)
    return folder


def make_planted(work):
    """The planted msi.dll, a plain loader that shows it would be picked up,
    and box_text.exe, which reads message boxes."""
    folder = os.path.join(work, "planted")
    os.makedirs(folder, exist_ok=True)
    source = os.path.join(HERE, "planted")
    gcc = "i686-w64-mingw32-gcc-win32"
    dll = os.path.join(folder, "msi.dll")
    loader = os.path.join(folder, "plain_loader.exe")
    subprocess.run([gcc, "-shared", "-O2", "-s", "-o", dll, os.path.join(source, "msi.c"),
                    os.path.join(source, "msi.def")], check=True)
    subprocess.run([gcc, "-mwindows", "-O2", "-s", "-o", loader, os.path.join(source, "plain_loader.c")], check=True)
    reader = os.path.join(folder, "box_text.exe")
    subprocess.run([gcc, "-O2", "-s", "-o", reader, os.path.join(source, "box_text.c")], check=True)
    return {"planted_dll": dll, "plain_loader": loader, "box_text": reader}


def make_variants(setup_exe, rebrand, work):
    exes = {}
    for name, options in VARIANTS.items():
        exe = os.path.join(work, "variants", name, "Setup.exe")
        os.makedirs(os.path.dirname(exe), exist_ok=True)
        subprocess.run([rebrand, setup_exe] + options + ["-o", exe], check=True, stdout=subprocess.DEVNULL)
        exes[name] = exe
    return exes


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--work", required=True)
    parser.add_argument("--setup-exe", required=True)
    parser.add_argument("--rebrand", help="setup-rebrand, for the rebranded variants (the demo needs none)")
    args = parser.parse_args()
    work = os.path.abspath(args.work)
    setup_exe = os.path.abspath(args.setup_exe)
    os.makedirs(work, exist_ok=True)
    if not os.path.exists(setup_exe):
        fail("%s is missing: build it first (cmake --build --preset host does)" % setup_exe)
    if pe_machine(setup_exe) != 0x14C:
        fail("%s is not a 32-bit Windows program" % setup_exe)

    config = {"wine": WINE, "arch": "win32", "setup_exe": setup_exe, "work": work,
              "prefix": make_prefix(work), "locales": make_locales(work)}
    config.update(make_planted(work))
    config["variants"] = make_variants(setup_exe, args.rebrand, work) if args.rebrand else {}
    with open(os.path.join(work, "e2e.json"), "w") as f:
        json.dump(config, f, indent=2)
    log("ready: 32-bit Wine (%s), %s" % (subprocess.run([WINE, "--version"], stdout=subprocess.PIPE,
                                                        text=True).stdout.strip(), setup_exe))


if __name__ == "__main__":
    main()
