#!/usr/bin/env python3
"""Shows the 32-bit Setup.exe choosing and installing packages under Wine.

    demo.py WORK SETUP_EXE     (WORK as prepared by tests/e2e/wine.py)
"""
import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from wine import Config, Session, add_package, installed, short_name  # noqa: E402

PACKAGES = ["quelvarine_enu.msi", "quelvarine_CHT.msi", "quelvarine_CHS.msi", "quelvarine_deu.msi"]
LOCALES = [("en_US.UTF-8", "English (United States)"), ("zh_TW.UTF-8", "Chinese (Traditional, Taiwan)"),
           ("zh_CN.UTF-8", "Chinese (Simplified, PRC)"), ("de_DE.UTF-8", "German (Germany)"),
           ("ja_JP.UTF-8", "Japanese: no package, English fallback")]


def main():
    config = Config(*sys.argv[1:3])
    work = config.work
    version = subprocess.run([config.wine, "--version"], stdout=subprocess.PIPE, text=True).stdout.strip()
    print("\nSetup.exe: %s (32-bit, %s, prefix %s)\n" % (config.setup_exe, version, config.prefix))
    with Session(config) as session:
        for lang, description in LOCALES:
            folder = os.path.join(work, "media", lang.split(".")[0])
            shutil.rmtree(folder, ignore_errors=True)
            os.makedirs(folder)
            markers = {name: add_package(config, folder, name) for name in PACKAGES}
            run = session.run(folder, config.setup_exe, lang=lang)
            calls = dict(run.installer_calls())
            path = calls.get("MsiInstallProductA", "").split('" "')[0].strip('"').replace("\\\\", "\\")
            done = [name for name, marker in markers.items() if installed(config, marker)]
            print("LANG=%-12s %-40s -> %s (installed: %s; exit %d)"
                  % (lang, description, path or "(installer not called)", ", ".join(done) or "nothing",
                     run.exit_code))

        media = os.path.join(os.path.dirname(config.setup_exe), "..", "tools", "setup-media")
        folder = os.path.join(work, "media", "en_US")
        print("\nWhat every Windows locale gets from such a folder (%s %s; the locales' lines left out):\n"
              % (os.path.relpath(os.path.normpath(media)), os.path.relpath(folder)))
        report = subprocess.run([media, folder], stdout=subprocess.PIPE, text=True).stdout
        print("\n".join(line for line in report.splitlines() if not line.startswith("  ")))

        folder = os.path.join(work, "media", "empty")
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        run = session.run(folder, config.setup_exe)
        print("\nIn a folder without packages: a box captioned %s says %s (exit %d)"
              % (run.windows, [text for _, text in run.boxes], run.exit_code))

    # The two boxes as a user sees them, title bar included: the one above, and the one for a package
    # that only a planted look-alike of its short name would reach.
    pictures = [(os.path.join(work, "media", "empty"), "missing-package.png")]
    folder = os.path.join(work, "media", "planted")
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    add_package(config, folder, "quelvarine_en!\uff42.msi")
    with Session(config) as session:
        add_package(config, folder, short_name(session, folder, "quelvarine_en!"))
    pictures.append((folder, "no-current-directory.png"))
    for folder, name in pictures:
        with Session(config) as session:  # each on a desktop of its own
            shot = os.path.join(work, name)
            print("Picture of the box: %s" % (shot if session.picture(folder, config.setup_exe, shot) else "none shown"))

if __name__ == "__main__":
    main()
