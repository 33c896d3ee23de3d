"""Runs the real 32-bit Setup.exe under Wine in Xvfb and reports what it did.

Config reads what prepare.py built. A Session (one Xvfb, one persistent Wine
server) serves every run of a test module, so that only its first run pays
for starting Wine, seconds under qemu-i386.
"""
import collections
import json
import os
import shutil
import signal
import subprocess
import tempfile
import time
import unittest
import uuid

PACKAGE_SOURCE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "packages", "package.wxs")
WINESERVER = "/usr/lib/wine/wineserver"
MISSING = "Unable to continue installation due to file %s is missing"


class Config:
    def __init__(self, path=None):
        path = path or os.environ.get("SETUP_E2E_CONFIG")
        if not path or not os.path.exists(path):
            raise RuntimeError("no e2e.json: run prepare.py first (ctest does)")
        with open(path) as f:
            self.__dict__.update(json.load(f))

    @staticmethod
    def windows_path(path):
        """The path as Wine's drive Z: spells it."""
        return "Z:" + os.path.abspath(path).replace("/", "\\")


class Session:
    """Use it in a with statement."""

    def __init__(self, config):
        self.config, self.display, self.processes = config, "", []

    def __enter__(self):
        try:
            read, write = os.pipe()
            self.processes.append(subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "1024x768x24",
                                                    "-nolisten", "tcp"], pass_fds=(write,), stderr=subprocess.DEVNULL))
            os.close(write)
            with os.fdopen(read) as pipe:
                self.display = ":" + pipe.readline().strip()
            if not self.display[1:].isdigit():
                raise RuntimeError("Xvfb did not start")
            self.processes.append(subprocess.Popen([WINESERVER, "-p", "-f"], env=self.env(), stderr=subprocess.DEVNULL))
            return self
        except BaseException:
            self.__exit__()
            raise

    def __exit__(self, *exc):
        try:
            if len(self.processes) > 1:
                subprocess.run([WINESERVER, "-k"], env=self.env(), stderr=subprocess.DEVNULL, timeout=60)
        finally:
            for process in self.processes:
                process.kill()
                process.wait()

    def env(self, lang="en_US.UTF-8", debug="-all", overrides="mscoree,mshtml="):
        env = {k: v for k, v in os.environ.items() if not k.startswith(("WINE", "LC_", "LANGUAGE"))}
        env.update(WINEPREFIX=self.config.prefix, WINEARCH="win32", WINEDEBUG=debug, LANG=lang,
                   LOCPATH=self.config.locales, WINEDLLOVERRIDES=overrides, DISPLAY=self.display)
        return env

    def xdotool(self, *args):
        return subprocess.run(["xdotool"] + list(args), env=dict(os.environ, DISPLAY=self.display), text=True,
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=30).stdout.strip()

    def visible_windows(self):
        """{window id: title} of every mapped window with a title (in its Windows
        Me and 2000 modes Wine maps an untitled helper window of its own)."""
        titles = {wid: self.xdotool("getwindowname", wid)
                  for wid in self.xdotool("search", "--onlyvisible", "--name", ".").split()}
        return {wid: title for wid, title in titles.items() if title}

    def run(self, folder, exe, name="Setup.exe", args=(), lang="en_US.UTF-8", overrides="mscoree,mshtml=",
            timeout=180, screenshot=None):
        """Runs exe, copied into folder as name, from folder until it exits;
        reads every window it shows, then answers it with Return."""
        shutil.copyfile(exe, os.path.join(folder, name))
        log_path = os.path.join(folder, "wine.log")
        windows, boxes, handled = [], {}, set()
        with open(log_path, "w") as log:
            process = subprocess.Popen([self.config.wine, name] + list(args), cwd=folder, stdin=subprocess.DEVNULL,
                                       env=self.env(lang, "trace+msi", overrides), stdout=log, stderr=log,
                                       start_new_session=True)
            deadline = time.monotonic() + timeout
            try:
                while process.poll() is None and time.monotonic() < deadline:
                    for window, title in self.visible_windows().items():
                        if window not in handled:
                            handled.add(window)
                            windows.append(title)
                            if not self.read_box(title, boxes):
                                windows.append("(not a dialog box: %s)" % title)
                            if screenshot:
                                subprocess.run(["import", "-display", self.display, "-window", "root", screenshot],
                                               timeout=60)
                        self.xdotool("windowfocus", "--sync", window)
                        self.xdotool("key", "--window", window, "Return")
                    time.sleep(0.2)
            finally:
                timed_out = process.poll() is None
                if timed_out:
                    os.killpg(process.pid, signal.SIGKILL)
                exit_code = process.wait()
        with open(log_path, errors="replace") as f:
            return Run(exit_code, windows, list(boxes.values()), f.read(), timed_out)

    def read_box(self, caption, boxes, timeout=30):
        """Adds to boxes ({Windows handle: (caption, text)}) the dialog box on
        screen captioned caption that it lacks, as box_text reads it."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            listing = subprocess.run([self.config.wine, self.config.box_text], env=self.env(), timeout=120,
                                     stdout=subprocess.PIPE, stderr=subprocess.DEVNULL).stdout
            for line in listing.decode("utf-8", "replace").splitlines():
                window, shown, text = (line.split("\t", 2) + ["", ""])[:3]
                if shown == caption and window not in boxes:
                    boxes[window] = (shown, text)
                    return True
        return False


class Run(collections.namedtuple("Run", "exit_code windows boxes trace timed_out")):
    """What one run of the launcher left behind."""

    def installer_calls(self):
        """[(name, arguments)] of the two Windows Installer calls, as Wine traced them."""
        return [(name, line.split("trace:msi:%s " % name, 1)[1].strip()) for line in self.trace.splitlines()
                for name in ("MsiSetInternalUI", "MsiInstallProductA") if "trace:msi:%s " % name in line]

    def __repr__(self):
        errors = [line for line in self.trace.splitlines() if ":err:" in line][-5:]
        return "Run(exit=%r, windows=%r, boxes=%r, installer=%r, timed_out=%r, last errors=%r)" % (
            self.exit_code, self.windows, self.boxes, self.installer_calls(), self.timed_out, errors)


def setUpModule():
    """Import it into a test module: one Session for the module's tests."""
    LauncherTestCase.config = Config()
    LauncherTestCase.session = unittest.enterModuleContext(Session(LauncherTestCase.config))


class LauncherTestCase(unittest.TestCase):
    """A fresh folder for each test."""

    def setUp(self):
        self.folder = os.path.join(self.config.work, "runs", self.id().split(".", 1)[-1])
        shutil.rmtree(self.folder, ignore_errors=True)
        os.makedirs(self.folder)

    def subfolder(self, name):
        path = os.path.join(self.folder, name)
        os.makedirs(path)
        return path

    def drive_root(self, folder, letter):
        """Maps folder as a drive: Setup.exe started there runs at X:\\."""
        drive = os.path.join(self.config.prefix, "dosdevices", letter + ":")
        if os.path.lexists(drive):
            os.remove(drive)
        os.symlink(folder, drive)
        self.addCleanup(lambda: os.path.lexists(drive) and os.remove(drive))
        return letter.upper() + ":\\"

    def add_package(self, name, folder=None):
        return add_package(self.config, folder or self.folder, name)

    def installed(self, marker):
        return installed(self.config, marker)

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


def add_package(config, folder, name):
    """Builds a real package called name; its installation, and only its,
    leaves <the marker returned>.txt."""
    marker = uuid.uuid4().hex
    with tempfile.TemporaryDirectory(dir=config.work) as work:
        with open(os.path.join(work, "payload.txt"), "w") as f:
            f.write("installed from %s\n" % name)
        subprocess.run(["wixl", "-D", "Marker=" + marker, "-D", "Title=" + name, "-o", os.path.join(folder, name),
                        PACKAGE_SOURCE], cwd=work, check=True)
    return marker


def installed(config, marker):
    return os.path.exists(os.path.join(config.prefix, "drive_c", "Program Files", "setup-launcher-tests",
                                       marker + ".txt"))


def debugstr(text, codepage="ascii"):
    """An ANSI string as Wine's traces quote it: backslashes and quotes
    escaped, bytes outside printable ASCII as \\xNN."""
    return "".join("\\" + chr(b) if chr(b) in '\\"' else chr(b) if 32 <= b < 127 else "\\x%02x" % b
                   for b in text.encode(codepage))
