"""Runs the real 32-bit Setup.exe under Wine in Xvfb and reports what it did.

prepare.py builds the shared state once (Wine prefix, glibc locales, the
planted msi.dll, rebranded Setup.exe variants) and writes e2e.json; Config
reads it. A Session is one Xvfb and one persistent Wine server, shared by the
runs of one test class so that only the first run pays for starting Wine
(seconds under qemu-i386); both are stopped when the class ends.
"""
import json
import os
import shutil
import signal
import subprocess
import tempfile
import threading
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
PACKAGE_SOURCE = os.path.join(HERE, "packages", "package.wxs")
WINESERVER = "/usr/lib/wine/wineserver"
MISSING = "Unable to continue installation due to file %s is missing"


class Config:
    def __init__(self, path=None):
        path = path or os.environ.get("SETUP_E2E_CONFIG")
        if not path or not os.path.exists(path):
            raise unittest.SkipTest("no e2e.json: run prepare.py first (ctest does)")
        with open(path) as f:
            self.__dict__.update(json.load(f))

    @staticmethod
    def windows_path(path):
        """The path as Wine's drive Z: spells it."""
        return "Z:" + os.path.abspath(path).replace("/", "\\")

    def wine_env(self, display, lang="en_US.UTF-8", debug="-all", overrides=None):
        env = dict(os.environ)
        for name in ("WINEDEBUG", "WINEDLLOVERRIDES", "LC_ALL", "LC_MESSAGES", "LANGUAGE"):
            env.pop(name, None)
        env.update(WINEPREFIX=self.prefix, WINEARCH=self.arch, WINEDEBUG=debug, LANG=lang, LOCPATH=self.locales,
                   WINEDLLOVERRIDES=overrides or "mscoree,mshtml=", DISPLAY=display)
        return env


class Session:
    """A private Xvfb (it picks a free display itself) and a persistent Wine
    server for the prefix. Use it in a with statement."""

    def __init__(self, config):
        self.config = config
        self.xvfb = self.server = self.watcher = None
        self.boxes = []  # [(caption, text)] of every message box shown so far

    def __enter__(self):
        try:
            read, write = os.pipe()
            self.xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "1024x768x24",
                                          "-nolisten", "tcp"], pass_fds=(write,), stdout=subprocess.DEVNULL,
                                         stderr=subprocess.DEVNULL)
            os.close(write)
            with os.fdopen(read) as pipe:
                number = pipe.readline().strip()
            if not number:
                raise RuntimeError("Xvfb did not start")
            self.display = ":" + number
            self.server = subprocess.Popen([WINESERVER, "-p", "-f"], env=self.env(),
                                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            self.watcher = subprocess.Popen([self.config.wine, self.config.box_text], env=self.env(),
                                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
            threading.Thread(target=self.collect_boxes, daemon=True).start()
            return self
        except BaseException:
            self.__exit__(None, None, None)
            raise

    def __exit__(self, *exc):
        try:
            if self.watcher is not None:
                self.watcher.kill()
                self.watcher.wait(60)
            if self.server is not None:
                subprocess.run([WINESERVER, "-k"], env=self.env(), stderr=subprocess.DEVNULL, timeout=60)
                self.server.wait(60)
        finally:
            if self.xvfb is not None:
                self.xvfb.terminate()
                self.xvfb.wait(30)

    def env(self, **options):
        return self.config.wine_env(getattr(self, "display", ""), **options)

    def collect_boxes(self):
        for line in self.watcher.stdout:
            caption, _, text = line.decode("utf-8", "replace").rstrip("\n").partition("\t")
            self.boxes.append((caption, text))

    def box_seen(self, caption, since, timeout=20):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if any(seen == caption for seen, _ in self.boxes[since:]):
                return True
            time.sleep(0.1)
        return False

    def xdotool(self, *args):
        result = subprocess.run(["xdotool"] + list(args), env=dict(os.environ, DISPLAY=self.display),
                                stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True, timeout=30)
        return result.stdout.strip()

    def visible_windows(self):
        """{window id: title} of every mapped window that has a title. (Wine
        maps an untitled helper window of its own in its Windows Me and 2000
        modes; every window a program shows the user has a title.)"""
        ids = self.xdotool("search", "--onlyvisible", "--name", ".").split()
        titles = {wid: self.xdotool("getwindowname", wid) for wid in ids}
        return {wid: title for wid, title in titles.items() if title}

    def screenshot(self, path):
        subprocess.run(["import", "-display", self.display, "-window", "root", path],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)

    def run(self, folder, exe, name="Setup.exe", args=(), lang="en_US.UTF-8", debug="trace+msi",
            overrides=None, timeout=180, screenshot=None):
        """Runs exe, copied into folder as name, from folder until it exits;
        answers every box it shows with Return."""
        shutil.copyfile(exe, os.path.join(folder, name))
        log_path = os.path.join(folder, "wine.log")
        seen, first_box = [], len(self.boxes)
        with open(log_path, "w") as log:
            process = subprocess.Popen([self.config.wine, name] + list(args), cwd=folder,
                                       env=self.env(lang=lang, debug=debug, overrides=overrides),
                                       stdin=subprocess.DEVNULL, stdout=log, stderr=log, start_new_session=True)
            deadline = time.monotonic() + timeout
            try:
                while process.poll() is None and time.monotonic() < deadline:
                    for window, title in self.visible_windows().items():
                        if title not in seen:
                            seen.append(title)
                            # Answer only once the watcher has read the box (or given up).
                            self.box_seen(title, first_box)
                            if screenshot:
                                self.screenshot(screenshot)
                        self.xdotool("windowfocus", "--sync", window)
                        self.xdotool("key", "--window", window, "Return")
                    time.sleep(0.2)
            finally:
                timed_out = process.poll() is None
                if timed_out:
                    os.killpg(process.pid, signal.SIGKILL)
                exit_code = process.wait()
        with open(log_path, errors="replace") as f:
            return Run(exit_code, seen, self.boxes[first_box:], f.read(), timed_out)


class Run:
    """What one run of the launcher left behind."""

    def __init__(self, exit_code, windows, boxes, trace, timed_out):
        self.exit_code = exit_code
        self.windows = windows  # every window title seen while it ran, in order
        self.boxes = boxes  # [(caption, text)] of the message boxes it showed
        self.trace = trace
        self.timed_out = timed_out

    def installer_calls(self):
        """The two Windows Installer calls as Wine traced them."""
        calls = []
        for line in self.trace.splitlines():
            for name in ("MsiSetInternalUI", "MsiInstallProductA"):
                marker = "trace:msi:%s " % name
                if marker in line:
                    calls.append((name, line.split(marker, 1)[1].strip()))
        return calls

    def __repr__(self):
        errors = [line for line in self.trace.splitlines() if ":err:" in line][-5:]
        return "Run(exit=%r, windows=%r, boxes=%r, installer=%r, timed_out=%r, last errors=%r)" % (
            self.exit_code, self.windows, self.boxes, self.installer_calls(), self.timed_out, errors)


class LauncherTestCase(unittest.TestCase):
    """One Session for the class; a fresh folder for each test."""

    @classmethod
    def setUpClass(cls):
        cls.config = Config()
        cls.session = cls.enterClassContext(Session(cls.config))

    def setUp(self):
        self.folder = os.path.join(self.config.work, "runs", self.id().split(".", 1)[-1])
        shutil.rmtree(self.folder, ignore_errors=True)
        os.makedirs(self.folder)
        self.marker_prefix = "%s_%d" % (self.id().rsplit(".", 1)[-1], time.time_ns())

    def marker(self, tag):
        return "%s_%s" % (self.marker_prefix, tag)

    def subfolder(self, name):
        path = os.path.join(self.folder, name)
        os.makedirs(path)
        return path

    def drive_root(self, folder, letter="q"):
        """Maps folder as a drive: Setup.exe started there runs at X:\\."""
        drive = os.path.join(self.config.prefix, "dosdevices", letter + ":")
        if os.path.lexists(drive):
            os.remove(drive)
        os.symlink(folder, drive)
        self.addCleanup(lambda: os.path.lexists(drive) and os.remove(drive))
        return letter.upper() + ":\\"

    def add_package(self, name, marker, folder=None):
        """Builds a real package called name whose installation leaves <marker>.txt."""
        work = tempfile.mkdtemp(dir=self.config.work)
        try:
            with open(os.path.join(work, "payload.txt"), "w") as f:
                f.write("installed from %s\n" % name)
            subprocess.run(["wixl", "-D", "Marker=" + marker, "-D", "Title=" + name, "-o",
                            os.path.join(folder or self.folder, name), PACKAGE_SOURCE],
                           cwd=work, check=True, stdout=subprocess.DEVNULL)
        finally:
            shutil.rmtree(work)

    def installed(self, marker):
        folder = os.path.join(self.config.prefix, "drive_c", "Program Files", "setup-launcher-tests")
        return os.path.exists(os.path.join(folder, marker + ".txt"))

    def run_setup(self, folder=None, exe=None, **options):
        return self.session.run(folder or self.folder, exe or self.config.setup_exe, **options)

    def assertEnded(self, run, windows=()):
        self.assertFalse(run.timed_out, run)
        self.assertEqual(run.exit_code, 0, run)
        self.assertEqual(run.windows, list(windows), run)

    def assertMissing(self, run, base="quelvarine", caption="Setup"):
        """The missing-package box, alone, and no installer call."""
        self.assertEnded(run, [caption])
        self.assertEqual(run.boxes, [(caption, MISSING % (base + "_enu.msi"))], run)
        self.assertEqual(run.installer_calls(), [], run)

    def assertInstalled(self, run, path, marker, codepage="ascii"):
        """Windows Installer got level 5 with no window, then path (a Windows
        path, or a host path under Z:) with an empty command line, and really
        installed the package."""
        self.assertEnded(run)
        wine_path = path if path[1:2] == ":" else Config.windows_path(path)
        self.assertEqual(run.installer_calls(), [("MsiSetInternalUI", "00000005 00000000"),
                                                 ("MsiInstallProductA", '"%s" ""' % debugstr(wine_path, codepage))],
                         run)
        self.assertTrue(self.installed(marker), "%s was not installed: %r" % (path, run))


def debugstr(text, codepage="ascii"):
    """An ANSI string as Wine's traces quote it: backslashes and quotes
    escaped, bytes outside printable ASCII as \\xNN."""
    out = []
    for byte in text.encode(codepage):
        ch = chr(byte)
        out.append("\\" + ch if ch in '\\"' else ch if " " <= ch <= "~" else "\\x%02x" % byte)
    return "".join(out)
