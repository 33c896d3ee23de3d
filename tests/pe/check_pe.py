#!/usr/bin/env python3
"""Checks the built Setup.exe as Windows and Explorer will see it: PE header,
imports, and every resource, read back with icoutils and objdump.

    check_pe.py SETUP_EXE SOURCE_DIR
"""
import os
import re
import struct
import subprocess
import sys
import tempfile
import unittest

EXE = SOURCE = None
LANGUAGE = 1028  # Chinese (Traditional, Taiwan)

# Every function Setup.exe may import. Each exists in Windows 2000 and in
# Windows Me (msvcrt.dll 6.x); anything newer must be looked up at run time.
ALLOWED_IMPORTS = {dll: set(names.split()) for dll, names in {
    "KERNEL32.dll": """DeleteCriticalSection EnterCriticalSection FindClose FindFirstFileA FindNextFileA FreeLibrary
        GetCurrentDirectoryA GetFileAttributesA GetFullPathNameA GetLastError GetLocaleInfoA GetModuleFileNameA
        GetModuleHandleA GetProcAddress GetStartupInfoA GetSystemDirectoryA GetVersion GetVersionExA
        InitializeCriticalSection IsDBCSLeadByte LeaveCriticalSection LoadLibraryA LoadLibraryExA SetErrorMode
        SetLastError SetUnhandledExceptionFilter Sleep TlsGetValue VirtualProtect VirtualQuery WideCharToMultiByte""",
    "USER32.dll": """DispatchMessageA EnableWindow GetActiveWindow GetLastActivePopup GetMessageA GetParent
        GetWindowLongA IsWindowEnabled LoadStringA MessageBoxA TranslateMessage""",
    "msvcrt.dll": """__getmainargs __initenv __p__acmdln __p__commode __p__fmode __set_app_type __setusermatherr
        _amsg_exit _cexit _initterm _iob _onexit _vsnprintf abort calloc exit fprintf free fwrite malloc memchr
        memcpy memmove signal strchr strlen strncmp strpbrk vfprintf""",
}.items()}

VERSION_STRINGS = {"CompanyName": "", "FileDescription": "Setup MFC Application", "FileVersion": "1, 0, 0, 1",
                   "InternalName": "Setup", "LegalTrademarks": "", "OriginalFilename": "Setup.EXE",
                   "ProductName": "Setup Application", "ProductVersion": "1, 0, 0, 1"}


def output(*command):
    return subprocess.run(command, check=True, stdout=subprocess.PIPE).stdout


def resource(type_id, name):
    return output("wrestool", "-x", "--raw", "--type=%d" % type_id, "--name=%d" % name, EXE)


def imports():
    """{dll: {function}} from objdump's import tables."""
    found, dll = {}, None
    text = output("i686-w64-mingw32-objdump", "-p", EXE).decode()
    for line in text[text.index("The Import Tables"):].split("\n\n\n", 1)[0].splitlines():
        m = re.match(r"\s+DLL Name: (\S+)", line)
        if m:
            dll = m.group(1)
            found[dll] = set()
        m = re.match(r"\s+[0-9a-f]+\s+\d+\s+(\S+)$", line)
        if dll and m:
            found[dll].add(m.group(1))
    return found


def parse_version_node(data, offset=0):
    """One node of a VS_VERSIONINFO tree: (key, value bytes, children)."""
    length, value_length, value_type = struct.unpack_from("<HHH", data, offset)
    end = offset + length
    key_end = offset + 6
    while data[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    key = data[offset + 6:key_end].decode("utf-16-le")
    position = (key_end + 2 + 3) & ~3
    size = value_length * 2 if value_type == 1 else value_length
    value = data[position:position + size]
    position = (position + size + 3) & ~3
    children = []
    while position < end:
        child = parse_version_node(data, position)
        children.append(child)
        position = (position + struct.unpack_from("<H", data, position)[0] + 3) & ~3
    return key, value, children


class Executable(unittest.TestCase):
    def test_pe_header(self):
        text = output("i686-w64-mingw32-objdump", "-p", EXE).decode()
        self.assertIn("pei-i386", output("i686-w64-mingw32-objdump", "-f", EXE).decode())
        for field in ("MajorOSystemVersion", "MajorSubsystemVersion"):
            self.assertRegex(text, r"%s\s+4\n" % field)
        for field in ("MinorOSystemVersion", "MinorSubsystemVersion"):
            self.assertRegex(text, r"%s\s+0\n" % field)
        self.assertRegex(text, r"Subsystem\s+00000002\s+\(Windows GUI\)")

    def test_imports_only_what_windows_me_and_2000_have(self):
        found = imports()
        self.assertEqual(set(found), set(ALLOWED_IMPORTS), "imported DLLs")
        for dll, names in found.items():
            self.assertEqual(names - ALLOWED_IMPORTS[dll], set(), "functions of %s outside the allowlist" % dll)
        self.assertNotIn("msi.dll", {d.lower() for d in found})


class Resources(unittest.TestCase):
    def test_resource_set(self):
        listing = output("wrestool", "-l", EXE).decode()
        entries = set(re.findall(r"--type=(\d+) --name=(\d+) --language=(\d+)", listing))
        self.assertEqual(entries, {("3", str(i), str(LANGUAGE)) for i in range(1, 5)}
                         | {("6", "7", str(LANGUAGE)), ("14", "128", str(LANGUAGE)), ("16", "1", str(LANGUAGE))},
                         listing)

    def test_string_101_is_the_base_name(self):
        block = resource(6, 7)  # ids 96..111
        strings, offset = [], 0
        for _ in range(16):
            (length,) = struct.unpack_from("<H", block, offset)
            strings.append(block[offset + 2:offset + 2 + 2 * length].decode("utf-16-le"))
            offset += 2 + 2 * length
        self.assertEqual(strings[101 - 96], "quelvarine")
        self.assertEqual([s for i, s in enumerate(strings) if i != 5], [""] * 15)

    def test_icon_group(self):
        with tempfile.TemporaryDirectory() as work:
            ico = os.path.join(work, "group.ico")
            with open(ico, "wb") as f:
                f.write(output("wrestool", "-x", "--type=14", "--name=128", EXE))
            listing = output("icotool", "-l", ico).decode()
        images = re.findall(r"--width=(\d+) --height=(\d+) --bit-depth=(\d+)", listing)
        self.assertEqual(images, [("16", "16", "4"), ("16", "16", "8"), ("32", "32", "4"), ("32", "32", "8")])

    def test_icon_matches_its_generator(self):
        with tempfile.TemporaryDirectory() as work:
            fresh = os.path.join(work, "setup.ico")
            subprocess.run([sys.executable, os.path.join(SOURCE, "resources", "make_icon.py"), fresh], check=True)
            with open(fresh, "rb") as a, open(os.path.join(SOURCE, "resources", "setup.ico"), "rb") as b:
                self.assertEqual(a.read(), b.read(), "resources/setup.ico is stale: run resources/make_icon.py")

    def test_version_block(self):
        key, fixed, children = parse_version_node(resource(16, 1))
        self.assertEqual(key, "VS_VERSION_INFO")
        (signature, _, file_ms, file_ls, product_ms, product_ls, mask, flags, os_, type_, subtype, _, _) = \
            struct.unpack("<13I", fixed)
        self.assertEqual(signature, 0xFEEF04BD)
        self.assertEqual((file_ms, file_ls, product_ms, product_ls), (0x10000, 1, 0x10000, 1))
        self.assertEqual((mask, flags, os_, type_, subtype), (0x3F, 0, 4, 1, 0))

        blocks = {child[0]: child for child in children}
        (table_key, _, strings), = blocks["StringFileInfo"][2]
        self.assertEqual(table_key, "040404B0")
        values = {k: v.decode("utf-16-le").rstrip("\0") for k, v, _ in strings}
        copyright_text = values.pop("LegalCopyright")
        self.assertEqual(values, VERSION_STRINGS)
        self.assertTrue(copyright_text)
        (_, translation, _), = blocks["VarFileInfo"][2]
        self.assertEqual(struct.unpack("<HH", translation), (0x0404, 1200))


if __name__ == "__main__":
    EXE, SOURCE = sys.argv[1], sys.argv[2]
    unittest.main(argv=sys.argv[:1] + sys.argv[3:], verbosity=2)
