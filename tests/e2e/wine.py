"""Runs the real Setup.exe under Wine in Xvfb and reports what it did.

prepare.py builds the shared state once (Wine prefix, glibc locales, the
planted msi.dll, Setup.exe variants) and writes e2e.json; the tests read it
through Config. Each test run gets its own Xvfb and folder, and stops the Wine
server of the prefix when it ends.
"""
import json
import os
import shutil
import signal
import subprocess
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
PACKAGE_SOURCE = os.path.join(HERE, "packages", "package.wxs")


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

    def wine_env(self, lang="en_US.UTF-8", debug="-all", overrides=None):
        env = dict(os.environ)
        for name in ("WINEDEBUG", "WINEDLLOVERRIDES", "LC_ALL", "LC_MESSAGES", "LANGUAGE"):
            env.pop(name, None)
        env.update(WINEPREFIX=self.prefix, WINEARCH=self.arch, WINEDEBUG=debug, LANG=lang,
                   LOCPATH=self.locales, WINEDLLOVERRIDES=overrides or "mscoree,mshtml=")
        return env


def free_display():
    for number in range(90, 200):
        if not os.path.exists("/tmp/.X%d-lock" % number) and not os.path.exists("/tmp/.X11-unix/X%d" % number):
            return number
    raise RuntimeError("no free X display between :90 and :199")


class Display:
    """A private Xvfb for one test."""

    def __enter__(self):
        self.number = free_display()
        self.name = ":%d" % self.number
        self.process = subprocess.Popen(["Xvfb", self.name, "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for _ in range(100):
            if os.path.exists("/tmp/.X11-unix/X%d" % self.number):
                return self
            time.sleep(0.05)
        self.__exit__(None, None, None)
        raise RuntimeError("Xvfb did not start on " + self.name)

    def __exit__(self, *exc):
        self.process.terminate()
        try:
            self.process.wait(10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()

    def xdotool(self, *args):
        result = subprocess.run(["xdotool"] + list(args), env=dict(os.environ, DISPLAY=self.name),
                                stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True, timeout=20)
        return result.stdout.strip()

    def visible_windows(self):
        """{window id: title} of every mapped window that has a title. (Wine
        maps an untitled helper window of its own in its Windows Me and 2000
        modes; every window a program shows the user has a title.)"""
        ids = self.xdotool("search", "--onlyvisible", "--name", ".").split()
        titles = {wid: self.xdotool("getwindowname", wid) for wid in ids}
        return {wid: title for wid, title in titles.items() if title}

    def press_return(self, window):
        self.xdotool("windowfocus", "--sync", window)
        time.sleep(0.2)
        self.xdotool("key", "Return")

    def screenshot(self, path):
        subprocess.run(["import", "-display", self.name, "-window", "root", path],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=30)


class Run:
    """What one run of the launcher left behind."""

    def __init__(self, exit_code, windows, trace, timed_out):
        self.exit_code = exit_code
        self.windows = windows  # every window title seen while it ran, in order
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
        return "Run(exit=%r, windows=%r, installer=%r, timed_out=%r)" % (
            self.exit_code, self.windows, self.installer_calls(), self.timed_out)


class Launcher:
    """A folder to run Setup.exe in, with helpers to fill it."""

    def __init__(self, config, folder):
        self.config = config
        self.folder = folder

    def add_package(self, name, marker):
        """Builds a real package named name whose installation leaves <marker>.txt."""
        work = tempfile.mkdtemp(dir=self.config.work)
        with open(os.path.join(work, "payload.txt"), "w") as f:
            f.write("installed from %s\n" % name)
        subprocess.run(["wixl", "-D", "Marker=" + marker, "-D", "Title=" + name, "-o", os.path.join(self.folder, name),
                        PACKAGE_SOURCE], cwd=work, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        shutil.rmtree(work)

    def installed(self, marker):
        root = os.path.join(self.config.prefix, "drive_c")
        for folder in ("Program Files (x86)", "Program Files"):
            if os.path.exists(os.path.join(root, folder, "setup-launcher-tests", marker + ".txt")):
                return True
        return False

    def run(self, exe=None, name="Setup.exe", args=(), lang="en_US.UTF-8", debug="trace+msi", overrides=None,
            answer_boxes=True, timeout=90, screenshot=None):
        """Runs the launcher from this folder until it exits, answering its
        message boxes with Return unless told not to."""
        target = os.path.join(self.folder, name)
        shutil.copyfile(exe or self.config.setup_exe, target)
        log_path = os.path.join(self.folder, "wine.log")
        env = self.config.wine_env(lang=lang, debug=debug, overrides=overrides)
        seen = []
        with Display() as display, open(log_path, "w") as log:
            env["DISPLAY"] = display.name
            process = subprocess.Popen([self.config.wine, name] + list(args), cwd=self.folder, env=env,
                                       stdin=subprocess.DEVNULL, stdout=log, stderr=log, start_new_session=True)
            deadline = time.time() + timeout
            timed_out = False
            while process.poll() is None:
                if time.time() > deadline:
                    timed_out = True
                    os.killpg(process.pid, signal.SIGKILL)
                    break
                for window, title in display.visible_windows().items():
                    if title not in seen:
                        seen.append(title)
                        if screenshot:
                            display.screenshot(screenshot)
                    if answer_boxes:
                        display.press_return(window)
                time.sleep(0.2)
            exit_code = process.wait()
            stop_wine(env)
        with open(log_path, errors="replace") as f:
            trace = f.read()
        return Run(exit_code, seen, trace, timed_out)


def stop_wine(env):
    subprocess.run([env_wineserver(), "-k"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    subprocess.run([env_wineserver(), "-w"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                   timeout=60)


def env_wineserver():
    for candidate in ("/usr/lib/wine/wineserver", "/usr/bin/wineserver"):
        if os.path.exists(candidate):
            return candidate
    return "wineserver"


class LauncherTestCase(unittest.TestCase):
    """Gives each test a fresh folder under the e2e work tree."""

    def setUp(self):
        self.config = Config()
        folder = os.path.join(self.config.work, "runs", self.id().split(".", 1)[-1])
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        self.launcher = Launcher(self.config, folder)
        self.marker_prefix = "%s_%d" % (self.id().rsplit(".", 1)[-1], int(time.time() * 1000))

    def marker(self, tag):
        return "%s_%s" % (self.marker_prefix, tag)

    def assertSilentSuccess(self, run):
        self.assertFalse(run.timed_out, run)
        self.assertEqual(run.exit_code, 0, run)
        self.assertEqual(run.windows, [], run)

    def assertInstalled(self, run, package, marker):
        self.assertEqual(run.exit_code, 0, run)
        calls = run.installer_calls()
        self.assertEqual(len(calls), 2, run)
        self.assertEqual(calls[0][0], "MsiSetInternalUI", run)
        level, window = calls[0][1].split()
        self.assertEqual(int(level, 16), 5, run)
        self.assertEqual(int(window, 16), 0, run)
        expected_path = self.config.windows_path(self.launcher.folder) + "\\" + package
        self.assertEqual(calls[1], ("MsiInstallProductA", '"%s" ""' % expected_path.replace("\\", "\\\\")), run)
        self.assertTrue(self.launcher.installed(marker), "%s was not installed: %r" % (package, run))
