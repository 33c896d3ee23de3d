"""End to end: folders and files nobody planned for. Every case ends with exit
status 0 and either the right installer call or the missing-package box."""
import os
import unittest

from wine import Config, LauncherTestCase, setUpModule  # noqa: F401


class Folders(LauncherTestCase):
    def test_odd_names(self):
        # Spaces and "%"; double-byte characters whose second byte is a
        # backslash (0x83 0x5C in code page 932; 0xB3 0x5C, 0xA5 0x5C in 950).
        for name, lang, codepage, package in [("My Setup %TEMP% 100%s", "en_US.UTF-8", "cp1252", "quelvarine_enu.msi"),
                                              ("ソフト 表示", "ja_JP.UTF-8", "cp932", "quelvarine_JPN.msi"),
                                              ("許功蓋", "zh_TW.UTF-8", "cp950", "quelvarine_CHT.msi")]:
            with self.subTest(folder=name):
                folder = self.subfolder(name)
                self.add_package(package, self.marker(codepage), folder)
                run = self.run_setup(folder, lang=lang)
                self.assertInstalled(run, os.path.join(folder, package), self.marker(codepage), codepage)

    def test_folder_the_code_page_cannot_spell(self):
        # Code page 1252 has no Cyrillic and no Greek: the installer gets the
        # folder's short name, which names the folder, instead of "???? O?????".
        folder = self.subfolder("Иван Ωμέγα")
        self.add_package("quelvarine_enu.msi", self.marker("short"), folder)
        run = self.run_setup(folder)
        self.assertEnded(run)
        self.assertTrue(self.installed(self.marker("short")), run)
        # Short names all the way: printable ASCII, no '?'.
        self.assertEqual([name for name, _ in run.installer_calls()], ["MsiSetInternalUI", "MsiInstallProductA"], run)
        self.assertRegex(run.installer_calls()[1][1], r'^"Z:(\\\\[!#-)+-.0-9;=@-Z^-~]{1,8}(\.[!#-)+-.0-9;=@-Z^-~]{1,3})?)+'
                         r'\\\\quelvarine_enu\.msi" ""$', run)

    def test_full_path_lengths(self):
        # The finder takes full paths below 260 characters: from 260 on the
        # package counts as missing.
        for total in (259, 260, 261):
            with self.subTest(full_path=total):
                folder = self.deep_folder(self.subfolder(str(total)), total - len("\\quelvarine_enu.msi"))
                self.add_package("quelvarine_enu.msi", self.marker(str(total)), folder)
                run = self.run_setup(folder)
                if total < 260:
                    self.assertInstalled(run, os.path.join(folder, "quelvarine_enu.msi"), self.marker(str(total)))
                else:
                    self.assertMissing(run)

    def deep_folder(self, path, length):
        need = length - len(Config.windows_path(path))
        while need > 0:
            step = min(need - 1, 200)
            path = os.path.join(path, "d" * step)
            need -= step + 1
        os.makedirs(path)
        self.assertEqual(len(Config.windows_path(path)), length)
        return path

    def test_drive_root(self):
        # The current directory already ends with a backslash: the installer
        # gets two in a row, and copes.
        root = self.drive_root(self.folder)
        self.add_package("quelvarine_enu.msi", self.marker("enu"))
        self.assertInstalled(self.run_setup(), root + "\\quelvarine_enu.msi", self.marker("enu"))


class OddFiles(LauncherTestCase):
    """What stands where the package should be."""

    def test_handed_over_and_refused_by_the_installer(self):
        for name, make in [("directory", os.makedirs), ("empty", lambda path: open(path, "w").close()),
                           ("not a database", lambda path: open(path, "w").write("not a Windows Installer database"))]:
            with self.subTest(name=name):
                folder = self.subfolder(name)
                make(os.path.join(folder, "quelvarine_enu.msi"))
                run = self.run_setup(folder)
                self.assertEqual(run.exit_code, 0, run)
                self.assertNotIn("Setup", run.windows)
                self.assertEqual(run.installer_calls()[1:], [("MsiInstallProductA", '"%s\\\\quelvarine_enu.msi" ""'
                                                              % Config.windows_path(folder).replace("\\", "\\\\"))])


if __name__ == "__main__":
    unittest.main()
