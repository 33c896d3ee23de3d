// The tools on Windows: Unicode programs. The command line, file names and
// console text go through the wide-character API, so that a name the ANSI
// code page cannot spell (a Cyrillic folder under code page 1252) works, and
// none is ever changed into a look-alike.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "system.h"
#include "text.h"

namespace toolkit {
namespace {

// The tools' names came from the wide API, or are ASCII: always UTF-8.
std::wstring Wide(const std::string& utf8)
{
    std::u16string text = Utf8ToUtf16(utf8);
    return std::wstring(text.begin(), text.end());
}

// A name Windows gave: a surrogate without its other half, which UTF-8
// cannot hold, becomes U+FFFD rather than cutting the name short.
std::string Narrow(const wchar_t* wide, size_t length)
{
    std::u16string text(wide, wide + length);
    for (size_t i = 0; i < text.size(); ++i) {
        bool high = text[i] >= 0xd800 && text[i] <= 0xdbff, low = text[i] >= 0xdc00 && text[i] <= 0xdfff;
        if (high && i + 1 < text.size() && text[i + 1] >= 0xdc00 && text[i + 1] <= 0xdfff) ++i;
        else if (high || low) text[i] = 0xfffd;
    }
    return Utf16ToUtf8(text);
}

// The system's message for an error code, without its line break.
std::string Error(DWORD code = GetLastError())
{
    wchar_t* text = NULL;
    DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                      FORMAT_MESSAGE_IGNORE_INSERTS,
                                  NULL, code, 0, reinterpret_cast<wchar_t*>(&text), 0, NULL);
    std::string message = length ? Narrow(text, length) : "error " + std::to_string(code);
    LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
        message.pop_back();
    return message;
}

[[noreturn]] void Fail(DWORD code = GetLastError()) { throw Failure(Error(code)); }

// A handle, closed when it goes out of scope.
class Handle {
public:
    explicit Handle(HANDLE handle) : handle_(handle) {}
    Handle(const Handle&) = delete;
    ~Handle() { Close(); }
    HANDLE Get() const { return handle_; }
    bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    bool Close()
    {
        bool closed = !Valid() || CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
        return closed;
    }

private:
    HANDLE handle_;
};

bool g_outputFailed = false;

// A console takes characters; a pipe or a file gets UTF-8 bytes.
void WriteTo(DWORD which, const std::string& text)
{
    HANDLE handle = GetStdHandle(which);
    DWORD mode, written = 0;
    bool ok;
    if (GetConsoleMode(handle, &mode)) {
        // In pieces: older consoles refuse a write of more than about 64 KiB.
        std::wstring wide = Wide(IsUtf8(text) ? text : Shown(text));
        ok = true;
        for (size_t at = 0; ok && at < wide.size(); at += written) {
            DWORD piece = static_cast<DWORD>(wide.size() - at < 8192 ? wide.size() - at : 8192);
            ok = WriteConsoleW(handle, wide.data() + at, piece, &written, NULL) && written > 0;
        }
    } else {
        ok = WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, NULL) && written == text.size();
    }
    if (!ok && which == STD_OUTPUT_HANDLE) g_outputFailed = true;
}

HANDLE OpenExisting(const std::string& path, DWORD access)
{
    return CreateFileW(Wide(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, NULL);
}

}  // namespace

void Print(const std::string& text) { WriteTo(STD_OUTPUT_HANDLE, text); }
void PrintError(const std::string& text) { WriteTo(STD_ERROR_HANDLE, text); }
bool OutputWritten() { return !g_outputFailed; }

FileKind KindOf(const std::string& path)
{
    DWORD attributes = GetFileAttributesW(Wide(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return kNoFile;
        Fail(code);
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return kDirectory;
    // Devices (NUL, CON, COM1) have attributes too: only a disk file is a file.
    Handle file(OpenExisting(path, 0));
    return file.Valid() && GetFileType(file.Get()) == FILE_TYPE_DISK ? kRegularFile : kOtherFile;
}

std::string ResolveLinks(const std::string& path)
{
    DWORD attributes = GetFileAttributesW(Wide(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return path;
    HANDLE file = OpenExisting(path, 0);
    if (file == INVALID_HANDLE_VALUE) return path;
    std::vector<wchar_t> target(32768);
    DWORD length = GetFinalPathNameByHandleW(file, target.data(), static_cast<DWORD>(target.size()),
                                             FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    CloseHandle(file);
    if (length == 0 || length >= target.size()) return path;
    std::wstring resolved(target.data(), length);
    // \\?\C:\... and \\?\UNC\server\share\...
    if (resolved.compare(0, 8, L"\\\\?\\UNC\\") == 0) resolved = L"\\\\" + resolved.substr(8);
    else if (resolved.compare(0, 4, L"\\\\?\\") == 0) resolved = resolved.substr(4);
    return Narrow(resolved.data(), resolved.size());
}

Bytes ReadFile(const std::string& path, size_t limit)
{
    // A pipe's server learns who opened it, but may not act as them.
    std::wstring name = Wide(path);
    Handle file(CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                            SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, NULL));
    if (!file.Valid()) {
        DWORD code = GetLastError(), attributes = GetFileAttributesW(name.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            throw Failure(NotARegularFile());
        Fail(code);
    }
    // Devices (CON, NUL, COM1, \\.\...) and pipes open as files do: what was
    // opened tells its kind.
    if (GetFileType(file.Get()) != FILE_TYPE_DISK) throw Failure(NotARegularFile());
    Bytes data;
    unsigned char chunk[65536];
    DWORD got = 0;
    BOOL ok;
    while ((ok = ::ReadFile(file.Get(), chunk, sizeof chunk, &got, NULL)) && got > 0 && data.size() <= limit)
        data.insert(data.end(), chunk, chunk + got);
    if (!ok) Fail();
    if (data.size() > limit) throw Failure(LargerThan(limit));
    return data;
}

bool CreateNewFile(const std::string& path, const Bytes& data)
{
    std::wstring name = Wide(path);
    Handle file(CreateFileW(name.c_str(), GENERIC_WRITE, 0, NULL, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL));
    if (!file.Valid() && GetLastError() == ERROR_FILE_EXISTS) return false;
    if (!file.Valid()) Fail();
    DWORD written = 0;
    SetLastError(ERROR_SUCCESS);  // a write cut short may give no code of its own
    bool whole = WriteFile(file.Get(), data.data(), static_cast<DWORD>(data.size()), &written, NULL) &&
                 written == data.size();
    if (!whole || !file.Close()) {
        DWORD code = GetLastError();
        file.Close();
        DeleteFileW(name.c_str());
        Fail(code != ERROR_SUCCESS ? code : ERROR_WRITE_FAULT);
    }
    return true;
}

// Windows refuses to replace a read-only file, which POSIX's rename does: the
// attribute comes off for the rename, and back if the rename fails.
void RenameOver(const std::string& from, const std::string& to)
{
    std::wstring target = Wide(to);
    DWORD attributes = GetFileAttributesW(target.c_str());
    bool readOnly = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
    if (readOnly) SetFileAttributesW(target.c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    if (MoveFileExW(Wide(from).c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return;
    DWORD code = GetLastError();
    if (readOnly) SetFileAttributesW(target.c_str(), attributes);
    Fail(code);
}

bool RemoveFile(const std::string& path) { return DeleteFileW(Wide(path).c_str()) != 0; }

bool PermissionsOf(const std::string& path, unsigned& permissions)
{
    DWORD attributes = GetFileAttributesW(Wide(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    permissions = attributes & FILE_ATTRIBUTE_READONLY;
    return true;
}

void SetPermissions(const std::string& path, unsigned permissions)
{
    DWORD attributes = GetFileAttributesW(Wide(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) Fail();
    attributes = (attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY)) | permissions;
    if (!SetFileAttributesW(Wide(path).c_str(), attributes)) Fail();
}

std::vector<FolderEntry> ListFolder(const std::string& path)
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(Wide(JoinPath(path, "*")).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) Fail();
    std::vector<FolderEntry> entries;
    do {
        std::string name = Narrow(found.cFileName, wcslen(found.cFileName));
        if (name != "." && name != "..")
            entries.push_back(FolderEntry{name, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0, false});
    } while (FindNextFileW(search, &found));
    DWORD code = GetLastError();
    FindClose(search);
    if (code != ERROR_NO_MORE_FILES) Fail(code);
    return entries;
}

std::string FolderOf(const std::string& path)
{
    size_t separator = path.find_last_of("\\/:");
    if (separator == std::string::npos) return "";
    return path.substr(0, separator + (separator == 0 || path[separator] == ':' || (separator == 2 && path[1] == ':')));
}

std::string JoinPath(const std::string& folder, const std::string& name)
{
    if (folder.empty()) return name;
    char last = folder.back();
    return last == '\\' || last == '/' || last == ':' ? folder + name : folder + "\\" + name;
}

}  // namespace toolkit

// The arguments as the user typed them, in UTF-16, never through the ANSI
// code page (whose best fit would turn an Omega into an O).
int wmain(int argc, wchar_t** argv)
{
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        std::u16string wide(argv[i], argv[i] + wcslen(argv[i]));
        if (!toolkit::IsUtf16(wide)) {
            toolkit::PrintError("argument " + std::to_string(i) + " is not valid Unicode\n");
            return 2;
        }
        args.push_back(toolkit::Utf16ToUtf8(wide));
    }
    return toolkit::ToolMain(args);
}
