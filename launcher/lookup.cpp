#include "launcher.h"

#include <string.h>

namespace {

const char kMissingPackageMessage[] = "Unable to continue installation due to file %s is missing";
const char kNoCurrentDirectoryMessage[] = "Fail to get current working directory";

// A composed text that would not fit its buffer is never cut: the caller
// treats it as a file that is not there.
bool FitsPathBuffer(const CString& text) { return text.GetLength() < kPathBufferSize; }

// Wide-character calls, looked up at run time: Windows Me has them only as
// stubs that fail, or not at all.
typedef DWORD(WINAPI* GetCurrentDirectoryWProc)(DWORD size, LPWSTR buffer);
typedef DWORD(WINAPI* GetShortPathNameWProc)(LPCWSTR path, LPWSTR shortPath, DWORD size);

FARPROC Kernel32Proc(LPCSTR name)
{
    HMODULE kernel = AFX_SYS(GetModuleHandleA)("kernel32.dll");
    return kernel != NULL ? AFX_SYS(GetProcAddress)(kernel, name) : NULL;
}

// Whether the ANSI code page spells every character of text exactly (a
// best-fit look-alike, such as O for Omega, counts as a substitute). Unknown
// where the conversion refuses the question, as for a UTF-8 code page, which
// spells everything.
enum Spelling { kExact, kSubstituted, kUnknown };

Spelling ToAnsi(LPCWSTR text, char (&ansi)[kPathBufferSize])
{
    BOOL substituted = FALSE;
    int length = AFX_SYS(WideCharToMultiByte)(CP_ACP, WC_NO_BEST_FIT_CHARS, text, -1, ansi, kPathBufferSize, NULL,
                                              &substituted);
    if (length == 0) return kUnknown;
    return substituted ? kSubstituted : kExact;
}

// The current directory as GetCurrentDirectoryA spells it, unless its name
// has letters the ANSI code page lacks: then Windows hands back '?' or a
// look-alike for them, and the short (8.3) name, made of letters a legacy
// code page has, is used instead. False when the directory cannot be read or
// has no exact spelling (short names switched off on its volume).
bool ReadCurrentDirectory(char (&directory)[kPathBufferSize])
{
    // The result is the length on success, and the size needed, terminator
    // included, when the buffer is too small: both cases must be told apart.
    DWORD length = AFX_SYS(GetCurrentDirectoryA)(kPathBufferSize, directory);
    if (length == 0 || length >= static_cast<DWORD>(kPathBufferSize)) return false;
    directory[length] = '\0';

    GetCurrentDirectoryWProc getWide = AfxProcAs<GetCurrentDirectoryWProc>(Kernel32Proc("GetCurrentDirectoryW"));
    WCHAR wide[kPathBufferSize];
    DWORD wideLength = getWide != NULL ? getWide(kPathBufferSize, wide) : 0;
    if (wideLength >= static_cast<DWORD>(kPathBufferSize)) return false;  // the ANSI one did fit: not to be trusted
    char spelled[kPathBufferSize];
    if (wideLength == 0 || ToAnsi(wide, spelled) != kSubstituted) return true;

    GetShortPathNameWProc getShort = AfxProcAs<GetShortPathNameWProc>(Kernel32Proc("GetShortPathNameW"));
    WCHAR shortName[kPathBufferSize];
    DWORD shortLength = getShort != NULL ? getShort(wide, shortName, kPathBufferSize) : 0;
    if (shortLength == 0 || shortLength >= static_cast<DWORD>(kPathBufferSize) || ToAnsi(shortName, spelled) != kExact)
        return false;
    memcpy(directory, spelled, strlen(spelled) + 1);
    return true;
}

// Whether name, as the directory search spelled it in the ANSI code page, is
// the entry's own: a best-fit look-alike may turn into a path separator
// (U+FF3C into a backslash under code page 1252), and a\..\b reaches another
// file; letters the code page lacks come back as substitutes that name no file.
bool IsOwnName(const CString& name)
{
    return !name.IsEmpty() && AfxFindLastOf(name, "\\/:", AFX_SYS(IsDBCSLeadByte)) == NULL &&
           AFX_SYS(GetFileAttributesA)(".\\" + name) != INVALID_FILE_ATTRIBUTES;
}

// The current directory as the lookup sees it. The search that found the
// package stays open as long as the folder object lives.
class CPackageFolder {
public:
    // The first entry that name matches, by its own name or else by its short
    // (8.3) name, made of letters every code page has.
    package_rules::Lookup Find(const CString& name, CString& found)
    {
        CString probe = ".\\" + name;
        if (name.IsEmpty() || !FitsPathBuffer(probe) || !m_finder.FindFile(probe)) return package_rules::kMissing;
        m_finder.FindNextFile();
        found = m_finder.GetFileName();
        if (IsOwnName(found)) return package_rules::kFound;
        found = m_finder.GetShortFileName();
        return IsOwnName(found) ? package_rules::kFound : package_rules::kUnspellable;
    }

    bool Exists(const CString& fallback) { return FitsPathBuffer(fallback) && m_finder.FindFile(fallback); }

private:
    CFileFind m_finder;
};

// The package's full path: the current directory, a backslash and the name,
// as they are (at a drive root that gives D:\\name, which the installer takes).
bool ComposeFullPath(const CString& packageName, CString& fullPath)
{
    char directory[kPathBufferSize];
    if (!ReadCurrentDirectory(directory)) return false;
    fullPath = CString(directory) + "\\" + packageName;
    return FitsPathBuffer(fullPath);
}

}  // namespace

void ResolveAndInstall(const CString& baseName, const PackageNames& names)
{
    CPackageFolder folder;
    CString packageName;
    package_rules::Lookup lookup = package_rules::LookUpPackage(folder, baseName, names, packageName);
    if (lookup == package_rules::kMissing) {
        CString message;
        message.Format(kMissingPackageMessage, static_cast<LPCSTR>(package_rules::FallbackName(baseName)));
        AfxMessageBox(message);
        return;
    }

    // No exact spelling of the package's path: never hand over one with substitutes.
    CString fullPath;
    if (lookup == package_rules::kUnspellable || !ComposeFullPath(packageName, fullPath)) {
        AfxMessageBox(kNoCurrentDirectoryMessage);
        return;
    }
    RunInstaller(fullPath);
}
