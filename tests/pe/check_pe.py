#!/usr/bin/env python3
"""check_pe.py SETUP_EXE: Setup.exe as Windows and Explorer see it, read back by objdump and windres."""
import os
import re
import subprocess
import sys
import unittest
import xml.etree.ElementTree as ET

EXE = None

# Every function Setup.exe imports. Each exists in Windows 2000 and in Windows Me (msvcrt.dll 6.x); anything
# newer is looked up at run time.
IMPORTS = {dll: set(names.split()) for dll, names in {
    "KERNEL32.dll": """EnumSystemLocalesA ExitProcess FindClose FindFirstFileA FindNextFileA FreeLibrary GetCommandLineA
        GetCurrentDirectoryA GetFileAttributesA GetFullPathNameA GetLastError GetLocaleInfoA GetModuleFileNameA
        GetModuleHandleA GetProcAddress GetStartupInfoA GetSystemDirectoryA GetVersion GetVersionExA IsDBCSLeadByte
        LoadLibraryExA MultiByteToWideChar SetErrorMode SetLastError WideCharToMultiByte""",
    "USER32.dll": """DispatchMessageA EnableWindow GetActiveWindow GetLastActivePopup GetMessageA GetParent
        GetWindowLongA IsWindowEnabled LoadStringA MessageBoxA TranslateMessage""",
    "msvcrt.dll": "_vsnprintf abort free malloc memchr memmove strchr strcmp strlen strpbrk strrchr strtoul",
}.items()}

# What a Pentium (and Pentium MMX, AMD K6), the least CPU of Windows Me and 2000, lacks: the conditional moves
# and compares of the Pentium Pro, its multi-byte nop (0f 1f), MMX, SSE and everything later.
NOT_ON_A_PENTIUM = re.compile(r"(^|\s)(cmov|fcmov|fcomi|fucomi|emms|femms|fxsave|fxrstor|ldmxcsr|stmxcsr|prefetch"
                              r"|[lms]fence|clflush|movnti)|%[xyz]?mm\d")
MULTI_BYTE_NOP = re.compile(r"^((26|2e|36|3e|64|65|66|67|f2|f3) )*0f 1f")  # with any prefixes

def output(*command):
    return subprocess.run(command, check=True, stdout=subprocess.PIPE, text=True).stdout


class Executable(unittest.TestCase):
    def test_pe_header(self):
        self.assertIn("file format pei-i386", output("i686-w64-mingw32-objdump", "-f", EXE))
        dump = output("i686-w64-mingw32-objdump", "-p", EXE)
        fields = dict(re.findall(r"^(\w+)\s+(\S+)", dump, re.M))
        self.assertEqual([fields[name] for name in ("MajorOSystemVersion", "MinorOSystemVersion",
                                                    "MajorSubsystemVersion", "MinorSubsystemVersion", "Subsystem")],
                         ["4", "0", "4", "0", "00000002"])  # a GUI program for Windows 4.0 and later
        # A rebuild gives the same bytes: no time stamps, in the header or the resources, and no build paths.
        with open(EXE, "rb") as f:
            data = f.read()
        pe = int.from_bytes(data[0x3C:0x40], "little")
        self.assertEqual(data[pe + 8:pe + 12], bytes(4), "TimeDateStamp")
        self.assertEqual(set(re.findall(r"Time: (\w+)", dump)), {"00000000"})
        for path in (os.path.abspath(__file__ + "/../../.."), os.path.dirname(os.path.abspath(EXE))):
            self.assertFalse(path.encode() in data, "%s appears in the executable" % path)

    def test_imports_only_what_windows_me_and_2000_have(self):
        tables = output("i686-w64-mingw32-objdump", "-p", EXE).split("The Import Tables", 1)[1].split("\n\n\n")[0]
        found = {dll: set(re.findall(r"^\s+[0-9a-f]+\s+\d+\s+(\S+)$", names, re.M))
                 for dll, names in re.findall(r"DLL Name: (\S+)\n(.*?)(?=DLL Name:|\Z)", tables, re.S)}
        self.assertEqual(found, IMPORTS)  # msi.dll is loaded at run time

    def test_runs_on_a_pentium(self):
        dump = output("i686-w64-mingw32-objdump", "-d", "-w", EXE)  # every executable section
        instructions = re.findall(r"^\s*([0-9a-f]+):\t([0-9a-f ]+)\t(.*)$", dump, re.M)
        self.assertGreater(len(instructions), 1000)
        lacking = [(address, code.strip(), text) for address, code, text in instructions
                   if NOT_ON_A_PENTIUM.search(text) or MULTI_BYTE_NOP.match(code)]
        self.assertEqual(lacking, [], "instructions a Pentium lacks")


class Resources(unittest.TestCase):
    def test_resources(self):
        script = output("i686-w64-mingw32-windres", "-i", EXE, "-O", "rc")
        # All in Chinese (Traditional, Taiwan): windres names the language once, where it changes.
        self.assertEqual(re.findall(r"^LANGUAGE .*", script, re.M), ["LANGUAGE 4, 1"])
        self.assertEqual(re.findall(r"^(\d+|STRINGTABLE)(?: (\d+|VERSIONINFO))?", script, re.M),
                         [("1", "3"), ("2", "3"), ("3", "3"), ("4", "3"), ("STRINGTABLE", ""), ("128", "14"),
                          ("1", "VERSIONINFO"), ("1", "24")])
        self.assertEqual(re.findall(r'^  (\d+), "(.*)"$', script, re.M), [("101", "quelvarine")])
        icons = re.findall(r'"\\(\d{3})\\(\d{3})\\\d{3}\\000", 1, (\d+)', script)  # octal width, height; bits
        self.assertEqual([(int(w, 8), int(h, 8), int(bits)) for w, h, bits in icons],
                         [(16, 16, 4), (16, 16, 8), (32, 32, 4), (32, 32, 8)])
        # What Explorer shows agrees with itself: numbers and strings, table and translation, names and file.
        version = script[script.index("1 VERSIONINFO"):]
        fields = {a or b: value for a, b, value in re.findall(r'^ *(?:VALUE "(\w+)", |([A-Z]+VERSION) )"?(.*?)"?$',
                                                               version, re.M)}
        self.assertEqual((fields["FileVersion"], fields["ProductVersion"], re.findall(r'BLOCK "(\w+)"', version)[1],
                          fields["Translation"], fields["InternalName"], fields["OriginalFilename"].lower()),
                         (fields["FILEVERSION"], fields["PRODUCTVERSION"], "040404B0", "0x404, 1200", "Setup", "setup.exe"),
                         version)
        self.assertLessEqual({"CompanyName", "FileDescription", "LegalCopyright", "ProductName"}, set(fields))


class Manifest(unittest.TestCase):
    """The application manifest, read back by icoutils' wrestool, as Windows reads it."""

    def test_manifest(self):
        text = subprocess.run(["wrestool", "-x", "--raw", "-t", "24", "-n", "1", EXE], check=True,
                              stdout=subprocess.PIPE).stdout.decode("utf-8")
        self.assertNotRegex(text, r"xmlns:|</?\w+:", "namespace prefixes, which Windows XP SP2 mishandles")
        v1, v3 = "{urn:schemas-microsoft-com:asm.v1}", "{urn:schemas-microsoft-com:asm.v3}"
        root = ET.fromstring(text.encode("utf-8"))
        self.assertEqual((root.tag, root.get("manifestVersion")), (v1 + "assembly", "1.0"))
        controls = root.find(v1 + "dependency/" + v1 + "dependentAssembly/" + v1 + "assemblyIdentity")
        self.assertEqual({k: controls.get(k) for k in ("type", "name", "version", "processorArchitecture",
                                                      "publicKeyToken")},
                         {"type": "win32", "name": "Microsoft.Windows.Common-Controls", "version": "6.0.0.0",
                          "processorArchitecture": "x86", "publicKeyToken": "6595b64144ccf1df"})
        level = root.find(v3 + "trustInfo/" + v3 + "security/" + v3 + "requestedPrivileges/" + v3 +
                          "requestedExecutionLevel")
        self.assertEqual((level.get("level"), level.get("uiAccess")), ("asInvoker", "false"))
        # Vista to 8.1, as msiexec.exe: Windows 10 and 11 then report 6.3 to Windows Installer's dialogs in this
        # process, as they do under msiexec.exe (VersionNT 603).
        compatibility = "{urn:schemas-microsoft-com:compatibility.v1}"
        self.assertEqual([entry.get("Id") for entry in root.iter(compatibility + "supportedOS")],
                         ["{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
                          "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}"])
        dpi = root.find(v3 + "application/" + v3 + "windowsSettings/"
                        "{http://schemas.microsoft.com/SMI/2005/WindowsSettings}dpiAware")
        self.assertEqual(dpi.text, "true")


if __name__ == "__main__":
    EXE = sys.argv[1]
    unittest.main(argv=sys.argv[:1] + sys.argv[2:], verbosity=2)
