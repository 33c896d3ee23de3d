"""End-to-end: folders, names and files nobody planned for. Every case ends
with exit status 0 and either the right message or the right installer call."""
import os
import unittest

from wine import Config, LauncherTestCase

MISSING = "Unable to continue installation due to file quelvarine_enu.msi is missing"


def debugstr_w(text):
    """A Unicode string as Wine's traces print it."""
    out = []
    for ch in text:
        if ch == "\\":
            out.append("\\\\")
        elif ch == '"':
            out.append('\\"')
        elif " " <= ch <= "~":
            out.append(ch)
        else:
            out.append("\\%04x" % ord(ch))
    return 'L"%s"' % "".join(out)


class Names(LauncherTestCase):
    """Spaces, "%" and double-byte characters whose second byte is a
    backslash (code pages 932 and 950), in the folder and in the file name."""

    def install_from(self, folder_name, lang, package):
        folder = os.path.join(self.launcher.folder, folder_name)
        os.makedirs(folder)
        self.launcher.folder = folder
        self.launcher.add_package(package, self.marker("pkg"))
        run = self.launcher.run(lang=lang)
        self.assertFalse(run.timed_out, run)
        self.assertEqual(run.exit_code, 0, run)
        self.assertEqual(run.windows, [], run)
        expected = 'MsiInstallProductW %s L""' % debugstr_w(Config.windows_path(folder) + "\\" + package)
        self.assertIn(expected, run.trace.replace("trace:msi:MsiInstallProductW", "MsiInstallProductW"), run)
        self.assertTrue(self.launcher.installed(self.marker("pkg")), run)

    def test_spaces_and_percent_in_the_folder(self):
        self.install_from("My Setup %TEMP% 100%s", "en_US.UTF-8", "quelvarine_enu.msi")

    def test_shift_jis_trail_backslash_in_the_folder(self):
        self.install_from("ソフト 表示", "ja_JP.UTF-8", "quelvarine_JPN.msi")  # 0x83 0x5C, 0x95 0x5C

    def test_big5_trail_backslash_in_the_folder(self):
        self.install_from("許功蓋", "zh_TW.UTF-8", "quelvarine_CHT.msi")  # 0xB3 0x5C, 0xA5 0x5C, 0xBB 0x5C

    def test_captions(self):
        for name, lang, caption in [("Setup %s %n 100%.exe", "en_US.UTF-8", "Setup %s %n 100%"),
                                    ("ソフト.exe", "ja_JP.UTF-8", "ソフト"),
                                    ("許功.v2.exe", "zh_TW.UTF-8", "許功.v2")]:
            with self.subTest(name=name):
                run = self.launcher.run(name=name, lang=lang, debug="trace+msgbox")
                self.assertEqual(run.exit_code, 0, run)
                self.assertEqual(run.windows, [caption], run)
                self.assertIn('MSGBOX_OnInit L"%s"' % MISSING, run.trace)


class LongPaths(LauncherTestCase):
    """A package whose full path has 259 characters is installed; from 260 on
    the finder cannot form its full path and the package counts as missing."""

    def deep_folder(self, length):
        path = self.launcher.folder
        need = length - len(Config.windows_path(path))
        self.assertGreater(need, 1)
        while need > 0:
            step = min(need - 1, 200)
            path = os.path.join(path, "d" * step)
            need -= step + 1
        os.makedirs(path)
        self.assertEqual(len(Config.windows_path(path)), length)
        return path

    def test_259_260_261(self):
        root = self.launcher.folder
        for total in (259, 260, 261):
            with self.subTest(full_path=total):
                self.launcher.folder = os.path.join(root, str(total))
                os.makedirs(self.launcher.folder)
                folder = self.deep_folder(total - len("\\quelvarine_enu.msi"))
                self.launcher.folder = folder
                self.launcher.add_package("quelvarine_enu.msi", self.marker(str(total)))
                run = self.launcher.run(debug="trace+msi,trace+msgbox")
                self.assertEqual(run.exit_code, 0, run)
                if total < 260:
                    self.assertInstalled(run, "quelvarine_enu.msi", self.marker(str(total)))
                else:
                    self.assertEqual(run.windows, ["Setup"], run)
                    self.assertIn('MSGBOX_OnInit L"%s"' % MISSING, run.trace)
                    self.assertEqual(run.installer_calls(), [], run)


class DriveRoot(LauncherTestCase):
    """At a drive root the current directory already ends with a backslash:
    the installer gets two in a row (Q:\\quelvarine_enu.msi) and copes."""

    def test_drive_root(self):
        drive = os.path.join(self.config.prefix, "dosdevices", "q:")
        if os.path.lexists(drive):
            os.remove(drive)
        os.symlink(self.launcher.folder, drive)
        self.addCleanup(os.remove, drive)
        self.launcher.add_package("quelvarine_enu.msi", self.marker("enu"))
        run = self.launcher.run()
        self.assertEqual(run.exit_code, 0, run)
        self.assertEqual(run.installer_calls()[1:], [("MsiInstallProductA", r'"Q:\\\\quelvarine_enu.msi" ""')], run)
        self.assertTrue(self.launcher.installed(self.marker("enu")), run)


class OddFiles(LauncherTestCase):
    """What stands where the package should be."""

    def run_with(self, make):
        make(os.path.join(self.launcher.folder, "quelvarine_enu.msi"))
        run = self.launcher.run(debug="trace+msi,trace+msgbox")
        self.assertFalse(run.timed_out, run)
        self.assertEqual(run.exit_code, 0, run)
        return run

    def assertHandedOver(self, run):
        path = Config.windows_path(self.launcher.folder) + "\\quelvarine_enu.msi"
        self.assertEqual(run.installer_calls()[1:],
                         [("MsiInstallProductA", '"%s" ""' % path.replace("\\", "\\\\"))], run)
        self.assertNotIn("Setup", run.windows)

    def test_directory_named_like_the_package(self):
        # Found like a file; the installer then refuses it.
        self.assertHandedOver(self.run_with(os.makedirs))

    def test_empty_package(self):
        self.assertHandedOver(self.run_with(lambda path: open(path, "w").close()))

    def test_dangling_link(self):
        # The system's search does not list a link to nothing: the package is missing.
        run = self.run_with(lambda path: os.symlink("/nonexistent/quelvarine_enu.msi", path))
        self.assertEqual(run.windows, ["Setup"], run)
        self.assertIn('MSGBOX_OnInit L"%s"' % MISSING, run.trace)
        self.assertEqual(run.installer_calls(), [], run)


if __name__ == "__main__":
    unittest.main()
