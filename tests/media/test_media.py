#!/usr/bin/env python3
"""setup-media on media folders: test_media.py TOOL SETUP_EXE SOURCE_DIR"""
import json
import os
import shutil
import subprocess
import sys
import tempfile
import unittest


def run(*args):
    return subprocess.run([TOOL, *args], capture_output=True, text=True, timeout=60)


class Media(unittest.TestCase):
    def folder(self, *names):
        """A media folder: Setup.exe and a file (a directory where the name ends in /) per name."""
        path = self.enterContext(tempfile.TemporaryDirectory(prefix="media-"))
        shutil.copy(SETUP_EXE, path)
        for name in names:
            full = os.path.join(path, "quelvarine_" + name.rstrip("/"))
            os.mkdir(full) if name.endswith("/") else open(full, "w").close()
        return path

    def test_findings_and_exit_status(self):
        # (packages, {(kind, files)} of the findings, exit status)
        regions = {("other-region", ("quelvarine_enu.msi",))}
        for packages, findings, status in [
                (["enu.msi", "deu.msi"], regions | {("other-region", ("quelvarine_deu.msi",))}, 0),
                (["deu.msi"], {("no-english", ("quelvarine_enu.msi",)), ("other-region", ("quelvarine_deu.msi",))}, 1),
                (["enu.msi", "kal.msi"], regions | {("other-language", ("quelvarine_kal.msi",))}, 0),
                (["enu.msi", "nob.msi", "ger.msi"], regions | {("unreachable", ("quelvarine_nob.msi",)),
                                                              ("unreachable", ("quelvarine_ger.msi",))}, 0),
                (["enu.msi", "JPN.msi/"], regions | {("directory", ("quelvarine_JPN.msi",))}, 0),
                (["ENU.msi", "enu.msi", "Enu.msi"], {("other-region", ("quelvarine_ENU.msi",)), ("case-duplicate", (
                    "quelvarine_ENU.msi", "quelvarine_Enu.msi", "quelvarine_enu.msi"))}, 0),
                (["ENU.msi", "eng.msi"], {("other-region", ("quelvarine_eng.msi",)), ("order", ("quelvarine_eng.msi",))},
                 0)]:
            with self.subTest(packages=packages):
                result = run(self.folder(*packages), "--json")
                report = json.loads(result.stdout)
                self.assertEqual({(f["kind"], tuple(sorted(f["files"]))) for f in report["findings"]}, findings,
                                 result.stdout[-2000:])
                self.assertEqual(result.returncode, status)
                self.assertEqual(report["base_name"], "quelvarine")
                self.assertIn("what to do:", run(self.folder(*packages)).stdout)
                if "nob.msi" in packages:  # the names that would work: by ISO 639-2 name, by language name
                    advice = " ".join(f["advice"] for f in report["findings"])
                    self.assertIn("rename it quelvarine_NOR.msi", advice)
                    self.assertIn("rename it quelvarine_DEU.msi", advice)

    def test_locales(self):
        # Each locale's own package first; another region's by the wildcard, never another language's; locales
        # known only by name by their language; the English literal as the fallback.
        folder = self.folder("KAT.msi", "kal.msi", "eng.msi", "ENU.msi", "gla.msi", "glc.msi", "dea.msi")
        expected = {"ka-GE": "quelvarine_KAT.msi", "kl-GL": "quelvarine_kal.msi", "en-AU": "quelvarine_eng.msi",
                    "en-US": "quelvarine_ENU.msi", "gl-ES": "quelvarine_glc.msi", "de-CH": "quelvarine_dea.msi",
                    "ja-JP": "quelvarine_enu.msi", "de-BE": "quelvarine_dea.msi", "en-150": "quelvarine_eng.msi",
                    "gd-GB": "quelvarine_gla.msi", "0x0c07": "quelvarine_dea.msi"}
        args = [arg for name in expected for arg in ("--locale", name)]
        locales = json.loads(run(folder, "--json", *args).stdout)["locales"]
        self.assertEqual([locale["installs"] for locale in locales], list(expected.values()))
        self.assertEqual((locales[0]["looks_first_for"], locales[0]["looks_for"], locales[-1]["name"]),
                         ("quelvarine_KAT.msi", "quelvarine_ka*.msi", "de-AT"))
        self.assertIn("ja-JP Japanese (Japan): looks for quelvarine_JPN.msi, then quelvarine_enu.msi: installs "
                      "quelvarine_enu.msi", run(folder, "--locale", "JA-jp").stdout)
        georgian = self.folder("kal.msi", "enu.msi")
        self.assertEqual(json.loads(run(georgian, "--json", "--locale", "ka-GE").stdout)["locales"][0]["passes_over"],
                         ["quelvarine_kal.msi"])
        self.assertIn("looks for quelvarine_KAT.msi, then quelvarine_ka*.msi (passes over quelvarine_kal.msi), then "
                      "quelvarine_enu.msi: installs quelvarine_enu.msi", run(georgian, "--locale", "ka-GE").stdout)

    def test_odd_entries_and_names(self):
        # Links to nothing, or in a loop, are no entries (Windows lists none) but a warning; the JSON holds
        # names exactly, one that is no UTF-8 too; counts read as English does.
        folder = self.folder("enu.msi", "en!\u00ad.msi", "afk.msi")
        os.symlink("nowhere", os.path.join(folder, "quelvarine_deu.msi"))
        os.symlink("loop", os.path.join(folder, "loop"))
        report = json.loads(run(folder, "--json", "--locale", "en-AU").stdout)
        self.assertEqual(sorted(f["files"][0] for f in report["findings"] if f["kind"] == "broken-link"),
                         ["loop", "quelvarine_deu.msi"])
        self.assertEqual(report["locales"][0]["installs"], "quelvarine_en!\u00ad.msi")
        self.assertIn("note: 1 locale gets quelvarine_afk.msi,", run(folder).stdout)
        folder = self.folder("enu.msi")
        open(os.path.join(os.fsencode(folder), b"quelvarine_en!\xff.msi"), "w").close()
        locale = json.loads(run(folder, "--json", "--locale", "en-AU").stdout)["locales"][0]
        self.assertEqual((locale["installs"], locale["installs_shown"]), ("quelvarine_en!\udcff.msi", "quelvarine_en!\\xff.msi"))

    def test_what_it_cannot_use(self):
        empty = self.enterContext(tempfile.TemporaryDirectory())
        foreign = self.folder()
        shutil.copy(TOOL, os.path.join(foreign, "Setup.exe"))
        fifo = self.enterContext(tempfile.TemporaryDirectory())
        os.mkfifo(os.path.join(fifo, "Setup.exe"))
        for args, message in [(["/no/such/folder"], "No such file or directory"),
                              ([empty], "no Setup.exe in"),
                              ([foreign], "not a PE file"),
                              ([fifo], "Setup.exe: is not a regular file"),
                              ([self.folder(), "--locale", "xx-YY"], "unknown locale xx-YY"),
                              ([empty, "--base-name", "a:b"], "which Windows does not allow"),
                              ([], "no MEDIA_DIR given")]:
            with self.subTest(args=args):
                result = run(*args)
                self.assertEqual((result.returncode, result.stdout), (2, ""))
                self.assertIn(message, result.stderr)
        self.assertEqual(json.loads(run(empty, "--base-name", "acme", "--json").stdout)["base_name"], "acme")

    def test_docs_table_is_current(self):
        with open(os.path.join(SOURCE, "docs", "locales.md"), encoding="utf-8") as f:
            self.assertEqual(run("--locale-table").stdout, f.read(), "regenerate: setup-media --locale-table")


if __name__ == "__main__":
    TOOL, SETUP_EXE, SOURCE = map(os.path.abspath, sys.argv[1:4])
    unittest.main(argv=sys.argv[:1], verbosity=2)
