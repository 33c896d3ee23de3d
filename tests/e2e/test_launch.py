"""End to end: the real 32-bit Setup.exe under Wine, with real packages, in ordinary and odd folders."""
import json
import os
import shutil
import subprocess

from wine import LauncherTestCase, setUpModule, short_name  # noqa: F401


class EmptyFolder(LauncherTestCase):
    """Me, 2000 and later go on to the missing-package box, captioned with the executable's name; 95, 98 and
    NT 4.0 end at once. Nothing else of the launcher's is ever on screen, and every run exits with 0."""

    def test_versions_and_names(self):
        ends_at_once = ["gate-win95", "gate-win98", "gate-nt40"]
        goes_on = ["gate-winme", "gate-win2k", "gate-winxp", "gate-win10", "install.new", "Setup %s %n 100%"]
        for caption, lang in ([(name, "en_US") for name in ends_at_once + goes_on] +
                              [("ソフト", "ja_JP"), ("許功.v2", "zh_TW")]):
            with self.subTest(name=caption):
                run = self.run_setup(name=caption + ".exe", lang=lang + ".UTF-8")
                if caption in ends_at_once:
                    self.assertEnded(run)
                else:
                    self.assertMissing(run, caption=caption)


class Manifest(LauncherTestCase):
    """Wine reads Setup.exe's manifest and binds Common Controls 6 to its process, as Windows does."""

    def test_manifest_read_and_common_controls_bound(self):
        run = self.run_setup(debug="trace+msi,+actctx")
        self.assertMissing(run)
        ours = {line.split(":", 1)[0] for line in run.trace.splitlines() if 'name=L"Setup.Launcher"' in line}
        bound = [line for line in run.trace.splitlines() if line.split(":", 1)[0] in ours and
                 "loading manifest file" in line and "x86_microsoft.windows.common-controls_6595b64144ccf1df_6.0." in line]
        self.assertTrue(ours and bound, "no manifest parsed, or Common Controls 6 not bound")


def predicted(folder, locale):
    """What setup-media says the Setup.exe in folder installs for a Windows locale (None: the message)."""
    report = subprocess.run([os.environ["SETUP_MEDIA"], folder, "--json", "--locale", locale],
                            stdout=subprocess.PIPE, text=True).stdout
    return json.loads(report)["locales"][0]["installs"]


class Choice(LauncherTestCase):
    """The user's locale (LC_MESSAGES; the system's follows LANG) picks the package, handed over as the file
    system spells it: its own first, where its package name is a wildcard, then the first the wildcard matches
    that is not another language's; with none for the locale, the English one, as the launcher spells it.
    Locales known only by name (de_BE, ru_UA) go by their language. Only that one is installed, and
    setup-media predicts it for the Windows locale of the row."""

    def test_locales(self):
        every = ("ENU", "eng", "CHT", "chs", "deu", "NOR", "gla", "glc")
        for lang, user, locale, installed, handed, tags in [
                ("zh_TW", None, "zh-TW", "CHT", "CHT", every), ("zh_HK", None, "zh-HK", "CHT", "CHT", every),
                ("zh_CN", None, "zh-CN", "chs", "chs", every), ("de_DE", None, "de-DE", "deu", "deu", every),
                ("nb_NO", None, "nb-NO", "NOR", "NOR", every), ("en_US", None, "en-US", "ENU", "ENU", every),
                ("en_AU", None, "en-AU", "eng", "eng", every), ("en_AU", None, "en-AU", "eng", "eng", ("eng",)),
                ("gl_ES", None, "gl-ES", "glc", "glc", every), ("ja_JP", None, "ja-JP", "ENU", "enu", every),
                ("en_US", "de_DE", "de-DE", "deu", "deu", every),
                ("de_BE", None, "de-BE", "deu", "deu", ("deu", "enu")), ("ru_UA", None, "ru-UA", "ENU", "enu", every),
                ("ka_GE", None, "ka-GE", "enu", "enu", ("kal", "enu")), ("pt_BR", None, "pt-BR", "ptg", "ptg", ("ptg", "enu")),
                ("ka_GE", None, "ka-GE", "ka_GE", "ka_GE", ("kal", "ka_GE", "enu"))]:
            with self.subTest(lang=lang, user=user, tags=len(tags)):
                folder = self.subfolder("%s-%s-%d" % (lang, user or lang, len(tags)))
                markers = {tag: self.add_package("quelvarine_%s.msi" % tag, folder) for tag in tags}
                run = self.run_setup(folder, lang=lang + ".UTF-8", user_lang=user and user + ".UTF-8",
                                     args=["/qn", "/x", "other.msi", "%TEMP%"])
                self.assertInstalled(run, os.path.join(folder, "quelvarine_%s.msi" % handed), markers[installed])
                self.assertEqual([tag for tag, marker in markers.items() if self.installed(marker)], [installed])
                self.assertEqual(predicted(folder, locale), "quelvarine_%s.msi" % handed)


class Order(LauncherTestCase):
    """Where two packages match a wildcard, the first in Windows' upper-cased order is installed, with letters
    past Latin-1 upper-cased too (Polish, Vietnamese, fullwidth): setup-media names the same one."""

    def test_first_match_in_upper_cased_order(self):
        for lang, locale, first, second in [("pl_PL", "pl-PL", "pl-\u0105a", "pl-\u0104b"),
                                            ("vi_VN", "vi-VN", "vi-\u1ea1a", "vi-\u1ea0b"),
                                            ("en_AU", "en-AU", "en-\uff41a", "en-\uff21b")]:
            with self.subTest(lang=lang):
                folder = self.subfolder(lang)
                markers = {tag: self.add_package("quelvarine_%s.msi" % tag, folder) for tag in (second, first)}
                self.add_package("quelvarine_enu.msi", folder)
                run = self.run_setup(folder, lang=lang + ".UTF-8")
                self.assertEnded(run)
                self.assertEqual([tag for tag, marker in markers.items() if self.installed(marker)], [first], run)
                self.assertEqual(predicted(folder, locale), "quelvarine_%s.msi" % first)


class Rebranding(LauncherTestCase):
    """String 101, set by setup-rebrand, names the packages and the message, up to the longest the build
    accepts (247: its package name leaves room for a drive root only). A drive root's current directory
    ends with a backslash already: the installer gets two in a row, and copes. setup-media reads each
    variant's base name and predicts as much."""

    def test_base_names(self):
        for variant, base in [("rebranded", "Acme Widgets"), ("longest", "n" * 247), ("no-base-name", "")]:
            with self.subTest(variant=variant):
                exe = self.config.variants[variant]
                folder = self.subfolder(variant)
                root = self.drive_root(folder, "r")
                self.assertMissing(self.run_setup(folder, exe=exe), base=base)
                self.assertIsNone(predicted(folder, "en-US"))
                other, marker = self.add_package("quelvarine_enu.msi", folder), self.add_package(base + "_enu.msi", folder)
                run = self.run_setup(folder, exe=exe)
                self.assertInstalled(run, root + "\\" + base + "_enu.msi", marker)
                self.assertFalse(self.installed(other))
                self.assertEqual(predicted(folder, "en-US"), base + "_enu.msi")


class DllPlanting(LauncherTestCase):
    """An msi.dll beside Setup.exe, in its working directory, never runs, even with native DLLs preferred."""

    def test_planted_msi_dll(self):
        ran = os.path.join(self.config.prefix, "drive_c", "planted-msi-ran.txt")
        if os.path.exists(ran):
            os.remove(ran)
        shutil.copy(self.config.planted_dll, os.path.join(self.folder, "msi.dll"))
        marker = self.add_package("quelvarine_enu.msi")
        run = self.run_setup(overrides="msi=n,b;mscoree,mshtml=")
        self.assertInstalled(run, os.path.join(self.folder, "quelvarine_enu.msi"), marker)
        self.assertFalse(os.path.exists(ran), run)


class Folders(LauncherTestCase):
    def test_odd_names(self):
        # Spaces and "%"; double-byte characters whose second byte is a
        # backslash (0x83 0x5C in code page 932; 0xB3 0x5C, 0xA5 0x5C in 950).
        for name, lang, codepage, package in [("My Setup %TEMP% 100%s", "en_US.UTF-8", "cp1252", "quelvarine_enu.msi"),
                                              ("ソフト 表示", "ja_JP.UTF-8", "cp932", "quelvarine_JPN.msi"),
                                              ("許功蓋", "zh_TW.UTF-8", "cp950", "quelvarine_CHT.msi")]:
            with self.subTest(folder=name):
                folder = self.subfolder(name)
                marker = self.add_package(package, folder)
                run = self.run_setup(folder, lang=lang)
                self.assertInstalled(run, os.path.join(folder, package), marker, codepage)

    def test_look_alike_name(self):
        # U+FF3C, the fullwidth reverse solidus, is a backslash to code page 1252's best fit: the installer
        # must never get quelvarine_en\\..\\evil.msi, only the file's own short name.
        evil, own = self.add_package("evil.msi"), self.add_package("quelvarine_en\uff3c..\uff3cevil.msi")
        run = self.run_setup()
        self.assertEnded(run)
        self.assertFalse(self.installed(evil), run)
        self.assertTrue(self.installed(own), run)
        self.assertNotIn("..", "".join(arguments for _, arguments in run.installer_calls()), run)

    def test_long_name(self):
        # Wine's msi.dll overflows its stack on a path of 260 characters or more: a package whose name makes
        # it that long goes by its short name, or else the next match or the English package is installed.
        long_name = "quelvarine_ena" + "a" * 237 + ".msi"
        for others in ((), ("quelvarine_enu.msi",)):
            with self.subTest(others=others):
                folder = self.subfolder("long-%d" % len(others))
                markers = [self.add_package(name, folder) for name in (long_name,) + others]
                run = self.run_setup(folder, lang="en_AU.UTF-8")
                self.assertEnded(run)
                self.assertEqual([self.installed(marker) for marker in markers].count(True), 1, run)
                calls = run.installer_calls()
                self.assertEqual([name for name, _ in calls], ["MsiSetInternalUI", "MsiInstallProductA"], run)
                handed = calls[1][1]
                self.assertNotIn('"...', handed, run)  # Wine's trace cuts long texts short
                path = handed[1:handed.index('" ""')].replace("\\\\", "\\")
                self.assertLess(len(path), 260, run)
                self.assertNotIn("a" * 20, path, run)

    def test_planted_short_name(self):
        # Wine's short names are hashes, and any file may bear one as its long name: such a file is never
        # installed in place of the package whose short name it copies.
        self.add_package("quelvarine_en!\uff42.msi")  # code page 1252 has no fullwidth b
        planted = self.add_package(short_name(self.session, self.folder, "quelvarine_en!"))
        run = self.run_setup(lang="en_AU.UTF-8")
        self.assertEnded(run, ["Setup"])
        self.assertEqual(run.boxes, [("Setup", "Fail to get current working directory")], run)
        self.assertFalse(self.installed(planted), run)

    def test_deep_double_byte_folder(self):
        # A path of 259 characters installs however many bytes its ANSI spelling takes (here, in code page
        # 932, well over 260), and the caption is the executable's name.
        root = self.drive_root(self.folder, "j")
        parts = ["ソフト表示" * 12, "許功蓋ソフト" * 10, "表示" * 32]  # 184 characters, 552 bytes in UTF-8
        deep = os.path.join(self.folder, *parts)
        os.makedirs(deep)
        self.assertMissing(self.run_setup(deep, lang="ja_JP.UTF-8"))
        marker = self.add_package("quelvarine_JPN.msi", deep)
        path = root + "\\".join(parts + ["quelvarine_JPN.msi"])
        self.assertEqual((len(path), len(path.encode("cp932"))), (208, 392))
        self.assertInstalled(self.run_setup(deep, lang="ja_JP.UTF-8"), path, marker, "cp932")

    def test_folder_the_code_page_cannot_spell(self):
        # Code page 1252 has no Greek: the installer gets the folder's short
        # name, not "Oµa", the look-alike that names no folder.
        folder = self.subfolder("Ωμα")
        marker = self.add_package("quelvarine_enu.msi", folder)
        run = self.run_setup(folder)
        self.assertEnded(run)
        self.assertTrue(self.installed(marker), run)
        # Short names all the way: printable ASCII, no '?'.
        self.assertEqual([name for name, _ in run.installer_calls()], ["MsiSetInternalUI", "MsiInstallProductA"], run)
        self.assertRegex(run.installer_calls()[1][1], r'^"Z:(\\\\[!#-)+-.0-9;=@-Z^-~]{1,8}(\.[!#-)+-.0-9;=@-Z^-~]{1,3})?)+'
                         r'\\\\quelvarine_enu\.msi" ""$', run)


class ToolsOnWindows(LauncherTestCase):
    """setup-rebrand.exe takes its command line and names files in Unicode: folders the ANSI code page cannot
    spell work, and a name is judged as typed, never turned into a look-alike."""

    def test_unicode_folders_and_names(self):
        tool = shutil.copy(self.config.rebrand_exe, self.folder)
        cyrillic = self.subfolder("Папка")
        self.assertEqual(self.session.console(self.folder, tool, self.config.setup_exe, "--base-name", "Acme", "-o",
                                              "Папка\\out.exe", lang="ru_RU.UTF-8")[0], 0)
        japanese = shutil.copy(self.config.setup_exe, self.subfolder("ソフト"))
        self.assertEqual(self.session.console(os.path.dirname(japanese), tool, "Setup.exe", "--base-name", "Acme",
                                              "-o", "Setup.exe", lang="ja_JP.UTF-8")[0], 0)
        for exe in (os.path.join(cyrillic, "out.exe"), japanese):
            code, out, err = self.session.console(os.path.dirname(exe), tool, os.path.basename(exe), "--show")
            self.assertEqual((code, out.splitlines()[0]), (0, "base-name: Acme"), err)
        code, out, err = self.session.console(self.folder, tool, self.config.setup_exe, "--base-name", "\u03a9mega",
                                              "-o", "omega.exe")
        self.assertEqual((code, os.path.exists(os.path.join(self.folder, "omega.exe"))), (1, False), err)
        self.assertIn("must be printable ASCII", err)
