// The host build's Windows: every call hands back the plain values a test put
// in fake::state(), and a test can make one call fail as Windows does.
#ifndef TESTS_FAKE_FAKE_WIN_H
#define TESTS_FAKE_FAKE_WIN_H

#include "../../framework/platform.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace fake {

enum Failure { kNothing, kVersion, kAbbreviation, kIsoName, kCurrentDirectory, kFullPath, kMsiDll, kOrdinal141,
               kOrdinal87 };

// A window's handle is its address; lastPopup NULL stands for the window itself.
struct Window {
    LONG style;
    HWND parent, lastPopup;
    BOOL enabled;
    HWND handle() { return reinterpret_cast<HWND>(this); }
};
struct Box { HWND owner; UINT type; };

struct State {
    Failure fail = kNothing;  // the one call that fails
    DWORD major = 5, minor = 1;
    std::string abbreviation = "ENU", isoName = "en";
    bool unterminated = false;  // locale strings come without a terminator
    std::map<UINT, std::string> strings;
    std::string modulePath = "C:\\Media\\Setup.exe";
    UINT errorMode = 0;
    bool haveSetDefaultDllDirectories = true, haveSetDllDirectory = true;
    std::string dllSearch;  // the call that narrowed the DLL search, with its argument
    std::vector<std::string> entries;  // every search hands these out, whatever its pattern
    std::string shortName;  // every entry's 8.3 name
    std::vector<std::string> unreachable;  // names that GetFileAttributesA finds nothing under
    // The current directory as the wide API spells it (empty: as the ANSI one
    // does), and its short name (empty: none). Characters past 0x7F are those
    // the ANSI code page lacks. Windows Me has no wide API.
    std::wstring wideDirectory, shortDirectory;
    bool haveWideApi = true;
    std::string pattern;  // of the last search
    DWORD findError = ERROR_FILE_NOT_FOUND;
    int openSearches = 0;
    std::string fullPath = "C:\\Media\\x", currentDirectory = "C:\\Media", systemDirectory = "C:\\WINDOWS\\system32";
    std::vector<std::string> installed;  // package paths handed to Windows Installer
    HWND activeWindow = NULL;
    std::vector<Box> boxes;
    std::function<void()> whileBoxIsUp;
    DWORD lastError = 0;
};

State& state();
inline State& reset() { return state() = State(); }

}  // namespace fake

#endif
