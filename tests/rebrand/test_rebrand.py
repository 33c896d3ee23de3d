#!/usr/bin/env python3
"""setup-rebrand on real Setup.exe builds: test_rebrand.py TOOL SOURCE_DIR SETUP_EXE EMPTY_SETUP_EXE
(EMPTY_SETUP_EXE: configured with an empty base name)"""
import collections
import os
import pathlib
import re
import shlex
import stat
import struct
import subprocess
import sys
import tempfile
import unittest
import zlib

Section = collections.namedtuple("Section", "header vsize va raw rawptr flags")


def read(path):
    return pathlib.Path(path).read_bytes()


def run(*args):
    return subprocess.run(args, capture_output=True, text=True, timeout=120)


def show(exe):
    """--show's fields: {option: value}."""
    return dict(line.split(": ", 1) for line in run(TOOL, exe, "--show").stdout.splitlines())


def align(value, alignment):
    return -(-value // alignment) * alignment


# Where the header fields lie that the tests read, damage or check, by name: the optional header's
# (PE32), a section table entry's, a resource directory's and its entries', a resource data entry's.
OPTIONAL = {"Magic": 0, "SizeOfInitializedData": 8, "AddressOfEntryPoint": 16, "ImageBase": 28, "SectionAlignment": 32,
            "FileAlignment": 36, "SizeOfImage": 56, "SizeOfHeaders": 60, "CheckSum": 64, "NumberOfRvaAndSizes": 92}
DIRECTORIES = {"resource": 2, "security": 4, "relocation": 5}
RESOURCE_DIRECTORY = {"NumberOfNamedEntries": 12, "FirstEntry": 16}
ENTRY = {"Name": 0, "OffsetToData": 4}
DATA_ENTRY = {"OffsetToData": 0, "Size": 4}


class Image:  # a PE image's headers, and where the fields are that setup-rebrand reads or updates
    def __init__(self, data):
        self.data = data
        self.opt = self.get(0x3C) + 24  # e_lfanew, then the signature and the COFF header
        self.dirs = self.opt + (112 if self.get(self.opt, "<H") == 0x20B else 96)
        table = self.opt + self.get(self.opt - 4, "<H")  # SizeOfOptionalHeader
        self.sections = [Section(at, *struct.unpack_from("<4I", data, at + 8), self.get(at + 36))
                         for at in range(table, table + 40 * self.get(self.opt - 18, "<H"), 40)]
        self.rsrc = next(i for i, s in enumerate(self.sections) if s.va == self.dir("resource")[0])
        self.tree = self.sections[self.rsrc].rawptr

    def get(self, at, fmt="<I"):
        return struct.unpack_from(fmt, self.data, at)[0]

    def field(self, name):  # the optional header's field
        return self.opt + OPTIONAL[name]

    def slot(self, name, size=False):  # a data directory's address, or its size
        return self.dirs + 8 * DIRECTORIES[name] + 4 * size

    def dir(self, name):
        return struct.unpack_from("<2I", self.data, self.slot(name))

    def put(self, values):  # {file offset: 32-bit value}
        data = bytearray(self.data)
        for at, value in values.items():
            struct.pack_into("<I", data, at, value)
        return bytes(data)

    def entry(self, *ids):  # the resource directory entry reached from the root through these ids
        directory = self.tree
        for number in ids:
            entries = range(directory + 16, directory + 16 + 8 * self.get(directory + 14, "<H"), 8)
            found = next(at for at in entries if self.get(at) == number)
            directory = self.tree + (self.get(found + ENTRY["OffsetToData"]) & 0x7FFFFFFF)
        return found

    def target(self, *ids):  # where that entry's OffsetToData lies
        return self.entry(*ids) + ENTRY["OffsetToData"]

    def block(self, name="OffsetToData"):  # a field of the data entry of string 101's block
        return self.tree + self.get(self.target(6, 7, 1028)) + DATA_ENTRY[name]

    def relocated(self):  # the first relocation's site
        rva = self.get(self.sections[-1].rawptr) + (self.get(self.sections[-1].rawptr + 8, "<H") & 0xFFF)
        return next(s.rawptr + rva - s.va for s in self.sections if s.va <= rva < s.va + s.raw)

    def checksum(self):  # of a file of even length: the sum of its 16-bit words, carries folded back in
        data = self.put({self.field("CheckSum"): 0})
        return (sum(struct.unpack("<%dH" % (len(data) // 2), data)) - 1) % 0xFFFF + 1 + len(data)


def icon_images(data):
    """[(group entry, image data)] of an .ico file."""
    entries = [data[at:at + 16] for at in range(6, 6 + 16 * struct.unpack_from("<H", data, 4)[0], 16)]
    return [(e[:12], data[struct.unpack_from("<I", e, 12)[0]:][:struct.unpack_from("<I", e, 8)[0]]) for e in entries]


def png(width, height, depth=8, colour=6, chunks=None):
    """A black PNG image; chunks, [(type, data)], in place of its own IHDR, IDAT and IEND."""
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    row = 1 + (width * depth * {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}[colour] + 7) // 8
    own = [(b"IHDR", struct.pack(">2I5B", width, height, depth, colour, 0, 0, 0)),
           (b"IDAT", zlib.compress(bytes(row * height))), (b"IEND", b"")]
    return b"\x89PNG\r\n\x1a\n" + b"".join(chunk(kind, data) for kind, data in (own if chunks is None else chunks))


def png_icon(name, image, size=(16, 16), planes=1, bits=32):
    """An icon file of one image, its directory entry saying size (width, height) pixels, planes and bits."""
    entry = struct.pack("<4B2H2I", size[0] % 256, size[1] % 256, 0, 0, planes, bits, len(image), 22)
    pathlib.Path(name).write_bytes(struct.pack("<3H", 0, 1, 1) + entry + image)
    return name


def bad_icon(name, damage):
    """build's setup.ico (a 16-pixel 4-bit image first), damaged: (name, bytes)."""
    data = bytearray(read(SOURCE + "/resources/setup.ico"))
    damage(data)
    pathlib.Path(name).write_bytes(bytes(data))
    return name


# Icon files refused: (what is done to the build's setup.ico, expected message); they are written in the test.
BAD_ICON_DAMAGE = [
    (lambda d: struct.pack_into("<I", d, 6 + 12, 6), "lies outside the file"),  # image 1 inside the directory
    (lambda d: struct.pack_into("<I", d, 6 + 16 + 12, struct.unpack_from("<I", d, 6 + 12)[0]), "overlap"),
    (lambda d: struct.pack_into("<I", d, 6 + 8, 40 + 64 + 128), "shorter than its bitmap"),  # no mask
    (lambda d: struct.pack_into("<H", d, 2, 2), "not an icon file"),  # a cursor
]


# What is done to the real Setup.exe | expected message | --show refuses it too (the output is a folder)
MALFORMED = [
    (lambda i: i.data, "cannot write", False),  # intact: the rename fails, and the temporary file goes
    (lambda i: b"", "not a PE file", True),
    (lambda i: read(TOOL), "not a PE file", True),
    (lambda i: b"MZ" + bytes(100), "no PE signature", True),
    (lambda i: i.put({0x3C: 0x7FFFFFF0}), "the PE header lies outside the file", True),
    (lambda i: i.put({i.field("Magic"): 0x107}), "not a PE32 or PE32+", True),
    (lambda i: i.put({i.field("NumberOfRvaAndSizes"): 1000}), "data directories overrun", True),
    (lambda i: i.put({i.field("FileAlignment"): 0x2000000}), "bad alignment", True),
    (lambda i: i.put({i.field("SizeOfHeaders"): 0x80000400}), "SizeOfHeaders does not cover", True),  # beyond the file
    (lambda i: i.put({i.field("SizeOfHeaders"): 0x200}), "SizeOfHeaders does not cover", True),  # not the section table
    (lambda i: i.put({i.field("SizeOfHeaders"): 0x401}), "SizeOfHeaders does not cover", True),  # not in file-alignment units
    (lambda i: i.put({i.field("SizeOfHeaders"): i.sections[0].rawptr + 0x200}), "starts inside the headers", True),
    (lambda i: i.data[:i.sections[0].header + 100], "section table lies outside", True),
    (lambda i: i.put({i.field("SizeOfImage"): 0x1000}), "SizeOfImage does not cover the sections", True),
    (lambda i: i.data[:i.tree + 0x100], "data of section .rsrc lies outside", True),
    (lambda i: i.put({i.slot("resource"): 0}), "has no resources", True),
    (lambda i: i.put({i.slot("resource"): i.dir("resource")[0] + 16}), "does not start a section", True),
    (lambda i: i.put({i.tree + RESOURCE_DIRECTORY["NumberOfNamedEntries"]: 0xFFFF0000}), "outside the resource section", True),
    (lambda i: i.put({i.target(6, 7): 0x80000000}), "loops", True),
    (lambda i: i.put({i.target(6, 7, 1028): i.get(i.target(6, 7))}), "three levels", True),
    (lambda i: i.put({i.block("Size"): 0x7FFFFFFF}), "outside the resource section", True),
    (lambda i: i.put({i.block(): i.dir("resource")[0], i.block("Size"): 0x1000}), "overlap", True),
    (lambda i: i.put({i.entry(6): 5}), "holds no package base name", True),
    (lambda i: i.put({i.block("Size"): 8}), "truncated", True),
    (lambda i: i.put({i.slot("security", size=True): 8}), "sign the result", False),
    (lambda i: i.data + b"appended", "data after its last section", False),
    (lambda i: i.put({i.slot("relocation", size=True): 0}), "follows the resource section", False),
    (lambda i: i.put({i.sections[-1].rawptr: i.dir("resource")[0]}), "patches the resource section", False),
    (lambda i: i.put({i.sections[-1].rawptr: i.dir("resource")[0] - 2}), "patches the resource section", False),  # across
    (lambda i: i.put({i.tree + RESOURCE_DIRECTORY["FirstEntry"] + ENTRY["Name"]: 0x80000000}), "mixes named and numbered", True),
    (lambda i: i.put({i.relocated(): i.get(i.field("ImageBase")) + i.dir("resource")[0] + 16}), "points into the resource", False),
    (lambda i: i.put({i.field("AddressOfEntryPoint"): i.dir("resource")[0]}), "entry point", False),
]


class Rebrand(unittest.TestCase):
    def setUp(self):
        os.chdir(self.enterContext(tempfile.TemporaryDirectory(prefix="rebrand-")))

    def rebrand(self, exe, name, *options):  # to out.exe, which keeps the input's mode
        mode = os.stat(exe).st_mode
        result = run(TOOL, exe, "--base-name", name, *options, "-o", "out.exe")
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(os.stat("out.exe").st_mode, mode)
        return Image(read("out.exe"))

    def assertSound(self, image):  # what the loader relies on, from .rsrc on
        get = lambda name: image.get(image.field(name))
        salign, falign, tail = get("SectionAlignment"), get("FileAlignment"), image.sections[image.rsrc:]
        ends = [(s.va, s.rawptr) for s in tail[1:]] + [(get("SizeOfImage"), len(image.data))]
        for s, end in zip(tail, ends):  # where the next section starts, or the image and the file end
            self.assertEqual(end, (align(s.va + s.vsize, salign), s.rawptr + s.raw))
            self.assertEqual(s.raw, align(s.vsize, falign))
        self.assertEqual((image.dir("resource")[1], image.dir("relocation")), (tail[0].vsize, (tail[-1].va, tail[-1].vsize)))
        self.assertEqual(get("SizeOfInitializedData"), sum(s.raw for s in image.sections if s.flags & 0x40))
        self.assertEqual(get("CheckSum"), image.checksum())

    def test_new_name_and_back_in_place(self):
        # low.exe: sections aligned to 512 bytes in memory, as in small images; a longer name moves the relocations.
        for exe in EXES + [FIXTURES + "low.exe"]:
            before, held = Image(read(exe)), show(exe)["base-name"]
            for name, options in (("", ("--allow-empty",)), (held, ()), ("Acme Widgets", ()), ("n" * 247, ())):
                with self.subTest(exe=exe, name=name):
                    after = self.rebrand(exe, name, *options)
                    self.assertEqual(show("out.exe")["base-name"], name)
                    self.assertSound(after)
                    # Back to the old name, in place: the old file, byte for byte (and so for the old name itself).
                    self.assertEqual(self.rebrand("out.exe", held).data, before.data)
        self.assertGreater(after.sections[-1].va, before.sections[-1].va, "the relocations never moved")
        self.assertEqual(os.listdir(), ["out.exe"])  # and no temporary file was left
        # An empty name is one thing: the build configured empty is the build rebranded empty, byte for byte.
        self.assertEqual(self.rebrand(EXES[0], "", "--allow-empty").data, read(EMPTY))

    def test_valid_inputs_written_byte_for_byte_as_frozen(self):
        # fixtures/cases.txt: the outputs of the tool before its PE model was rebuilt.
        for line in pathlib.Path(FIXTURES + "cases.txt").read_text("utf-8").splitlines():
            if line.startswith("#"):
                continue
            expected, *args = shlex.split(line)
            with self.subTest(expected=expected):
                out = os.path.abspath("out.exe")
                result = subprocess.run([TOOL, *args, "-o", out], capture_output=True, text=True, cwd=FIXTURES)
                self.assertEqual(result.returncode, 0, result.stderr)
                self.assertTrue(read(out) == read(FIXTURES + expected), "differs from " + expected)

    def test_malformed_and_foreign_files_and_unwritable_output(self):
        os.mkdir("taken")
        for index, (damage, message, show_too) in enumerate(MALFORMED):
            with self.subTest(index=index, message=message):
                pathlib.Path("bad.exe").write_bytes(damage(Image(read(EXES[0]))))
                result = run(TOOL, "bad.exe", "--base-name", "Acme Widgets", "-o", "taken")
                self.assertEqual((result.returncode, sorted(os.listdir())), (1, ["bad.exe", "taken"]))
                self.assertIn(message, result.stderr)
                self.assertEqual(run(TOOL, "bad.exe", "--show").returncode != 0, show_too)

    def test_face_and_execution_level(self):
        # Every kind of image Windows takes: the build's 4- and 8-bit bitmaps, a 32-bit one, a 256-pixel PNG.
        images = icon_images(read(FIXTURES + "face.ico"))
        face = {"company": "Acme \u00c9tudes", "product": "Acme Widgets", "description": "Acme Widgets Setup",
                "copyright": "(C) 2026 Acme", "file-version": "2.3.0.7", "product-version": "2.3"}
        options = [arg for name, value in face.items() for arg in ("--" + name, value)]
        self.rebrand(EXES[0], "Acme", "--icon", FIXTURES + "face.ico", "--execution-level", "requireAdministrator", *options)
        shown = show("out.exe")
        self.assertEqual(shown["execution-level"], "requireAdministrator")
        self.assertEqual({name: shown[name] for name in face}, dict(face, **{"file-version": '2.3.0.7 "2.3.0.7"',
                                                                      "product-version": '2.3.0.0 "2.3"'}))
        # Read back by tools that are not ours: icoutils and binutils.
        extract = lambda *what: subprocess.run(["wrestool", "-x", *what, "out.exe"], check=True,
                                               stdout=subprocess.PIPE).stdout
        self.assertEqual(icon_images(extract("-t", "14", "-n", "128")), images)
        self.assertEqual(extract("--raw", "-t", "24"), subprocess.run(
            ["wrestool", "-x", "--raw", "-t", "24", EXES[0]], stdout=subprocess.PIPE).stdout.replace(
                b'"asInvoker"', b'"requireAdministrator"'))
        script = subprocess.run(["i686-w64-mingw32-windres", "-i", "out.exe", "-O", "rc"], check=True,
                                stdout=subprocess.PIPE, text=True).stdout
        values = {name: re.sub(r"\\([0-7]{3})", lambda m: chr(int(m.group(1), 8)), value)
                  for name, value in re.findall(r'VALUE "(\w+)", L?"(.*)"', script)}
        self.assertEqual([values[k] for k in ("CompanyName", "ProductName", "FileDescription", "LegalCopyright",
                                              "FileVersion", "ProductVersion")], list(face.values()))
        self.assertIn(" FILEVERSION 2, 3, 0, 7\n PRODUCTVERSION 2, 3, 0, 0\n", script)
        # Everything back as built, in place: the build's bytes.
        held = dict(zip(face, [show(EXES[0])[name] for name in face]))
        held.update({name: held[name].split('"')[1] for name in ("file-version", "product-version")})
        self.rebrand("out.exe", "quelvarine", "--icon", SOURCE + "/resources/setup.ico", "--execution-level",
                     "asInvoker", *[arg for name, value in held.items() for arg in ("--" + name, value)])
        self.assertEqual(read("out.exe"), read(EXES[0]))

    def test_outputs_that_are_no_files_links_and_read_only_inputs(self):
        # Anything but a file is refused and left as it was, with nothing beside it; a link is followed,
        # its target replaced and the link kept; the output gets the input's permissions.
        pathlib.Path("in.exe").write_bytes(read(EXES[0]))
        os.chmod("in.exe", 0o444)
        os.mkfifo("fifo")
        os.mkdir("dir")
        specials = ["fifo", "dir"]
        try:
            os.mknod("device", stat.S_IFCHR | 0o666, os.makedev(1, 3))  # as /dev/null
            specials.append("device")
        except PermissionError:
            pass
        for special in specials:
            with self.subTest(output=special):
                before = os.lstat(special)
                result = run(TOOL, "in.exe", "--base-name", "Acme", "-o", special)
                self.assertEqual((result.returncode, sorted(os.listdir())), (1, sorted(["in.exe"] + specials)))
                self.assertIn("cannot write " + special, result.stderr)
                self.assertEqual((os.lstat(special).st_mode, os.lstat(special).st_ino), (before.st_mode, before.st_ino))
        os.symlink("in.exe", "link.exe")
        self.assertEqual(run(TOOL, "link.exe", "--base-name", "Acme", "-o", "link.exe").returncode, 0)
        self.assertEqual((os.path.islink("link.exe"), show("in.exe")["base-name"]), (True, "Acme"))
        self.assertEqual(stat.S_IMODE(os.stat("in.exe").st_mode), 0o444)

    def test_command_line_mistakes_and_bad_icons(self):
        global BAD_ICONS
        BAD_ICONS = [(bad_icon("bad%d.ico" % n, damage), message) for n, (damage, message) in enumerate(BAD_ICON_DAMAGE)]
        os.mkfifo("fifo")  # a FIFO must be refused, not waited on
        with open("huge.ico", "wb") as f:
            f.truncate((64 << 20) + 1)
        icons = sorted(os.listdir())
        for args, status, message in [(["--base-name"], 2, "--base-name needs a value"),
                                      (["", "--show"], 2, 'an empty argument ("")'),
                                      (["--show", "--icon", "x.ico"], 2, "--show changes nothing"),
                                      (["-o", "out.exe"], 2, "nothing to do"),
                                      (["--base-name", "\u00e9" * 124, "-o", "out.exe"], 1, "must be printable ASCII"),
                                      (["--file-version", "1.2.3.70000", "-o", "out.exe"], 1, "is not a version"),
                                      (["--icon", TOOL, "-o", "out.exe"], 1, "is not an icon file"),
                                      (["--icon", "fifo", "-o", "out.exe"], 1, "fifo: is not a regular file"),
                                      (["--icon", "huge.ico", "-o", "out.exe"], 1, "huge.ico: is larger than 64 MiB"),
                                      (["--company", "\U0001f600" * 513, "-o", "out.exe"], 1, "1024 UTF-16 units")] + [
                                      (["--icon", name, "-o", "out.exe"], 1, message) for name, message in BAD_ICONS]:
            with self.subTest(args=" ".join(args)[:40]):
                result = run(TOOL, EXES[0], *args) if args[0] else run(TOOL, *args)
                self.assertEqual((result.returncode, sorted(os.listdir())), (status, icons), result.stderr)
                self.assertIn(message, result.stderr)
        result = run(TOOL, "fifo", "--show")
        self.assertEqual(result.returncode, 1)
        self.assertIn("fifo: is not a regular file", result.stderr)

    def test_png_images_checked_as_decoders_check_them(self):
        good = png(16, 16)
        ihdr, idat, iend = good[8:33], good[33:-12], good[-12:]
        for image, message in [(good[:-5], "cut short"),
                               (good[:30] + bytes([good[30] ^ 1]) + good[31:], "IHDR chunk fails its CRC"),
                               (good[:8] + b"\xff\xff\xff\xff" + good[12:], "cut short"),
                               (good[:-12], "cut short"),  # no IEND
                               (good[:33] + iend, "without image data"),
                               (png(16, 16, chunks=[]), "cut short"),
                               (png(16, 16, depth=3, colour=0), "bad IHDR"),
                               (png(16, 16, colour=3), "without the palette"),
                               (good[:8] + idat + iend, "without one IHDR chunk first"),
                               (png(16, 16, chunks=[(b"IHDR", good[16:29]), (b"IDAT", zlib.compress(bytes(16))),
                                                    (b"IEND", b"")]), "does not inflate to its rows"),
                               (png(16, 16, chunks=[(b"IHDR", good[16:29]), (b"IDAT", zlib.compress(b"\x05" * 65 * 16)),
                                                    (b"IEND", b"")]), "does not inflate to its rows"),  # no filter 5
                               (png(16, 16, chunks=[(b"IHDR", good[16:29]), (b"ZZZZ", b""), (b"IEND", b"")]),
                                "critical chunk"),
                               (png(16, 16, depth=1, colour=3, chunks=[(b"IHDR", struct.pack(">2I5B", 16, 16, 1, 3, 0, 0, 0)),
                                                                      (b"PLTE", bytes(9)), (b"IEND", b"")]), "bad palette"),
                               (png(16, 300), "larger than 256 pixels")]:
            with self.subTest(message=message):
                result = run(TOOL, EXES[0], "--icon", png_icon("bad.ico", image), "-o", "out.exe")
                self.assertEqual((result.returncode, os.path.exists("out.exe")), (1, False), result.stderr)
                self.assertIn(message, result.stderr)
        # Whatever a decoder takes is taken: interlaced, palette, 2-bit grey, 16-bit channels, made by ImageMagick.
        for size, options in [((13, 7), ["-interlace", "PNG"]), ((1, 1), ["-interlace", "PNG"]),
                              ((16, 16), ["-colors", "4", "-type", "Palette"]),
                              ((16, 16), ["-colorspace", "Gray", "-depth", "2"]),
                              ((16, 16), ["-depth", "16", "-type", "TrueColor"])]:
            with self.subTest(options=options):
                subprocess.run(["convert", "-size", "%dx%d" % size, "gradient:red-blue", *options, "png:image.png"],
                               check=True)
                self.rebrand(EXES[0], "Acme", "--icon", png_icon("made.ico", read("image.png"), size))
        result = run(TOOL, EXES[0], "--icon", png_icon("small.ico", png(256, 256)), "-o", "out.exe")
        self.assertIn("is 256x256 pixels, and its directory entry says 16x16", result.stderr)
        # The directory's planes and bits come from the image, whatever the file says.
        self.rebrand(EXES[0], "Acme", "--icon", png_icon("odd.ico", good, planes=7, bits=999))
        group = subprocess.run(["wrestool", "-x", "-t", "14", "-n", "128", "out.exe"], check=True,
                               stdout=subprocess.PIPE).stdout
        self.assertEqual(icon_images(group)[0][0][4:8], struct.pack("<2H", 1, 32))

    def test_names_judged_as_at_configure_time(self):
        configure_check = SOURCE + "/tests/pe/check_base_name.cmake"
        names = ["Acme Widgets 2.0 (beta)", "n" * 247, "", "caf\u00e9", "tab\there", "a\x7fb", "n" * 248, " ~", "<x"]
        for name in names + ["a%sb" % c for c in '<>:"/\\|?*']:
            with self.subTest(name=name):
                result = run(TOOL, EXES[0], "--base-name", name, "-o", "out.exe")
                cmake = run("cmake", "-DNAME=" + name, "-P", configure_check)
                self.assertEqual(result.returncode, int(cmake.returncode != 0), result.stderr)
                self.assertEqual(os.path.exists("out.exe"), not cmake.returncode)
                # The name is shown with escapes: never raw control bytes to the terminal.
                self.assertTrue(result.stderr.rstrip("\n").isprintable(), result.stderr)
                if os.path.exists("out.exe"):
                    os.remove("out.exe")
        empty = run("cmake", "-DNAME=", "-DALLOW_EMPTY=ON", "-P", configure_check)
        self.assertIn("string 101 present: 0", empty.stdout, "the empty name on purpose, at configure time")


if __name__ == "__main__":
    TOOL, SOURCE, SETUP_EXE, EMPTY = map(os.path.abspath, sys.argv[1:5])
    EXES = [SETUP_EXE]
    FIXTURES = SOURCE + "/tests/rebrand/fixtures/"
    unittest.main(argv=sys.argv[:1], verbosity=2)
