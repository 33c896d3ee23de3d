// A scriptable stand-in for the Win32 calls of the host build. Tests set the
// world up (version, locale, string table, files, windows, msi.dll), run the
// code, then read back the calls made, in order, with their arguments.
#ifndef TESTS_FAKE_FAKE_WIN_H
#define TESTS_FAKE_FAKE_WIN_H

#include "../../framework/platform.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace fake {

struct Entry {
    std::string name;
    bool directory;
};

struct Window {
    LONG style;
    HWND parent;
    HWND lastActivePopup;
    bool enabled;
};

struct MessageBoxCall {
    HWND owner;
    std::string text;
    std::string caption;
    UINT type;
};

struct InstallerCall {
    int ordinal;
    UINT level;           // 141
    HWND* window;         // 141
    std::string path;     // 87
    std::string command;  // 87
};

struct World {
    // GetVersionExA / GetVersion
    bool versionFails = false;
    DWORD major = 5, minor = 1, build = 2600, platform = 2;
    DWORD versionSizeSeen = 0;

    // GetLocaleInfoA, by information type; a missing type fails.
    std::map<LCTYPE, std::string> locale = {{LOCALE_SABBREVLANGNAME, "ENU"}, {LOCALE_SISO639LANGNAME, "en"}};
    // When set, a read copies as much of the value as fits and no terminator.
    bool localeUnterminated = false;

    // LoadStringA, by id.
    std::map<UINT, std::string> strings;

    // GetModuleFileNameA
    std::string modulePath = "C:\\Media\\Setup.EXE";
    // Code page whose lead bytes IsDBCSLeadByte reports: 0 (single byte), 932, 936, 949, 950.
    int codePage = 0;

    // SetErrorMode
    UINT errorMode = 0;

    // Files of the current directory, in the order a search returns them.
    std::vector<Entry> files;
    std::string currentDirectory = "C:\\Media";
    bool currentDirectoryFails = false;
    bool fullPathFails = false;
    std::string fullPathDirectory;  // when set, GetFullPathNameA resolves against it
    DWORD findFirstError = ERROR_FILE_NOT_FOUND;  // when nothing matches
    int openSearches = 0;

    // Windows for the message box owner search.
    HWND activeWindow = NULL;
    std::map<HWND, Window> windows;
    int messageBoxResult = IDOK;
    std::vector<MessageBoxCall> boxes;
    std::function<void()> duringMessageBox;  // runs while a box is "up"

    // GetMessageA hands these out, then WM_QUIT (0) with quitCode.
    std::vector<MSG> messages;
    WPARAM quitCode = 0;

    // msi.dll and kernel32 entry points.
    std::string systemDirectory = "C:\\WINDOWS\\system32";
    bool msiLoads = true;
    std::vector<int> msiOrdinalsMissing;
    bool haveSetDefaultDllDirectories = true;
    bool haveSetDllDirectory = true;
    std::vector<std::string> loadedLibraries;
    std::vector<InstallerCall> installer;
    std::vector<std::string> dllSearch;  // SetDefaultDllDirectories / SetDllDirectoryA calls

    // Every call, in order, e.g. "GetLocaleInfoA(1024,3,256)".
    std::vector<std::string> calls;
    DWORD lastError = 0;
};

World& world();
void reset();

// Calls whose text starts with prefix, in order.
std::vector<std::string> callsStartingWith(const std::string& prefix);

// Windows wildcard match (* and ?), without regard to ASCII case.
bool matches(const std::string& pattern, const std::string& name);

}  // namespace fake

#endif
