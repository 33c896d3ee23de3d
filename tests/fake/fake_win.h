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

enum Failure { kNothing, kVersion, kAbbreviation, kIsoName, kOrdinal141, kOrdinal87 };

// A window's handle is its address; lastPopup NULL stands for the window itself.
struct Window {
    LONG style;
    HWND parent, lastPopup;
    BOOL enabled;
    HWND handle() { return reinterpret_cast<HWND>(this); }
};

struct State {
    Failure fail = kNothing;  // the one call that fails
    DWORD major = 5, minor = 1;
    std::string abbreviation = "ENU", isoName = "en";  // the user default locale's; any other locale reads
    std::string otherAbbreviation = "JPN", otherIsoName = "ja";  // these, as the system's would
    bool unterminated = false;  // the count a locale read returns leaves the terminator out
    int isoReads = 0;
    struct Locale { LCID lcid; std::string abbreviation, isoName; };
    std::vector<Locale> locales;  // what EnumSystemLocalesA lists, in order
    int enumerations = 0;  // of them
    std::map<UINT, std::string> strings;
    std::string modulePath = "C:\\Media\\Setup.exe";
    bool doubleByte = false;  // the ANSI code page: lead bytes 0x81-0xFE, else single-byte
    UINT errorMode = 0;
    bool haveSetDefaultDllDirectories = true, haveSetDllDirectory = true;
    std::string dllSearch;  // the call that narrowed the DLL search, with its argument
    std::vector<std::string> entries;  // the folder, in the order searches return what matches
    std::vector<std::string> searches;  // every pattern searched for; search n's handle is n + 1
    std::vector<size_t> searchNext;  // where each search looks next in entries
    std::string shortName;  // every entry's 8.3 name, but those of shortNames; searches match either name
    std::map<std::string, std::string> shortNames;
    std::string unreachable;  // a name that GetFileAttributesA finds nothing under
    int openSearches = 0;
    // Paths as their calls hand them out, an empty one failing. The wide API
    // spells what the ANSI code page lacks past 0x7F; Windows Me has none.
    std::string fullPath = "C:\\Media\\x", currentDirectory = "C:\\Media", systemDirectory = "C:\\WINDOWS\\system32";
    std::wstring wideDirectory, shortDirectory;
    bool haveWideApi = true;
    bool utf8 = false;  // a UTF-8 ANSI code page: conversions refuse to say what they substituted
    std::vector<std::string> installed;  // package paths handed to Windows Installer
    std::vector<std::string> libraries;  // each load, with its flags, and each "freed"
    HWND activeWindow = NULL;
    std::vector<UINT> boxes;  // the type of every message box shown
    HWND owner = NULL;  // of the last one
    std::string caption, text;  // of the last one
    std::function<void()> whileBoxIsUp;
    DWORD lastError = 0;
};

inline State g_state;
inline State& state() { return g_state; }

inline State& reset() { return state() = State(); }

}  // namespace fake

#endif
