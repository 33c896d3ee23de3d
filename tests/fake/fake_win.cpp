#include "fake_win.h"

#include <algorithm>
#include <cstring>

namespace fake {
namespace {

HMODULE const kKernel32 = reinterpret_cast<HMODULE>(0x1000), kMsi = reinterpret_cast<HMODULE>(0x2000);
HANDLE const kSearch = reinterpret_cast<HANDLE>(0x3000);
size_t g_nextEntry = 0;

// The length when text fits size bytes with its terminator, else the size
// needed; 0 when this is the call that fails.
DWORD CopyOut(const std::string& text, LPSTR buffer, DWORD size, Failure failure = kNothing)
{
    if (failure != kNothing && state().fail == failure) return 0;
    if (text.size() >= size) return static_cast<DWORD>(text.size() + 1);
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return static_cast<DWORD>(text.size());
}

Window& Of(HWND window) { return *reinterpret_cast<Window*>(window); }

UINT WINAPI SetInternalUI(UINT, HWND*) { return 0; }
UINT WINAPI InstallProduct(LPCSTR path, LPCSTR) { state().installed.push_back(path); return 1602; }  // cancelled
BOOL WINAPI SetDefaultDllDirectories(DWORD flags) { state().dllSearch = "flags " + std::to_string(flags); return 1; }
BOOL WINAPI SetDllDirectoryA(LPCSTR path) { state().dllSearch = std::string("directory \"") + path + "\""; return 1; }

template <typename Proc>
FARPROC Export(bool present, Proc proc) { return present ? reinterpret_cast<FARPROC>(proc) : NULL; }

DWORD WideOut(const std::wstring& text, LPWSTR to, DWORD size)
{
    if (text.empty()) return 0;
    if (text.size() >= size) return static_cast<DWORD>(text.size() + 1);
    std::copy(text.c_str(), text.c_str() + text.size() + 1, to);
    return static_cast<DWORD>(text.size());
}
DWORD WINAPI GetCurrentDirectoryW(DWORD size, LPWSTR to)
{
    const std::string& ansi = state().currentDirectory;
    return WideOut(state().wideDirectory.empty() ? std::wstring(ansi.begin(), ansi.end()) : state().wideDirectory,
                   to, size);
}
DWORD WINAPI GetShortPathNameW(LPCWSTR, LPWSTR to, DWORD size) { return WideOut(state().shortDirectory, to, size); }

}  // namespace

State& state() { static State current; return current; }

}  // namespace fake

namespace hostwin {

using namespace fake;

BOOL GetVersionExA(OSVERSIONINFOA* info)
{
    if (state().fail == kVersion || info->dwOSVersionInfoSize != sizeof(*info)) return FALSE;
    info->dwMajorVersion = state().major;
    info->dwMinorVersion = state().minor;
    return TRUE;
}

DWORD GetVersion() { return state().minor << 8 | state().major; }

int GetLocaleInfoA(LCID, LCTYPE type, LPSTR data, int size)
{
    bool abbreviation = type == LOCALE_SABBREVLANGNAME;
    const std::string& value = abbreviation ? state().abbreviation : state().isoName;
    size_t copied = std::min(value.size() + (state().unterminated ? 0 : 1), static_cast<size_t>(size));
    std::memcpy(data, value.c_str(), copied);  // also when failing: the buffer is then undefined
    if (state().fail == (abbreviation ? kAbbreviation : kIsoName)) return 0;
    return !state().unterminated && copied <= value.size() ? 0 : static_cast<int>(copied);
}

DWORD GetCurrentDirectoryA(DWORD size, LPSTR to)
{
    return CopyOut(state().currentDirectory, to, size, kCurrentDirectory);
}
DWORD GetFullPathNameA(LPCSTR, DWORD size, LPSTR to, LPSTR*) { return CopyOut(state().fullPath, to, size, kFullPath); }
DWORD GetSystemDirectoryA(LPSTR to, UINT size) { return CopyOut(state().systemDirectory, to, size); }

HANDLE FindFirstFileA(LPCSTR pattern, WIN32_FIND_DATAA* data)
{
    state().pattern = pattern;
    g_nextEntry = 0;
    if (!FindNextFileA(kSearch, data)) {
        SetLastError(state().findError);
        return INVALID_HANDLE_VALUE;
    }
    ++state().openSearches;
    return kSearch;
}

BOOL FindNextFileA(HANDLE, WIN32_FIND_DATAA* data)
{
    if (g_nextEntry >= state().entries.size()) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    std::memset(data, 0, sizeof(*data));
    std::strncpy(data->cFileName, state().entries[g_nextEntry++].c_str(), MAX_PATH - 1);
    std::strncpy(data->cAlternateFileName, state().shortName.c_str(), sizeof(data->cAlternateFileName) - 1);
    return TRUE;
}

DWORD GetFileAttributesA(LPCSTR path)
{
    const std::vector<std::string>& lost = state().unreachable;
    return std::find(lost.begin(), lost.end(), std::string(path).substr(2)) == lost.end() ? 0x80 : INVALID_FILE_ATTRIBUTES;
}

// Characters past 0x7F have no spelling in the fake's code page.
int WideCharToMultiByte(UINT, DWORD, LPCWSTR text, int, LPSTR out, int size, LPCSTR, BOOL* substituted)
{
    std::wstring wide(text);
    if (static_cast<int>(wide.size()) >= size) return 0;
    *substituted = FALSE;
    for (size_t i = 0; i <= wide.size(); ++i) {
        out[i] = wide[i] < 0x80 ? static_cast<char>(wide[i]) : '?';
        *substituted |= wide[i] >= 0x80;
    }
    return static_cast<int>(wide.size()) + 1;
}

BOOL FindClose(HANDLE search) { --state().openSearches; return search == kSearch; }

DWORD GetLastError() { return state().lastError; }
void SetLastError(DWORD error) { state().lastError = error; }

UINT SetErrorMode(UINT mode) { std::swap(mode, state().errorMode); return mode; }

// A path that does not fit is cut and left unterminated, as on Windows XP.
DWORD GetModuleFileNameA(HMODULE, LPSTR buffer, DWORD size)
{
    std::memcpy(buffer, state().modulePath.c_str(), std::min<size_t>(state().modulePath.size() + 1, size));
    return static_cast<DWORD>(std::min<size_t>(state().modulePath.size(), size));
}

HMODULE GetModuleHandleA(LPCSTR) { return kKernel32; }
HMODULE LoadLibraryExA(LPCSTR, HANDLE, DWORD) { return state().fail == kMsiDll ? NULL : kMsi; }
BOOL FreeLibrary(HMODULE) { return TRUE; }

FARPROC GetProcAddress(HMODULE module, LPCSTR name)
{
    ULONG_PTR ordinal = reinterpret_cast<ULONG_PTR>(name);
    if (module == kMsi && ordinal == 141) return Export(state().fail != kOrdinal141, &SetInternalUI);
    if (module == kMsi && ordinal == 87) return Export(state().fail != kOrdinal87, &InstallProduct);
    if (module != kKernel32 || ordinal >> 16 == 0) return NULL;
    if (std::strcmp(name, "SetDefaultDllDirectories") == 0)
        return Export(state().haveSetDefaultDllDirectories, &fake::SetDefaultDllDirectories);
    if (std::strcmp(name, "SetDllDirectoryA") == 0) return Export(state().haveSetDllDirectory, &fake::SetDllDirectoryA);
    if (std::strcmp(name, "GetCurrentDirectoryW") == 0) return Export(state().haveWideApi, &fake::GetCurrentDirectoryW);
    if (std::strcmp(name, "GetShortPathNameW") == 0) return Export(state().haveWideApi, &fake::GetShortPathNameW);
    return NULL;
}

// A single-byte code page; tests give the scans a lead-byte test of their own.
BOOL IsDBCSLeadByte(BYTE) { return FALSE; }

int LoadStringA(HINSTANCE, UINT id, LPSTR buffer, int size)
{
    const std::string& text = state().strings[id];
    int length = std::min(static_cast<int>(text.size()), size - 1);  // cut without a word, as Windows does
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
    return length;
}

int MessageBoxA(HWND owner, LPCSTR, LPCSTR, UINT type)
{
    state().boxes.push_back({owner, type});
    if (state().whileBoxIsUp) state().whileBoxIsUp();
    return IDOK;
}

HWND GetActiveWindow() { return state().activeWindow; }
HWND GetParent(HWND window) { return Of(window).parent; }
LONG GetWindowLongA(HWND window, int) { return Of(window).style; }
HWND GetLastActivePopup(HWND window) { return Of(window).lastPopup != NULL ? Of(window).lastPopup : window; }
BOOL IsWindowEnabled(HWND window) { return Of(window).enabled; }

BOOL EnableWindow(HWND window, BOOL enable) { std::swap(enable, Of(window).enabled); return !enable; }

// No window, so no message: the loop ends at once.
BOOL GetMessageA(MSG* msg, HWND, UINT, UINT) { std::memset(msg, 0, sizeof(*msg)); return FALSE; }
BOOL TranslateMessage(const MSG*) { return FALSE; }
LPARAM DispatchMessageA(const MSG*) { return 0; }

int _vsnprintf(char* buffer, size_t count, const char* format, va_list args)
{
    va_list again;
    va_copy(again, args);
    std::vector<char> text(vsnprintf(NULL, 0, format, again) + 1);
    va_end(again);
    vsnprintf(text.data(), text.size(), format, args);
    std::memcpy(buffer, text.data(), std::min(count, text.size()));
    return text.size() - 1 <= count ? static_cast<int>(text.size() - 1) : -1;
}

}  // namespace hostwin
