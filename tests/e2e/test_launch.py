"""End-to-end: the real Setup.exe under Wine, with real packages."""
import os
import shutil
import unittest

from wine import LauncherTestCase

MISSING = "Unable to continue installation due to file %s is missing"


class VersionGate(LauncherTestCase):
    """Windows Me, 2000 and later go ahead (here: to the missing-package
    message, as the folder is empty); 95, 98 and NT 4.0 end silently."""

    def test_versions(self):
        for version, proceeds in [("win95", False), ("win98", False), ("nt40", False), ("winme", True),
                                  ("win2k", True), ("winxp", True), ("win10", True)]:
            with self.subTest(version=version):
                name = "gate-%s.exe" % version
                run = self.launcher.run(name=name)
                self.assertFalse(run.timed_out, run)
                self.assertEqual(run.exit_code, 0, run)
                self.assertEqual(run.windows, ["gate-" + version] if proceeds else [], run)
                self.assertEqual(run.installer_calls(), [], run)


    def test_no_window_of_its_own(self):
        # With Windows Installer unavailable the launch ends silently after the
        # lookup: nothing on screen, whatever the locale and the version.
        self.launcher.add_package("quelvarine_enu.msi", self.marker("enu"))
        self.launcher.add_package("quelvarine_CHT.msi", self.marker("cht"))
        cases = [("Setup.exe", lang) for lang in ("en_US.UTF-8", "zh_TW.UTF-8", "ja_JP.UTF-8", "de_DE.UTF-8",
                                                  "nb_NO.UTF-8", "fr_FR.UTF-8")]
        cases += [("gate-%s.exe" % version, "zh_TW.UTF-8") for version in ("winme", "win2k", "winxp", "win98")]
        for name, lang in cases:
            with self.subTest(name=name, lang=lang):
                run = self.launcher.run(name=name, lang=lang, overrides="msi=d;mscoree,mshtml=")
                self.assertSilentSuccess(run)


class PackageChoice(LauncherTestCase):
    """The user's locale picks the package; Windows Installer installs it."""

    def test_traditional_chinese_over_english(self):
        self.launcher.add_package("quelvarine_enu.msi", self.marker("enu"))
        self.launcher.add_package("quelvarine_CHT.msi", self.marker("cht"))
        run = self.launcher.run(lang="zh_TW.UTF-8")
        self.assertInstalled(run, "quelvarine_CHT.msi", self.marker("cht"))
        self.assertFalse(self.launcher.installed(self.marker("enu")))
        self.assertNotIn("Setup", run.windows)

    def test_arguments_change_nothing(self):
        self.launcher.add_package("quelvarine_enu.msi", self.marker("enu"))
        self.launcher.add_package("quelvarine_CHT.msi", self.marker("cht"))
        run = self.launcher.run(lang="zh_TW.UTF-8", args=["/qn", "/x", "other.msi", "%TEMP%"])
        self.assertInstalled(run, "quelvarine_CHT.msi", self.marker("cht"))

    def test_hong_kong_takes_the_traditional_package_as_spelled_on_disk(self):
        self.launcher.add_package("quelvarine_CHT.msi", self.marker("cht"))
        run = self.launcher.run(lang="zh_HK.UTF-8")
        self.assertInstalled(run, "quelvarine_CHT.msi", self.marker("cht"))

    def test_simplified_chinese(self):
        self.launcher.add_package("quelvarine_enu.msi", self.marker("enu"))
        self.launcher.add_package("quelvarine_CHS.msi", self.marker("chs"))
        run = self.launcher.run(lang="zh_CN.UTF-8")
        self.assertInstalled(run, "quelvarine_CHS.msi", self.marker("chs"))

    def test_german_by_wildcard(self):
        self.launcher.add_package("quelvarine_enu.msi", self.marker("enu"))
        self.launcher.add_package("quelvarine_deu.msi", self.marker("deu"))
        run = self.launcher.run(lang="de_DE.UTF-8")
        self.assertInstalled(run, "quelvarine_deu.msi", self.marker("deu"))

    def test_norwegian_bokmal(self):
        self.launcher.add_package("quelvarine_enu.msi", self.marker("enu"))
        self.launcher.add_package("quelvarine_nor.msi", self.marker("nor"))
        run = self.launcher.run(lang="nb_NO.UTF-8")
        self.assertInstalled(run, "quelvarine_nor.msi", self.marker("nor"))

    def test_japanese_falls_back_to_english_spelled_as_the_literal(self):
        self.launcher.add_package("QUELVARINE_ENU.MSI", self.marker("enu"))
        self.launcher.add_package("quelvarine_deu.msi", self.marker("deu"))
        run = self.launcher.run(lang="ja_JP.UTF-8")
        self.assertInstalled(run, "quelvarine_enu.msi", self.marker("enu"))


class Messages(LauncherTestCase):
    """The launcher's own boxes: captioned with the executable's name."""

    def test_no_package(self):
        self.launcher.add_package("other_enu.msi", self.marker("other"))
        shot = os.path.join(self.launcher.folder, "missing-package.png")
        run = self.launcher.run(debug="trace+msi,trace+msgbox", screenshot=shot)
        self.assertFalse(run.timed_out, run)
        self.assertEqual(run.exit_code, 0, run)
        self.assertEqual(run.windows, ["Setup"], run)
        self.assertIn('MSGBOX_OnInit L"%s"' % (MISSING % "quelvarine_enu.msi"), run.trace)
        self.assertEqual(run.installer_calls(), [], run)

    def test_caption_follows_the_file_name(self):
        run = self.launcher.run(name="install.new.exe")
        self.assertEqual(run.exit_code, 0, run)
        self.assertEqual(run.windows, ["install.new"], run)


class DllPlanting(LauncherTestCase):
    """An msi.dll beside Setup.exe and in its working directory never runs,
    even where Wine is told to prefer native DLLs, as Windows would."""

    NATIVE_FIRST = "msi=n,b;mscoree,mshtml="

    def setUp(self):
        super().setUp()
        self.ran = os.path.join(self.config.prefix, "drive_c", "planted-msi-ran.txt")
        if os.path.exists(self.ran):
            os.remove(self.ran)
        shutil.copy(self.config.planted_dll, os.path.join(self.launcher.folder, "msi.dll"))

    def test_a_plain_load_would_pick_the_planted_dll(self):
        run = self.launcher.run(exe=self.config.plain_loader, name="plain_loader.exe", overrides=self.NATIVE_FIRST)
        self.assertEqual(run.exit_code, 0, run)
        self.assertTrue(os.path.exists(self.ran), "the control did not load the planted msi.dll: the test is blind")

    def test_planted_msi_dll_is_ignored(self):
        self.launcher.add_package("quelvarine_enu.msi", self.marker("enu"))
        run = self.launcher.run(overrides=self.NATIVE_FIRST)
        self.assertInstalled(run, "quelvarine_enu.msi", self.marker("enu"))
        self.assertFalse(os.path.exists(self.ran), "the planted msi.dll ran")


class Rebranding(LauncherTestCase):
    """String 101 is the only thing that names the packages."""

    def test_other_base_name(self):
        exe = self.config.variants["rebranded"]
        self.launcher.add_package("Acme Widgets_enu.msi", self.marker("acme"))
        self.launcher.add_package("quelvarine_enu.msi", self.marker("enu"))
        run = self.launcher.run(exe=exe)
        self.assertInstalled(run, "Acme Widgets_enu.msi", self.marker("acme"))

    def test_other_base_name_in_the_message(self):
        run = self.launcher.run(exe=self.config.variants["rebranded"], debug="trace+msgbox")
        self.assertEqual(run.windows, ["Setup"], run)
        self.assertIn('MSGBOX_OnInit L"%s"' % (MISSING % "Acme Widgets_enu.msi"), run.trace)

    def test_no_base_name(self):
        self.launcher.add_package("_enu.msi", self.marker("bare"))
        run = self.launcher.run(exe=self.config.variants["no-base-name"])
        self.assertInstalled(run, "_enu.msi", self.marker("bare"))


class ExitStatus(LauncherTestCase):
    """Whatever the installer makes of the package, the launcher exits 0."""

    def test_broken_package(self):
        with open(os.path.join(self.launcher.folder, "quelvarine_enu.msi"), "wb") as f:
            f.write(b"not a Windows Installer database")
        run = self.launcher.run()
        self.assertFalse(run.timed_out, run)
        self.assertEqual(run.exit_code, 0, run)
        self.assertEqual([name for name, _ in run.installer_calls()], ["MsiSetInternalUI", "MsiInstallProductA"], run)
        self.assertNotIn("Setup", run.windows)


if __name__ == "__main__":
    unittest.main()
