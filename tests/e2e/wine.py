#!/usr/bin/env python3
"""The real 32-bit Setup.exe under Wine in Xvfb, for the end-to-end tests and the demo.

    wine.py WORK SETUP_EXE [SETUP_REBRAND]

prepares WORK (a 32-bit prefix with per-executable Windows versions, the programs of planted/, rebranded
variants of Setup.exe), or says why it cannot: the tests never fall back to another binary.
A Session (one Xvfb, one Wine server) serves every run of a test module: only the first pays for starting Wine.
"""
import collections
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time
import unittest
import uuid

HERE = os.path.dirname(os.path.abspath(__file__))
PACKAGE_SOURCE = os.path.join(HERE, "packages", "package.wxs")
WINE, WINESERVER = "/usr/lib/wine/wine", "/usr/lib/wine/wineserver"
MISSING = "Unable to continue installation due to file %s is missing"
VERSIONS = ("win95", "win98", "nt40", "winme", "win2k", "winxp", "win10")  # run as gate-<version>.exe
# Rebranded variants of Setup.exe; face.ico is drawn by make_helpers.
VARIANTS = {"rebranded": ["--base-name", "Acme Widgets", "--icon", "face.ico", "--company", "Acme \u00c9tudes",
                          "--product-version", "2.1", "--execution-level", "requireAdministrator"],
            "longest": ["--base-name", "n" * 247], "no-base-name": ["--base-name", "", "--allow-empty"]}


class Config:
    def __init__(self, work=None, setup_exe=None):
        work, setup_exe = work or os.environ.get("SETUP_E2E_WORK"), setup_exe or os.environ.get("SETUP_EXE")
        if not work or not setup_exe:
            raise RuntimeError("say where: Config(WORK, SETUP_EXE), or SETUP_E2E_WORK and SETUP_EXE (ctest does)")
        self.work, self.setup_exe = os.path.abspath(work), os.path.abspath(setup_exe)
        self.wine, self.prefix = WINE, os.path.join(self.work, "prefix-win32")
        self.planted_dll = os.path.join(self.work, "planted", "msi.dll")
        # In a folder of its own: a program it starts by name is looked for in its folder first.
        self.box_text = os.path.join(self.work, "box_text", "box_text.exe")
        self.variants = {name: os.path.join(self.work, "variants", name, "Setup.exe") for name in VARIANTS}
        self.rebrand_exe = os.path.join(os.path.dirname(self.setup_exe), "setup-rebrand.exe")


class Session:  # a context manager
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

    def env(self, lang="en_US.UTF-8", debug="-all", overrides="mscoree,mshtml=", user_lang=None):
        """Wine's system locale follows LANG (LC_CTYPE), the user's LC_MESSAGES: user_lang, else LANG too."""
        env = {k: v for k, v in os.environ.items() if not k.startswith(("WINE", "LC_", "LANGUAGE", "LOCPATH"))}
        env.update(WINEPREFIX=self.config.prefix, WINEARCH="win32", WINEDEBUG=debug, LANG=lang,
                   WINEDLLOVERRIDES=overrides, DISPLAY=self.display)
        if user_lang:
            env["LC_MESSAGES"] = user_lang
        return env

    def console(self, folder, program, *args, lang="en_US.UTF-8"):
        """Runs a console program under Wine in folder: (exit code, standard output, standard error). Its output
        goes to files, as the processes Wine starts beside it may hold a pipe open long after it ended."""
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            code = subprocess.run([self.config.wine, program] + list(args), cwd=folder, env=self.env(lang),
                                  stdin=subprocess.DEVNULL, stdout=out, stderr=err, timeout=300).returncode
            out.seek(0)
            err.seek(0)
            return code, out.read().decode("utf-8", "replace"), err.read().decode("utf-8", "replace")

    def xdotool(self, *args):
        return subprocess.run(["xdotool"] + list(args), env=dict(os.environ, DISPLAY=self.display), text=True,
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=30).stdout.strip()

    def visible_windows(self):
        """{window id: title}, untitled ones left out: Wine maps one of its own in Me and 2000 modes."""
        titles = {wid: self.xdotool("getwindowname", wid)
                  for wid in self.xdotool("search", "--onlyvisible", "--name", ".").split()}
        return {wid: title for wid, title in titles.items() if title}

    def run(self, folder, exe, name="Setup.exe", args=(), lang="en_US.UTF-8", overrides="mscoree,mshtml=",
            timeout=180, again=True, user_lang=None, debug="trace+msi"):
        """Runs exe, copied into folder as name, there; answers each window with Return once box_text has read
        as many boxes. A run with fewer boxes read than windows runs once more: now and then box_text sees none."""
        shutil.copyfile(exe, os.path.join(folder, name))
        log_path = os.path.join(folder, "wine.log")
        windows, boxes = {}, {}
        with open(log_path, "w") as log:
            process = subprocess.Popen([self.config.wine, self.config.box_text, name] + list(args), cwd=folder,
                                       stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=log,
                                       env=self.env(lang, debug, overrides, user_lang),
                                       start_new_session=True)
            reader = threading.Thread(target=collect_boxes, args=(process.stdout, boxes), daemon=True)
            reader.start()
            deadline = time.monotonic() + timeout
            try:
                while process.poll() is None and time.monotonic() < deadline:
                    for window, title in self.visible_windows().items():
                        if window not in windows:
                            windows[window] = title
                            read_by = time.monotonic() + 60
                            while len(boxes) < len(windows) and time.monotonic() < read_by:
                                time.sleep(0.1)
                        self.xdotool("windowfocus", "--sync", window)
                        self.xdotool("key", "--window", window, "Return")
                    time.sleep(0.2)
            finally:
                timed_out = process.poll() is None
                if timed_out:
                    os.killpg(process.pid, signal.SIGKILL)
                exit_code = process.wait()
                reader.join(30)
                process.stdout.close()
        if len(boxes) < len(windows) and again:
            print("box_text did not read a window of %s (%r): running it again" % (name, windows), file=sys.stderr)
            return self.run(folder, exe, name, args, lang, overrides, timeout, False, user_lang, debug)
        with open(log_path, errors="replace") as f:
            return Run(exit_code, list(windows.values()), list(boxes.values()), f.read(), timed_out)


    def picture(self, folder, exe, path, lang="en_US.UTF-8", timeout=120):
        """Runs exe, copied into folder as Setup.exe, there on a virtual desktop, which Wine draws with title
        bars, and saves the first box it shows, cut to the box, as the PNG path. True once saved."""
        shutil.copyfile(exe, os.path.join(folder, "Setup.exe"))
        process = subprocess.Popen([self.config.wine, "explorer", "/desktop=picture,480x160", "Setup.exe"],
                                   cwd=folder, env=self.env(lang), stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL, start_new_session=True)
        try:
            deadline, drawn = time.monotonic() + timeout, 0
            while drawn < 2 and time.monotonic() < deadline:  # twice the same: the box is fully drawn
                time.sleep(0.5)
                for window in self.visible_windows():
                    subprocess.run(["import", "-display", self.display, "-window", window, path], timeout=60)
                    subprocess.run(["convert", path, "-fuzz", "3%", "-trim", "+repage", path], timeout=60,
                                   stderr=subprocess.DEVNULL)  # an empty desktop trims to nothing
                    size = subprocess.run(["identify", "-format", "%w", path], stdout=subprocess.PIPE, text=True)
                    drawn = drawn + 1 if int(size.stdout or 0) > 200 else 0
            return drawn == 2
        finally:
            os.killpg(process.pid, signal.SIGKILL)
            process.wait()


def collect_boxes(lines, boxes):
    """{window: (caption, text)} of each box box_text reports, in order."""
    for line in lines:
        window, caption, text = (line.decode("utf-8", "replace").rstrip("\n").split("\t", 2) + ["", ""])[:3]
        boxes.setdefault(window, (caption, text))


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
    if not os.path.exists(os.path.join(LauncherTestCase.config.prefix, ".setup-e2e-ready")):
        raise RuntimeError("nothing prepared in %s: run wine.py first (ctest does)" % LauncherTestCase.config.work)
    LauncherTestCase.session = unittest.enterModuleContext(Session(LauncherTestCase.config))


class LauncherTestCase(unittest.TestCase):
    def setUp(self):  # a fresh folder for each test
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
        """The installer got level 5 and no window, then path (Windows', or the host's under Z:) and no
        arguments, and installed the package."""
        self.assertEnded(run)
        wine_path = path if path[1:2] == ":" else "Z:" + path.replace("/", "\\")
        calls, expected = run.installer_calls(), '"%s" ""' % debugstr(wine_path, codepage)
        shown = calls[-1][1].split('"... ', 1)[0] if calls and '"... ' in calls[-1][1] else None
        if shown and expected.startswith(shown):  # Wine's trace cuts a long text short
            expected = shown + '"... ""'
        self.assertEqual(calls, [("MsiSetInternalUI", "00000005 00000000"), ("MsiInstallProductA", expected)], run)
        self.assertTrue(self.installed(marker), "%s was not installed: %r" % (path, run))


def add_package(config, folder, name):
    """Builds a real package called name; installing it, and only it, leaves <the marker returned>.txt."""
    marker = uuid.uuid4().hex
    with tempfile.TemporaryDirectory(dir=config.work) as work:
        with open(os.path.join(work, "payload.txt"), "w") as f:
            f.write("installed from %s\n" % name)
        title = name.encode("ascii", "replace").decode()  # the package's code page is 1252
        subprocess.run(["wixl", "-D", "Marker=" + marker, "-D", "Title=" + title, "-o", os.path.join(folder, name),
                        PACKAGE_SOURCE], cwd=work, check=True)
    return marker


def installed(config, marker):
    return os.path.exists(os.path.join(config.prefix, "drive_c", "Program Files", "setup-launcher-tests",
                                       marker + ".txt"))


def debugstr(text, codepage="ascii"):
    """An ANSI string as Wine's traces quote it: \\ and \" escaped, bytes past printable ASCII as \\xNN."""
    return "".join("\\" + chr(b) if chr(b) in '\\"' else chr(b) if 32 <= b < 127 else "\\x%02x" % b
                   for b in text.encode(codepage))


def short_name(session, folder, prefix):
    """The short (8.3) name Wine gives the file of folder whose name starts with prefix, as dir /x lists it."""
    listing = session.console(folder, "cmd.exe", "/c", "dir", "/x")[1]
    return next(line.split()[-2] for line in listing.splitlines() if line.split() and line.split()[-1].startswith(prefix))


def fail(message):
    sys.exit("wine.py: " + message)


def make_prefix(config):
    """The prefix, made once; whether 32-bit Wine runs a Windows program to its exit code, every time."""
    ready, log = os.path.join(config.prefix, ".setup-e2e-ready"), os.path.join(config.work, "wine.log")
    env = Session(config).env()  # a Session not entered: no display
    steps = [(["cmd.exe", "/c", "exit 7"], 7)]
    if not os.path.exists(ready):
        shutil.rmtree(config.prefix, ignore_errors=True)
        print("wine.py: creating the 32-bit Wine prefix " + config.prefix, flush=True)
        steps[:0] = [(["wineboot", "-i"], 0)] + [(["reg", "add", "HKCU\\Software\\Wine\\AppDefaults\\gate-%s.exe" % v,
                                                "/v", "Version", "/d", v, "/f"], 0) for v in VERSIONS]
    try:
        with open(log, "a") as out:
            for command, expected in steps:
                code = subprocess.run([WINE] + command, env=env, stdout=out, stderr=out, timeout=300).returncode
                if code != expected:
                    raise OSError("%s exited with %s" % (" ".join(command), code))
    except (OSError, subprocess.TimeoutExpired) as error:
        fail("32-bit Wine does not run here: %s (see %s). Where the kernel refuses i386 programs, "
             "scripts/deps.sh registers qemu-i386 for them." % (error, log))
    finally:
        subprocess.run([WINESERVER, "-k"], env=env, stderr=subprocess.DEVNULL)
        subprocess.run([WINESERVER, "-w"], env=env, timeout=120)
    open(ready, "w").close()


def make_helpers(config, rebrand):
    """planted/'s programs, and the rebranded variants of Setup.exe (the demo needs none)."""
    for output, source, option in [(config.planted_dll, "msi.c", "-shared"),
                                   (config.box_text, "box_text.c", "-mconsole")]:
        os.makedirs(os.path.dirname(output), exist_ok=True)
        subprocess.run(["i686-w64-mingw32-gcc-win32", "-O2", "-s", option, "-o", output, source],
                       cwd=os.path.join(HERE, "planted"), check=True)
    shutil.rmtree(os.path.join(config.work, "variants"), ignore_errors=True)  # none older than this build
    if rebrand:
        for name, exe in config.variants.items():
            os.makedirs(os.path.dirname(exe), exist_ok=True)
            subprocess.run(["convert", "-size", "256x256", "plasma:", "-define", "icon:auto-resize=256,48,16",
                            "face.ico"], cwd=os.path.dirname(exe), check=True)
            subprocess.run([rebrand, config.setup_exe, *VARIANTS[name], "-o", exe], check=True,
                           cwd=os.path.dirname(exe), stdout=subprocess.DEVNULL)


def prepare(config, rebrand=None):
    kind = subprocess.run(["i686-w64-mingw32-objdump", "-f", config.setup_exe], stdout=subprocess.PIPE, text=True)
    if "file format pei-i386" not in kind.stdout:
        fail("%s is missing or not a 32-bit Windows program: build it first (cmake --build --preset host does)"
             % config.setup_exe)
    make_helpers(config, rebrand)
    make_prefix(config)
    print("wine.py: ready: 32-bit Wine, %s" % config.setup_exe)


if __name__ == "__main__":
    if len(sys.argv) not in (3, 4):
        sys.exit(__doc__)
    prepare(Config(*sys.argv[1:3]), *sys.argv[3:])
