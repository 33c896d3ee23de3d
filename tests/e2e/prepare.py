#!/usr/bin/env python3
"""Builds what the end-to-end tests share, under WORK:

- a Wine prefix: 32-bit where this machine runs 32-bit Wine, else 64-bit with
  the same sources built for x86-64 (some kernels cannot run i386 code at all);
- per-executable Windows version settings for the version-gate tests;
- glibc locales, so that LANG=zh_TW.UTF-8 and friends reach Wine;
- a planted msi.dll that must never be loaded;
- Setup.exe variants built with other package base names;
- e2e.json, which the tests read.

    prepare.py --source DIR --work DIR --win32-exe PATH --win64-exe PATH
"""
import argparse
import json
import os
import shutil
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))

# Executable name -> Wine's Version setting.
VERSIONS = {
    "gate-win95.exe": "win95",
    "gate-win98.exe": "win98",
    "gate-nt40.exe": "nt40",
    "gate-winme.exe": "winme",
    "gate-win2k.exe": "win2k",
    "gate-winxp.exe": "winxp",
    "gate-win10.exe": "win10",
}
LOCALES = ["en_US", "zh_TW", "zh_CN", "zh_HK", "ja_JP", "de_DE", "nb_NO", "fr_FR"]
VARIANTS = {
    "rebranded": ["-DSETUP_PACKAGE_BASE_NAME=Acme Widgets"],
    "no-base-name": ["-DSETUP_PACKAGE_BASE_NAME=", "-DSETUP_ALLOW_EMPTY_BASE_NAME=ON"],
}


def log(message):
    print("prepare: " + message, flush=True)


def runs(command):
    try:
        return subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60).returncode == 0
    except (OSError, subprocess.TimeoutExpired):
        return False


def choose_wine(args):
    """32-bit Wine and the product itself where possible."""
    if runs(["/usr/lib/wine/wine", "--version"]) and os.path.exists(args.win32_exe):
        return {"arch": "win32", "wine": "/usr/lib/wine/wine", "setup_exe": args.win32_exe,
                "triple": "i686-w64-mingw32", "toolchain": "mingw-w64-i686.cmake"}
    log("this machine cannot run 32-bit Wine; using 64-bit Wine and the x86-64 build of the same sources")
    return {"arch": "win64", "wine": "/usr/lib/wine/wine64", "setup_exe": args.win64_exe,
            "triple": "x86_64-w64-mingw32", "toolchain": "mingw-w64-x86_64.cmake"}


def wine_env(config, prefix):
    env = dict(os.environ, WINEPREFIX=prefix, WINEARCH=config["arch"], WINEDEBUG="-all",
               WINEDLLOVERRIDES="mscoree,mshtml=")
    env.pop("DISPLAY", None)
    return env


def make_prefix(config, work):
    prefix = os.path.join(work, "prefix-" + config["arch"])
    ready = os.path.join(prefix, ".setup-e2e-ready")
    if os.path.exists(ready):
        return prefix
    shutil.rmtree(prefix, ignore_errors=True)
    env = wine_env(config, prefix)
    log("creating the Wine prefix " + prefix)
    # wineboot leaves services running that keep its output open: log to a file.
    with open(os.path.join(work, "wineboot.log"), "w") as out:
        subprocess.run([config["wine"], "wineboot", "-i"], env=env, stdout=out, stderr=out, check=True, timeout=600)
    reg = os.path.join(work, "versions.reg")
    with open(reg, "w") as f:
        f.write("REGEDIT4\n\n")
        for exe, version in VERSIONS.items():
            f.write('[HKEY_CURRENT_USER\\Software\\Wine\\AppDefaults\\%s]\n"Version"="%s"\n\n' % (exe, version))
    with open(os.path.join(work, "regedit.log"), "w") as out:
        subprocess.run([config["wine"], "regedit", "/S", reg], env=env, stdout=out, stderr=out, check=True,
                       timeout=300)
    subprocess.run([wineserver(), "-k"], env=env)
    subprocess.run([wineserver(), "-w"], env=env, timeout=60)
    open(ready, "w").close()
    return prefix


def wineserver():
    return "/usr/lib/wine/wineserver" if os.path.exists("/usr/lib/wine/wineserver") else "wineserver"


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
            sys.exit("prepare: could not build the glibc locale " + name)
    return folder


def make_planted(config, work):
    """The planted msi.dll, and a plain loader that shows it would be picked up."""
    folder = os.path.join(work, "planted")
    os.makedirs(folder, exist_ok=True)
    source = os.path.join(HERE, "planted")
    gcc = config["triple"] + "-gcc-win32"
    dll = os.path.join(folder, "msi.dll")
    loader = os.path.join(folder, "plain_loader.exe")
    subprocess.run([gcc, "-shared", "-O2", "-s", "-o", dll, os.path.join(source, "msi.c"),
                    os.path.join(source, "msi.def")], check=True)
    subprocess.run([gcc, "-mwindows", "-O2", "-s", "-o", loader, os.path.join(source, "plain_loader.c")], check=True)
    return {"planted_dll": dll, "plain_loader": loader}


def make_variants(config, source, work):
    exes = {}
    for name, options in VARIANTS.items():
        build = os.path.join(work, "variants", name)
        subprocess.run(["cmake", "-S", source, "-B", build, "-DCMAKE_BUILD_TYPE=MinSizeRel",
                        "--toolchain", os.path.join(source, "cmake", config["toolchain"])] + options,
                       check=True, stdout=subprocess.DEVNULL)
        subprocess.run(["cmake", "--build", build], check=True, stdout=subprocess.DEVNULL)
        exes[name] = os.path.join(build, "Setup.exe")
    return exes


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--source", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--win32-exe", required=True)
    parser.add_argument("--win64-exe", required=True)
    parser.add_argument("--no-variants", dest="variants", action="store_false",
                        help="skip the rebranded builds (the demo needs none)")
    args = parser.parse_args()
    work = os.path.abspath(args.work)
    os.makedirs(work, exist_ok=True)

    config = choose_wine(args)
    if not os.path.exists(config["setup_exe"]):
        sys.exit("prepare: %s is missing: build it first (scripts/test.sh does)" % config["setup_exe"])
    config.update(work=work, prefix=make_prefix(config, work), locales=make_locales(work))
    config.update(make_planted(config, work))
    config["variants"] = make_variants(config, args.source, work) if args.variants else {}
    with open(os.path.join(work, "e2e.json"), "w") as f:
        json.dump(config, f, indent=2)
    log("ready: %s Wine, %s" % (config["arch"], config["setup_exe"]))


if __name__ == "__main__":
    main()
