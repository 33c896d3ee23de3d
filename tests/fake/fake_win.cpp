#include "fake_win.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <utility>

namespace fake {
namespace {

HMODULE const kModule = reinterpret_cast<HMODULE>(0x1000);

// Letters compared without case; '*' matches any run of characters.
bool Matches(const char* pattern, const char* name)
{
    if (*pattern == '*') {
        while (pattern[1] == '*') ++pattern;
        return Matches(pattern + 1, name) || (*name != '\0' && Matches(pattern, name + 1));
    }
    if (*pattern == '\0' || *name == '\0') return *pattern == *name;
    return std::tolower(static_cast<unsigned char>(*pattern)) == std::tolower(static_cast<unsigned char>(*name)) &&
           Matches(pattern + 1, name + 1);
}

// The length when text fits size characters with its terminator, else the
// size needed; 0 for an empty text.
template <typename Char>
DWORD CopyOut(const std::basic_string<Char>& text, Char* buffer, DWORD size)
{
    if (text.empty()) return 0;  // the call fails and leaves the buffer as it was
    if (text.size() >= size) return static_cast<DWORD>(text.size() + 1);
    std::copy(text.c_str(), text.c_str() + text.size() + 1, buffer);
    return static_cast<DWORD>(text.size());
}

Window& Of(HWND window) { return *reinterpret_cast<Window*>(window); }

template <typename Proc>
FARPROC Export(bool present, Proc proc) { return present ? reinterpret_cast<FARPROC>(proc) : NULL; }

std::string ShortNameOf(const std::string& entry)
{
    auto own = state().shortNames.find(entry);
    return own != state().shortNames.end() ? own->second : state().shortName;
}

UINT WINAPI SetInternalUI(UINT, HWND*) { return 0; }

UINT WINAPI InstallProduct(LPCSTR path, LPCSTR)
{
    state().installed.push_back(path);
    return 1602;  // cancelled by the user
}

// Each records the call that narrowed the DLL search.
BOOL WINAPI SetDefaultDllDirectories(DWORD flags) { state().dllSearch = "flags " + std::to_string(flags); return TRUE; }
BOOL WINAPI SetDllDirectoryA(LPCSTR path) { state().dllSearch = std::string("directory \"") + path + "\""; return TRUE; }

void WINAPI InitCommonControls() { state().libraries.push_back("InitCommonControls"); }

DWORD WINAPI GetCurrentDirectoryW(DWORD size, LPWSTR to) { return CopyOut(state().wideDirectory, to, size); }
DWORD WINAPI GetShortPathNameW(LPCWSTR, LPWSTR to, DWORD size) { return CopyOut(state().shortDirectory, to, size); }

}  // namespace
}  // namespace fake

namespace hostwin {

using namespace fake;

BOOL GetVersionExA(OSVERSIONINFOA* info)
{
    info->dwMajorVersion = state().major;
    info->dwMinorVersion = state().minor;
    return state().fail != kVersion && info->dwOSVersionInfoSize == sizeof(*info);
}

DWORD GetVersion() { return state().minor << 8 | state().major; }

int GetLocaleInfoA(LCID locale, LCTYPE type, LPSTR data, int)
{
    const bool abbreviation = type == LOCALE_SABBREVLANGNAME, user = locale == LOCALE_USER_DEFAULT;
    const std::vector<State::Locale>& listed = state().locales;
    auto found = std::find_if(listed.begin(), listed.end(), [&](const State::Locale& l) { return l.lcid == locale; });
    state().isoReads += user && type == LOCALE_SISO639LANGNAME;
    const std::string& value = found != listed.end() ? (abbreviation ? found->abbreviation : found->isoName)
                               : abbreviation ? (user ? state().abbreviation : state().otherAbbreviation)
                                              : (user ? state().isoName : state().otherIsoName);
    std::memcpy(data, value.c_str(), value.size() + 1);  // also when failing: the buffer is then undefined
    if (user && state().fail == (abbreviation ? kAbbreviation : kIsoName)) return 0;
    if (found != listed.end() && value.empty()) return 0;  // a listed locale without that value
    return static_cast<int>(value.size()) + (state().unterminated ? 0 : 1);
}

BOOL EnumSystemLocalesA(LOCALE_ENUMPROCA proc, DWORD flags)
{
    ++state().enumerations;
    if (flags != LCID_SUPPORTED) return FALSE;
    for (const State::Locale& locale : state().locales) {
        char id[16];
        std::snprintf(id, sizeof id, "%08X", static_cast<unsigned>(locale.lcid));
        if (!proc(id)) break;
    }
    return TRUE;
}

DWORD GetCurrentDirectoryA(DWORD size, LPSTR to) { return CopyOut(state().currentDirectory, to, size); }
DWORD GetFullPathNameA(LPCSTR, DWORD size, LPSTR to, LPSTR*) { return CopyOut(state().fullPath, to, size); }
DWORD GetSystemDirectoryA(LPSTR to, UINT size) { return CopyOut(state().systemDirectory, to, size); }

HANDLE FindFirstFileA(LPCSTR pattern, WIN32_FIND_DATAA* data)
{
    state().searches.push_back(pattern);
    state().searchNext.push_back(0);
    HANDLE search = reinterpret_cast<HANDLE>(state().searches.size());
    if (!FindNextFileA(search, data)) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    ++state().openSearches;
    return search;
}

// An entry matches by its long name or by its short one. A long name that
// does not fit cFileName fills it, unterminated, as Wine leaves it.
BOOL FindNextFileA(HANDLE handle, WIN32_FIND_DATAA* data)
{
    const size_t number = reinterpret_cast<size_t>(handle) - 1;
    const std::string& searched = state().searches.at(number);
    const char* pattern = searched.c_str() + (searched.compare(0, 2, ".\\") == 0 ? 2 : 0);
    size_t& next = state().searchNext.at(number);
    const std::vector<std::string>& entries = state().entries;
    auto matches = [&](const std::string& entry) {
        const std::string shortName = ShortNameOf(entry);
        return Matches(pattern, entry.c_str()) || (!shortName.empty() && Matches(pattern, shortName.c_str()));
    };
    while (next < entries.size() && !matches(entries[next])) ++next;
    if (next >= entries.size()) return FALSE;
    const std::string& entry = entries[next++];
    std::memset(data, 0, sizeof(*data));
    std::memcpy(data->cFileName, entry.c_str(), std::min<size_t>(entry.size() + 1, MAX_PATH));
    std::strncpy(data->cAlternateFileName, ShortNameOf(entry).c_str(), sizeof(data->cAlternateFileName) - 1);
    return TRUE;
}

BOOL FindClose(HANDLE) { return --state().openSearches >= 0; }

// Nothing is reached by a relative path whose full path has MAX_PATH characters or more.
DWORD GetFileAttributesA(LPCSTR path)
{
    const std::string full = state().currentDirectory + "\\" + (path + 2);
    const bool reached = path != ".\\" + state().unreachable && MultiByteToWideChar(CP_ACP, 0, full.c_str(), -1, NULL, 0) <= MAX_PATH;
    return reached ? 0x80 : INVALID_FILE_ATTRIBUTES;
}

// The UTF-16 units of an ANSI text, terminator included: a double-byte
// character, or a UTF-8 sequence in a UTF-8 code page, is one (two past U+FFFF).
int MultiByteToWideChar(UINT, DWORD, LPCSTR text, int, LPWSTR, int)
{
    int count = 1;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p != 0; ++p) {
        if (state().utf8) {
            count += (*p & 0xc0) == 0x80 ? 0 : *p >= 0xf0 ? 2 : 1;  // past U+FFFF, a surrogate pair
        } else {
            ++count;
            if (IsDBCSLeadByte(*p) && p[1] != 0) ++p;
        }
    }
    return count;
}

// Characters past 0x7F have no spelling in the fake's code page.
int WideCharToMultiByte(UINT, DWORD, LPCWSTR text, int, LPSTR out, int, LPCSTR, BOOL* substituted)
{
    if (state().utf8) return 0;  // ERROR_INVALID_PARAMETER, as for CP_UTF8 with a substitute flag
    const size_t length = std::char_traits<WCHAR>::length(text) + 1;
    *substituted = std::any_of(text, text + length, [](WCHAR c) { return c >= 0x80; });
    std::transform(text, text + length, out, [](WCHAR c) { return static_cast<char>(c); });
    return static_cast<int>(length);
}

DWORD GetLastError() { return state().lastError; }
void SetLastError(DWORD error) { state().lastError = error; }
UINT SetErrorMode(UINT mode) { return std::exchange(state().errorMode, mode); }

// A path that does not fit is cut and left unterminated, as on Windows XP.
DWORD GetModuleFileNameA(HMODULE, LPSTR buffer, DWORD size)
{
    const std::string& path = state().modulePath;
    std::memcpy(buffer, path.c_str(), std::min<size_t>(path.size() + 1, size));
    return static_cast<DWORD>(std::min<size_t>(path.size(), size));
}

HMODULE GetModuleHandleA(LPCSTR) { return kModule; }
HMODULE LoadLibraryExA(LPCSTR path, HANDLE, DWORD flags)
{
    state().libraries.push_back(path + (" flags " + std::to_string(flags)));
    return kModule;
}
BOOL FreeLibrary(HMODULE) { state().libraries.push_back("freed"); return TRUE; }

// msi.dll's entry points by ordinal, kernel32's by name.
FARPROC GetProcAddress(HMODULE, LPCSTR name)
{
    const ULONG_PTR ordinal = reinterpret_cast<ULONG_PTR>(name);
    if (ordinal == 141) return Export(state().fail != kOrdinal141, &SetInternalUI);
    if (ordinal == 87) return Export(state().fail != kOrdinal87, &InstallProduct);
    const std::string proc = name;
    if (proc == "SetDefaultDllDirectories") return Export(state().haveSetDefaultDllDirectories, &SetDefaultDllDirectories);
    if (proc == "SetDllDirectoryA") return Export(state().haveSetDllDirectory, &SetDllDirectoryA);
    if (proc == "GetCurrentDirectoryW") return Export(state().haveWideApi, &GetCurrentDirectoryW);
    if (proc == "InitCommonControls") return Export(true, &InitCommonControls);
    return Export(state().haveWideApi && proc == "GetShortPathNameW", &GetShortPathNameW);
}

BOOL IsDBCSLeadByte(BYTE c) { return state().doubleByte && c >= 0x81 && c <= 0xFE; }

// A long string is cut to the buffer without a word, as Windows does, and
// never inside a double-byte character: one less than the buffer holds.
int LoadStringA(HINSTANCE, UINT id, LPSTR buffer, int size)
{
    const std::string& text = state().strings[id];
    size_t length = 0;
    for (size_t step = 1; length < text.size(); length += step) {
        step = IsDBCSLeadByte(static_cast<BYTE>(text[length])) && length + 1 < text.size() ? 2 : 1;
        if (length + step > static_cast<size_t>(size - 1)) break;
    }
    return CopyOut(text.substr(0, length), buffer, size);
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type)
{
    state().boxes.push_back(type);
    state().owner = owner;
    state().caption = caption != NULL ? caption : "";
    state().text = text;
    if (state().whileBoxIsUp) state().whileBoxIsUp();
    return IDOK;
}

HWND GetActiveWindow() { return state().activeWindow; }
HWND GetParent(HWND window) { return Of(window).parent; }
LONG GetWindowLongA(HWND window, int) { return Of(window).style; }
HWND GetLastActivePopup(HWND window) { return Of(window).lastPopup != NULL ? Of(window).lastPopup : window; }
BOOL IsWindowEnabled(HWND window) { return Of(window).enabled; }
BOOL EnableWindow(HWND window, BOOL enable) { return !std::exchange(Of(window).enabled, enable); }

// No window, so no message: the loop ends at once.
BOOL GetMessageA(MSG*, HWND, UINT, UINT) { return FALSE; }
BOOL TranslateMessage(const MSG*) { return FALSE; }
LPARAM DispatchMessageA(const MSG*) { return 0; }

int _vsnprintf(char* buffer, size_t count, const char* format, va_list args)
{
    std::vector<char> text(count + 1);
    const int length = vsnprintf(text.data(), text.size(), format, args);
    std::memcpy(buffer, text.data(), count);  // without the terminator when the text fills the buffer
    return static_cast<size_t>(length) <= count ? length : -1;
}

}  // namespace hostwin
