#include "fake_win.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace fake {
namespace {

World g_world;

HMODULE const kKernel32 = reinterpret_cast<HMODULE>(0x1000);
HMODULE const kMsi = reinterpret_cast<HMODULE>(0x2000);
const UINT kWmQuit = 0x0012;
const DWORD kErrorInvalidFlags = 1004;
const DWORD kErrorInsufficientBuffer = 122;

struct Search {
    std::vector<Entry> matches;
    size_t next;
};

std::string text(const std::string& value) { return value; }
std::string text(const char* value) { return value; }
template <typename Number>
std::string text(Number value) { return std::to_string(value); }

template <typename... Args>
void record(const char* name, const Args&... args)
{
    std::string call = name;
    call += '(';
    int index = 0;
    ((call += (index++ ? "," : "") + text(args)), ...);
    call += ')';
    g_world.calls.push_back(std::move(call));
}

std::string lower(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// * and ? matching, backtracking only to the last star: linear in practice,
// whatever the pattern holds.
bool wildcard(const char* pattern, const char* name)
{
    const char* star = NULL;
    const char* resume = NULL;
    while (*name != '\0') {
        if (*pattern == '*') {
            star = pattern++;
            resume = name;
        } else if (*pattern == '?' || *pattern == *name) {
            ++pattern;
            ++name;
        } else if (star != NULL) {
            pattern = star + 1;
            name = ++resume;
        } else {
            return false;
        }
    }
    while (*pattern == '*') ++pattern;
    return *pattern == '\0';
}

size_t lastSeparator(const std::string& path)
{
    size_t cut = std::string::npos;
    for (size_t i = 0; i < path.size(); ++i) {
        if (hostwin::IsDBCSLeadByte(static_cast<BYTE>(path[i])))
            ++i;
        else if (path[i] == '\\' || path[i] == '/')
            cut = i;
    }
    return cut;
}

bool inCurrentDirectory(const std::string& path, std::string& name)
{
    size_t cut = lastSeparator(path);
    std::string folder = cut == std::string::npos ? "" : path.substr(0, cut);
    name = cut == std::string::npos ? path : path.substr(cut + 1);
    std::string cwd = g_world.currentDirectory;
    if (!cwd.empty() && cwd.back() == '\\') cwd.pop_back();
    return folder.empty() || folder == "." || lower(folder) == lower(cwd);
}

void fill(WIN32_FIND_DATAA* data, const Entry& entry)
{
    std::memset(data, 0, sizeof(*data));
    data->dwFileAttributes = entry.directory ? 0x10 : 0x80;
    std::strncpy(data->cFileName, entry.name.c_str(), MAX_PATH - 1);
}

UINT WINAPI fakeSetInternalUI(UINT level, HWND* window)
{
    record("MsiSetInternalUI", level, window == NULL ? "NULL" : "window");
    g_world.installer.push_back({141, level, window, "", ""});
    return 5;
}

UINT WINAPI fakeInstallProduct(LPCSTR path, LPCSTR command)
{
    record("MsiInstallProductA", path, command);
    g_world.installer.push_back({87, 0, NULL, path, command});
    return 1602;  // the user cancelled: the launcher must not care
}

BOOL WINAPI fakeSetDefaultDllDirectories(DWORD flags)
{
    g_world.dllSearch.push_back("SetDefaultDllDirectories(" + std::to_string(flags) + ")");
    return TRUE;
}

BOOL WINAPI fakeSetDllDirectoryA(LPCSTR path)
{
    g_world.dllSearch.push_back(std::string("SetDllDirectoryA(\"") + path + "\")");
    return TRUE;
}

}  // namespace

World& world() { return g_world; }

void reset() { g_world = World(); }

std::vector<std::string> callsStartingWith(const std::string& prefix)
{
    std::vector<std::string> found;
    for (const std::string& call : g_world.calls)
        if (call.compare(0, prefix.size(), prefix) == 0) found.push_back(call);
    return found;
}

bool matches(const std::string& pattern, const std::string& name)
{
    return wildcard(lower(pattern).c_str(), lower(name).c_str());
}

}  // namespace fake

namespace hostwin {

using fake::g_world;
using fake::record;

BOOL GetVersionExA(OSVERSIONINFOA* info)
{
    record("GetVersionExA", info->dwOSVersionInfoSize);
    g_world.versionSizeSeen = info->dwOSVersionInfoSize;
    if (g_world.versionFails || info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA)) {
        g_world.lastError = 122;
        return FALSE;
    }
    info->dwMajorVersion = g_world.major;
    info->dwMinorVersion = g_world.minor;
    info->dwBuildNumber = g_world.build;
    info->dwPlatformId = g_world.platform;
    info->szCSDVersion[0] = '\0';
    return TRUE;
}

DWORD GetVersion()
{
    record("GetVersion");
    return (g_world.platform == 2 ? 0 : 0x80000000u) | (g_world.minor & 0xFF) << 8 | (g_world.major & 0xFF);
}

int GetLocaleInfoA(LCID locale, LCTYPE type, LPSTR data, int size)
{
    record("GetLocaleInfoA", locale, type, size);
    auto found = g_world.locale.find(type);
    if (found == g_world.locale.end()) {
        g_world.lastError = fake::kErrorInvalidFlags;
        return 0;
    }
    const std::string& value = found->second;
    if (g_world.localeUnterminated) {
        // A misbehaving platform: copies what fits and adds no terminator.
        size_t copied = std::min(value.size(), static_cast<size_t>(size));
        std::memcpy(data, value.data(), copied);
        return static_cast<int>(copied);
    }
    if (static_cast<int>(value.size()) + 1 > size) {
        g_world.lastError = fake::kErrorInsufficientBuffer;
        return 0;
    }
    std::memcpy(data, value.c_str(), value.size() + 1);
    return static_cast<int>(value.size()) + 1;
}

DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer)
{
    record("GetCurrentDirectoryA", size);
    if (g_world.currentDirectoryFails) {
        g_world.lastError = ERROR_PATH_NOT_FOUND;
        return 0;
    }
    const std::string& cwd = g_world.currentDirectory;
    if (cwd.size() + 1 > size) return static_cast<DWORD>(cwd.size() + 1);
    std::memcpy(buffer, cwd.c_str(), cwd.size() + 1);
    return static_cast<DWORD>(cwd.size());
}

DWORD GetSystemDirectoryA(LPSTR buffer, UINT size)
{
    record("GetSystemDirectoryA", size);
    const std::string& dir = g_world.systemDirectory;
    if (dir.size() + 1 > size) return static_cast<DWORD>(dir.size() + 1);
    std::memcpy(buffer, dir.c_str(), dir.size() + 1);
    return static_cast<DWORD>(dir.size());
}

HANDLE FindFirstFileA(LPCSTR pattern, WIN32_FIND_DATAA* data)
{
    record("FindFirstFileA", pattern);
    std::string name;
    if (!fake::inCurrentDirectory(pattern, name)) {
        g_world.lastError = ERROR_PATH_NOT_FOUND;
        return INVALID_HANDLE_VALUE;
    }
    auto search = std::make_unique<fake::Search>();
    for (const fake::Entry& entry : g_world.files)
        if (fake::matches(name, entry.name)) search->matches.push_back(entry);
    if (search->matches.empty()) {
        g_world.lastError = g_world.findFirstError;
        return INVALID_HANDLE_VALUE;
    }
    fake::fill(data, search->matches[0]);
    search->next = 1;
    ++g_world.openSearches;
    return search.release();
}

BOOL FindNextFileA(HANDLE handle, WIN32_FIND_DATAA* data)
{
    record("FindNextFileA");
    fake::Search* search = static_cast<fake::Search*>(handle);
    if (search->next >= search->matches.size()) {
        g_world.lastError = ERROR_NO_MORE_FILES;
        return FALSE;
    }
    fake::fill(data, search->matches[search->next++]);
    return TRUE;
}

BOOL FindClose(HANDLE handle)
{
    record("FindClose");
    delete static_cast<fake::Search*>(handle);
    --g_world.openSearches;
    return TRUE;
}

DWORD GetFullPathNameA(LPCSTR name, DWORD size, LPSTR buffer, LPSTR* filePart)
{
    record("GetFullPathNameA", name, size);
    if (g_world.fullPathFails) {
        g_world.lastError = ERROR_INVALID_NAME;
        return 0;
    }
    std::string file;
    fake::inCurrentDirectory(name, file);
    std::string full = g_world.fullPathDirectory.empty() ? g_world.currentDirectory : g_world.fullPathDirectory;
    if (full.empty() || full.back() != '\\') full += '\\';
    full += file;
    if (full.size() + 1 > size) return static_cast<DWORD>(full.size() + 1);
    std::memcpy(buffer, full.c_str(), full.size() + 1);
    if (filePart != NULL) *filePart = buffer + (full.size() - file.size());
    return static_cast<DWORD>(full.size());
}

DWORD GetLastError() { return g_world.lastError; }

void SetLastError(DWORD error) { g_world.lastError = error; }

UINT SetErrorMode(UINT mode)
{
    record("SetErrorMode", mode);
    UINT previous = g_world.errorMode;
    g_world.errorMode = mode;
    return previous;
}

DWORD GetModuleFileNameA(HMODULE, LPSTR buffer, DWORD size)
{
    record("GetModuleFileNameA", size);
    // Like Windows XP: a path that does not fit is cut and left unterminated.
    const std::string& path = g_world.modulePath;
    if (path.size() >= size) {
        std::memcpy(buffer, path.c_str(), size);
        return size;
    }
    std::memcpy(buffer, path.c_str(), path.size() + 1);
    return static_cast<DWORD>(path.size());
}

HMODULE GetModuleHandleA(LPCSTR name)
{
    record("GetModuleHandleA", name);
    return fake::lower(name) == "kernel32.dll" ? fake::kKernel32 : NULL;
}

HMODULE LoadLibraryExA(LPCSTR path, HANDLE, DWORD flags)
{
    record("LoadLibraryExA", path, flags);
    g_world.loadedLibraries.push_back(path);
    bool isSystemMsi = fake::lower(path) == fake::lower(g_world.systemDirectory + "\\msi.dll");
    return isSystemMsi && g_world.msiLoads ? fake::kMsi : NULL;
}

FARPROC GetProcAddress(HMODULE module, LPCSTR name)
{
    ULONG_PTR value = reinterpret_cast<ULONG_PTR>(name);
    if (value >> 16 == 0) {
        int ordinal = static_cast<int>(value);
        record("GetProcAddress", "#" + std::to_string(ordinal));
        const std::vector<int>& missing = g_world.msiOrdinalsMissing;
        if (module != fake::kMsi || std::find(missing.begin(), missing.end(), ordinal) != missing.end()) return NULL;
        if (ordinal == 141) return reinterpret_cast<FARPROC>(&fake::fakeSetInternalUI);
        if (ordinal == 87) return reinterpret_cast<FARPROC>(&fake::fakeInstallProduct);
        return NULL;
    }
    record("GetProcAddress", name);
    if (module != fake::kKernel32) return NULL;
    std::string symbol = name;
    if (symbol == "SetDefaultDllDirectories" && g_world.haveSetDefaultDllDirectories)
        return reinterpret_cast<FARPROC>(&fake::fakeSetDefaultDllDirectories);
    if (symbol == "SetDllDirectoryA" && g_world.haveSetDllDirectory)
        return reinterpret_cast<FARPROC>(&fake::fakeSetDllDirectoryA);
    return NULL;
}

BOOL FreeLibrary(HMODULE)
{
    record("FreeLibrary");
    return TRUE;
}

BOOL IsDBCSLeadByte(BYTE c)
{
    switch (g_world.codePage) {
    case 932:
        return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
    case 936:
    case 949:
    case 950:
        return c >= 0x81 && c <= 0xFE;
    default:
        return FALSE;
    }
}

int LoadStringA(HINSTANCE, UINT id, LPSTR buffer, int size)
{
    record("LoadStringA", id, size);
    auto found = g_world.strings.find(id);
    if (found == g_world.strings.end()) {
        if (size > 0) buffer[0] = '\0';
        return 0;
    }
    int length = std::min(static_cast<int>(found->second.size()), size - 1);
    std::memcpy(buffer, found->second.data(), length);
    buffer[length] = '\0';
    return length;
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type)
{
    record("MessageBoxA", text, caption ? caption : "(null)", type);
    g_world.boxes.push_back({owner, text, caption ? caption : "", type});
    if (g_world.duringMessageBox) g_world.duringMessageBox();
    return g_world.messageBoxResult;
}

HWND GetActiveWindow()
{
    record("GetActiveWindow");
    return g_world.activeWindow;
}

HWND GetParent(HWND window)
{
    auto found = g_world.windows.find(window);
    return found == g_world.windows.end() ? NULL : found->second.parent;
}

LONG GetWindowLongA(HWND window, int index)
{
    auto found = g_world.windows.find(window);
    return found == g_world.windows.end() || index != GWL_STYLE ? 0 : found->second.style;
}

HWND GetLastActivePopup(HWND window)
{
    auto found = g_world.windows.find(window);
    if (found == g_world.windows.end() || found->second.lastActivePopup == NULL) return window;
    return found->second.lastActivePopup;
}

BOOL IsWindowEnabled(HWND window)
{
    auto found = g_world.windows.find(window);
    return found != g_world.windows.end() && found->second.enabled;
}

BOOL EnableWindow(HWND window, BOOL enable)
{
    record("EnableWindow", enable);
    auto found = g_world.windows.find(window);
    if (found == g_world.windows.end()) return FALSE;
    bool wasDisabled = !found->second.enabled;
    found->second.enabled = enable != FALSE;
    return wasDisabled;
}

BOOL GetMessageA(MSG* msg, HWND, UINT, UINT)
{
    record("GetMessageA");
    if (g_world.messages.empty()) {
        std::memset(msg, 0, sizeof(*msg));
        msg->message = fake::kWmQuit;
        msg->wParam = g_world.quitCode;
        return FALSE;
    }
    *msg = g_world.messages.front();
    g_world.messages.erase(g_world.messages.begin());
    return TRUE;
}

BOOL TranslateMessage(const MSG*) { return FALSE; }

LPARAM DispatchMessageA(const MSG* msg)
{
    record("DispatchMessageA", msg->message);
    return 0;
}

}  // namespace hostwin
