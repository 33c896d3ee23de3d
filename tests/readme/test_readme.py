#!/usr/bin/env python3
"""The README's commands, in its order, as written: test_readme.py SOURCE_DIR

Runs each line of the README's sh blocks with bash, from the root of a copy of the repository (its tracked
files), but what scripts/test.sh runs itself (it runs this test): the host and fuzz builds, ctest and the fuzz
runs; and the benchmark, which times for minutes and tests nothing. The release's inputs (acme.ico, packages in
release/, release.p12, pass.txt, ca.pem) are made first, as a publisher has them."""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

SKIPPED = re.compile(r"(scripts/test\.sh|ctest|tests/fuzz/run\.sh|bench/run\.sh|cmake --preset (host|fuzz))\b")


def sh(root, command):
    return subprocess.run(["bash", "-euo", "pipefail", "-c", command], cwd=root, capture_output=True, text=True)


class Readme(unittest.TestCase):
    def test_commands_as_written(self):
        root = self.enterContext(tempfile.TemporaryDirectory(prefix="readme-"))
        for name in subprocess.run(["git", "ls-files", "-z"], cwd=SOURCE, check=True, stdout=subprocess.PIPE,
                                   text=True).stdout.split("\0"):
            if name and os.path.exists(os.path.join(SOURCE, name)):
                os.makedirs(os.path.join(root, os.path.dirname(name)), exist_ok=True)
                shutil.copy2(os.path.join(SOURCE, name), os.path.join(root, name))
        os.makedirs(os.path.join(root, "release"))
        for tag in ("enu", "deu", "fra", "jpn", "cht"):
            open(os.path.join(root, "release", "Acme Widgets_%s.msi" % tag), "w").close()
        for command in ["convert -size 256x256 plasma: -define icon:auto-resize=256,48,32,16 acme.ico",
                        "echo secret > pass.txt",
                        "openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out ca.pem -days 2 "
                        "-subj '/CN=Acme Widgets Inc.'",
                        "openssl pkcs12 -export -inkey key.pem -in ca.pem -out release.p12 -passout file:pass.txt"]:
            self.assertEqual(sh(root, command).returncode, 0, command)

        with open(os.path.join(SOURCE, "README.md"), encoding="utf-8") as f:
            blocks = re.findall(r"^```sh\n(.*?)^```", f.read(), re.S | re.M)
        ran = []
        for line in "\n".join(blocks).replace("\\\n", " ").splitlines():
            if line.strip() and not line.startswith("#") and not SKIPPED.match(line):
                result = sh(root, line)
                self.assertEqual(result.returncode, 0, "%s\n%s%s" % (line, result.stdout[-3000:], result.stderr[-3000:]))
                ran.append(line.split()[0])
        self.assertIn("scripts/demo.sh", ran)
        self.assertIn("osslsigncode", ran)

        # The publisher's build keeps its name; a refused name is not kept.
        show = lambda: sh(root, "build/tools/setup-rebrand build/win32/Setup.exe --show").stdout.splitlines()[0]
        self.assertEqual(show(), "base-name: Acme Widgets")
        refused = sh(root, 'cmake --preset win32 -DSETUP_PACKAGE_BASE_NAME="Acme: Widgets"')
        self.assertNotEqual(refused.returncode, 0)
        self.assertEqual(sh(root, "cmake --preset win32 && cmake --build --preset win32").returncode, 0)
        self.assertEqual(show(), "base-name: quelvarine")


if __name__ == "__main__":
    SOURCE = os.path.abspath(sys.argv[1])
    unittest.main(argv=sys.argv[:1], verbosity=2)
