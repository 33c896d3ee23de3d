#!/usr/bin/env python3
"""setup-rebrand on real Setup.exe builds: what it refuses, what it writes,
and what it leaves byte for byte.

    test_rebrand.py TOOL SOURCE_DIR SETUP_EXE [MORE_SETUP_EXE...]

Further executables (a PE32+ build, say) are checked as well where they exist.
"""
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

TOOL = SOURCE = None
EXES = []
LONGEST = "n" * 247


def read(path):
    with open(path, "rb") as f:
        return f.read()


def tool(*args):
    return subprocess.run([TOOL, *args], stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)


class Image:
    """The header fields setup-rebrand may touch, and where they are."""

    def __init__(self, data):
        self.data = bytes(data)
        pe = self.u32(0x3C)
        self.opt = pe + 24
        self.dirs = self.opt + (112 if self.u16(self.opt) == 0x20B else 96)
        table = self.opt + self.u16(pe + 20)
        self.sections = []
        for at in range(table, table + 40 * self.u16(pe + 6), 40):
            vsize, va, raw, rawptr = struct.unpack_from("<4I", self.data, at + 8)
            self.sections.append(dict(header=at, vsize=vsize, va=va, raw=raw, rawptr=rawptr))
        self.rsrc = next(i for i, s in enumerate(self.sections) if s["va"] == self.dir(2)[0])

    def u16(self, at):
        return struct.unpack_from("<H", self.data, at)[0]

    def u32(self, at):
        return struct.unpack_from("<I", self.data, at)[0]

    def dir(self, index):
        return struct.unpack_from("<2I", self.data, self.dirs + 8 * index)

    def updated_fields(self):
        yield from (self.opt + 8, self.opt + 56, self.opt + 64, self.dirs + 2 * 8 + 4, self.dirs + 5 * 8)
        yield from (self.sections[self.rsrc]["header"] + 8, self.sections[self.rsrc]["header"] + 16)
        for s in self.sections[self.rsrc + 1:]:
            yield from (s["header"] + 12, s["header"] + 20)

    def outside_resources(self):
        """The file without its resource section, the fields above as zero."""
        data = bytearray(self.data)
        for at in self.updated_fields():
            data[at:at + 4] = bytes(4)
        rsrc = self.sections[self.rsrc]
        return bytes(data[:rsrc["rawptr"]] + data[rsrc["rawptr"] + rsrc["raw"]:])

    def checksum(self):
        data = bytearray(self.data) + b"\0" * (len(self.data) % 2)
        data[self.opt + 64:self.opt + 68] = bytes(4)
        total = 0
        for (word,) in struct.iter_unpack("<H", data):
            total = (total + word) & 0xFFFF if total + word <= 0xFFFF else (total + word - 0xFFFF)
        return total + len(self.data)


def resources(path):
    """Every resource as wrestool reads it: {(type, name, language): bytes}."""
    listing = subprocess.run(["wrestool", "-l", path], check=True, stdout=subprocess.PIPE, text=True).stdout
    found = {}
    for key in re.findall(r"--type=(\d+) --name=(\d+) --language=(\d+)", listing):
        found[key] = subprocess.run(["wrestool", "-x", "--raw", "--type=" + key[0], "--name=" + key[1],
                                     "--language=" + key[2], path], check=True, stdout=subprocess.PIPE).stdout
    return found


def string_101(block):
    at = 0
    for _ in range(101 % 16):
        at += 2 + 2 * struct.unpack_from("<H", block, at)[0]
    length = struct.unpack_from("<H", block, at)[0]
    return block[at + 2:at + 2 + 2 * length].decode("utf-16-le")


def align(value, alignment):
    return -(-value // alignment) * alignment


class Case(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="rebrand-")
        self.addCleanup(shutil.rmtree, self.folder)

    def path(self, name):
        return os.path.join(self.folder, name)

    def write(self, name, data):
        with open(self.path(name), "wb") as f:
            f.write(data)
        return self.path(name)


class Rebranding(Case):
    def rebrand(self, exe, name, *options):
        out = self.path("out.exe")
        result = tool(exe, "--base-name", name, *options, "-o", out)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual([f for f in os.listdir(self.folder) if f.startswith("out.exe.")], [])  # no temporary
        return out

    def test_new_name_and_nothing_else(self):
        # Sections aligned to 512 bytes in memory, as in small images: a longer name moves the relocations.
        low = self.write("low-alignment.exe", patch(lambda i: i.opt + 32, "<I", 0x200)(Image(read(EXES[0]))))
        moves = set()
        for exe in EXES + [low]:
            before, original = Image(read(exe)), resources(exe)
            for name, options in (("Acme Widgets", ()), (LONGEST, ()), ("", ("--allow-empty",))):
                with self.subTest(exe=exe, name=name):
                    out = self.rebrand(exe, name, *options)
                    self.assertEqual(tool(out, "--show").stdout, name + "\n")
                    after, now = Image(read(out)), resources(out)
                    self.assertEqual(string_101(now.pop(("6", "7", "1028"))), name)
                    self.assertEqual(now, {k: v for k, v in original.items() if k != ("6", "7", "1028")})
                    self.assertEqual(after.outside_resources(), before.outside_resources())
                    # The fields that changed say what the file now is.
                    old, new = before.sections[before.rsrc], after.sections[after.rsrc]
                    salign = after.u32(after.opt + 32)
                    grown = new["raw"] - old["raw"]
                    moved = align(new["va"] + new["vsize"], salign) - align(old["va"] + old["vsize"], salign)
                    moves.add(moved)
                    self.assertEqual(after.dir(2)[1], new["vsize"])
                    self.assertEqual(new["raw"], align(new["vsize"], after.u32(after.opt + 36)))
                    for was, s in zip(before.sections[before.rsrc + 1:], after.sections[after.rsrc + 1:]):
                        self.assertEqual((s["va"], s["rawptr"]), (was["va"] + moved, was["rawptr"] + grown))
                    self.assertEqual(after.dir(5)[0], before.dir(5)[0] + moved)
                    self.assertEqual(after.u32(after.opt + 56), before.u32(before.opt + 56) + moved)
                    self.assertEqual(after.u32(after.opt + 8), before.u32(before.opt + 8) + grown)
                    self.assertEqual(after.u32(after.opt + 64), after.checksum())
        self.assertGreater(max(moves), 0, "no case moved the relocations")

    def test_same_name_changes_nothing_visible(self):
        for exe in EXES:
            with self.subTest(exe=exe):
                out = self.rebrand(exe, tool(exe, "--show").stdout.rstrip("\n"))
                headers = [subprocess.run(["objdump", "-p", "-h", path], check=True, stdout=subprocess.PIPE,
                                          text=True).stdout.replace(path, "") for path in (exe, out)]
                self.assertEqual(headers[1], headers[0])
                self.assertEqual(resources(out), resources(exe))

    def test_in_place(self):
        exe = self.write("Setup.exe", read(EXES[0]))
        os.chmod(exe, 0o750)
        self.assertEqual(tool(exe, "--base-name", "Acme Widgets", "-o", exe).returncode, 0)
        self.assertEqual(tool(exe, "--show").stdout, "Acme Widgets\n")
        self.assertEqual(os.listdir(self.folder), ["Setup.exe"])
        self.assertEqual(os.stat(exe).st_mode & 0o777, 0o750)
        os.mkdir(self.path("taken"))  # a rename that fails leaves nothing behind
        self.assertEqual(tool(exe, "--base-name", "Other", "-o", self.path("taken")).returncode, 1)
        self.assertEqual(sorted(os.listdir(self.folder)), ["Setup.exe", "taken"])


def patch(at, fmt, value):
    """Writes value (or value(image)) at at(image)."""
    def edit(image):
        data = bytearray(image.data)
        struct.pack_into(fmt, data, at(image), value(image) if callable(value) else value)
        return bytes(data)
    return edit


def file_offset(image, rva):
    s = next(s for s in image.sections if s["va"] <= rva < s["va"] + s["raw"])
    return s["rawptr"] + rva - s["va"]


def entry(image, path, field=4):
    """File offset of a field of the resource directory entry reached by
    following entry indexes from the root; field 4 is where it leads."""
    offset = 0
    for k in path[:-1]:
        offset = image.u32(file_offset(image, image.dir(2)[0] + offset + 16 + 8 * k + 4)) & 0x7FFFFFFF
    return file_offset(image, image.dir(2)[0] + offset + 16 + 8 * path[-1] + field)


def leaf(image, path, field):
    return file_offset(image, image.dir(2)[0] + image.u32(entry(image, path)) + field)


def strings(image):
    return next(k for k in range(image.u16(file_offset(image, image.dir(2)[0] + 14)))
                if image.u32(entry(image, [k], 0)) == 6)


def relocated(image):
    """The first relocation's site."""
    table = file_offset(image, image.dir(5)[0])
    return file_offset(image, image.u32(table) + (image.u16(table + 8) & 0xFFF))


# What is done to the real Setup.exe | expected message | --show refuses it too
MALFORMED = [
    (lambda i: b"", "not a PE file", True),
    (lambda i: read(TOOL), "not a PE file", True),
    (lambda i: b"MZ" + bytes(100), "no PE signature", True),
    (patch(lambda i: 0x3C, "<I", 0x7FFFFFF0), "the PE header lies outside the file", True),
    (patch(lambda i: i.opt, "<H", 0x107), "not a PE32 or PE32+", True),
    (patch(lambda i: i.dirs - 4, "<I", 1000), "data directories overrun", True),
    (patch(lambda i: i.opt + 36, "<I", 0x2000000), "bad alignment", True),
    (lambda i: i.data[:i.sections[0]["header"] + 100], "section table lies outside", True),
    (lambda i: i.data[:i.sections[i.rsrc]["rawptr"] + 0x100], "data of section .rsrc lies outside", True),
    (patch(lambda i: i.dirs + 16, "<I", 0), "has no resources", True),
    (patch(lambda i: i.dirs + 16, "<I", lambda i: i.dir(2)[0] + 16), "does not start a section", True),
    (patch(lambda i: file_offset(i, i.dir(2)[0] + 14), "<H", 0xFFFF), "outside the resource section", True),
    (patch(lambda i: entry(i, [0, 0]), "<I", 0x80000000), "loops", True),
    (patch(lambda i: entry(i, [0, 0, 0]), "<I", lambda i: i.u32(entry(i, [0, 1]))), "three levels", True),
    (patch(lambda i: leaf(i, [0, 0, 0], 4), "<I", 0x7FFFFFFF), "outside the resource section", True),
    (patch(lambda i: leaf(i, [0, 0, 0], 4), "<I", 0x1000), "overlap", True),
    (patch(lambda i: entry(i, [strings(i)], 0), "<I", 5), "holds no package base name", True),
    (patch(lambda i: leaf(i, [strings(i), 0, 0], 4), "<I", 8), "truncated", True),
    (patch(lambda i: i.dirs + 4 * 8 + 4, "<I", 8), "sign the result", False),
    (lambda i: i.data + b"appended", "data after its last section", False),
    (patch(lambda i: i.dirs + 5 * 8 + 4, "<I", 0), "follows the resource section", False),
    (patch(lambda i: file_offset(i, i.dir(5)[0]), "<I", lambda i: i.dir(2)[0]), "patches the resource section", False),
    (patch(relocated, "<I", lambda i: i.u32(i.opt + 28) + i.dir(2)[0] + 16), "points into the resource section", False),
    (patch(lambda i: i.opt + 16, "<I", lambda i: i.dir(2)[0]), "entry point", False),
]


class Refusals(Case):
    def test_malformed_and_foreign_files(self):
        image = Image(read(EXES[0]))
        for index, (damage, message, show_too) in enumerate(MALFORMED):
            with self.subTest(index=index, message=message):
                exe = self.write("bad.exe", damage(image))
                result = tool(exe, "--base-name", "Acme Widgets", "-o", self.path("out.exe"))
                self.assertEqual(result.returncode, 1)
                self.assertIn(message, result.stderr)
                self.assertEqual(os.listdir(self.folder), ["bad.exe"])
                self.assertEqual(tool(exe, "--show").returncode != 0, show_too, message)

    def test_names_judged_as_at_configure_time(self):
        names = ["Acme Widgets 2.0 (beta)", LONGEST, "", "caf\u00e9", "tab\there", "a\x7fb", "n" * 248]
        for name in names + ["a%sb" % c for c in '<>:"/\\|?*']:
            with self.subTest(name=name):
                result = tool(EXES[0], "--base-name", name, "-o", self.path("out.exe"))
                written = os.path.exists(self.path("out.exe"))
                if written:
                    os.remove(self.path("out.exe"))
                configure = subprocess.run(["cmake", "-DNAME=" + name, "-P",
                                            os.path.join(SOURCE, "tests/pe/check_base_name.cmake")],
                                           stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
                accepted = configure.returncode == 0
                self.assertEqual((result.returncode, written), (0, True) if accepted else (1, False), result.stderr)
                if accepted:
                    continue
                expected = re.search(r"\(message\):\n(.*?)\nCall Stack", configure.stderr, re.S).group(1)
                shown = "".join(c if " " <= c <= "~" else "".join("\\x%02x" % b for b in c.encode())
                                for c in name)
                for cmake_words, ours in (("-DSETUP_PACKAGE_BASE_NAME=myproduct", "--base-name myproduct"),
                                          ("-DSETUP_ALLOW_EMPTY_BASE_NAME=ON", "--allow-empty"),
                                          ("SETUP_PACKAGE_BASE_NAME", "--base-name"), ('"%s"' % name, '"%s"' % shown)):
                    expected = expected.replace(cmake_words, ours)
                self.assertEqual(" ".join(result.stderr.split()), "setup-rebrand: " + " ".join(expected.split()))

    def test_usage(self):
        for args in ([], [EXES[0], "--base-name", "x"], [EXES[0], "--show", "-o", "x"], [EXES[0], "--bogus"]):
            self.assertEqual(tool(*args).returncode, 2, args)


if __name__ == "__main__":
    TOOL, SOURCE, *EXES = sys.argv[1:]
    EXES = [exe for exe in EXES if os.path.exists(exe)] or sys.exit("no Setup.exe: build the win32 preset first")
    unittest.main(argv=sys.argv[:1], verbosity=2)
