#!/usr/bin/env python3
"""Shows Setup.exe choosing and installing packages under Wine.

    demo.py WORK     (WORK as prepared by tests/e2e/prepare.py)
"""
import os
import shutil
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from wine import Config, Launcher  # noqa: E402

PACKAGES = ["quelvarine_enu.msi", "quelvarine_CHT.msi", "quelvarine_CHS.msi", "quelvarine_deu.msi"]
LOCALES = [("en_US.UTF-8", "English (United States)"), ("zh_TW.UTF-8", "Chinese (Traditional, Taiwan)"),
           ("zh_CN.UTF-8", "Chinese (Simplified, PRC)"), ("de_DE.UTF-8", "German (Germany)"),
           ("ja_JP.UTF-8", "Japanese: no package, English fallback")]


def installed_by(run):
    calls = dict(run.installer_calls())
    path = calls.get("MsiInstallProductA", "").split('" "')[0].strip('"').replace("\\\\", "\\")
    return path or "(installer not called)"


def main():
    work = os.path.abspath(sys.argv[1])
    config = Config(os.path.join(work, "e2e.json"))
    stamp = int(time.time())
    print("\nSetup.exe: %s (Wine %s prefix %s)\n" % (config.setup_exe, config.arch, config.prefix))
    for lang, description in LOCALES:
        folder = os.path.join(work, "media", lang.split(".")[0])
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        launcher = Launcher(config, folder)
        for package in PACKAGES:
            launcher.add_package(package, "%s_%s_%d" % (package[:-4], lang.split(".")[0], stamp))
        run = launcher.run(lang=lang)
        chosen = installed_by(run)
        name = os.path.basename(chosen.replace("\\", "/"))
        done = launcher.installed("%s_%s_%d" % (name[:-4], lang.split(".")[0], stamp)) if name.endswith(".msi") else False
        print("LANG=%-12s %-40s -> %s (%s, exit %d)" % (lang, description, chosen,
                                                       "installed" if done else "NOT installed", run.exit_code))

    folder = os.path.join(work, "media", "empty")
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    shot = os.path.join(work, "missing-package.png")
    run = Launcher(config, folder).run(debug="trace+msgbox", screenshot=shot)
    text = [line.split('MSGBOX_OnInit L"', 1)[1].rstrip('"') for line in run.trace.splitlines()
            if "MSGBOX_OnInit" in line]
    print("\nIn a folder without packages: a box captioned %s says %s (exit %d; screenshot %s)\n"
          % (run.windows, text, run.exit_code, shot))


if __name__ == "__main__":
    main()
