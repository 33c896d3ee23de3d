#include "launcher.h"

#include <string.h>

namespace {

const char kMissingPackageMessage[] = "Unable to continue installation due to file %s is missing";
const char kNoCurrentDirectoryMessage[] = "Fail to get current working directory";

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
// has no exact spelling (short names switched off on its volume); directory
// then holds nothing of use.
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

    // The short name may take the place of the long one in the same buffer.
    GetShortPathNameWProc getShort = AfxProcAs<GetShortPathNameWProc>(Kernel32Proc("GetShortPathNameW"));
    DWORD shortLength = getShort != NULL ? getShort(wide, wide, kPathBufferSize) : 0;
    return shortLength != 0 && shortLength < static_cast<DWORD>(kPathBufferSize) && ToAnsi(wide, directory) == kExact;
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

// Whether shortName answers for the entry longName and for nothing else. Short
// names are unique on NTFS, but not under Wine, where they are hashes: a file
// literally named like another one's short name must not stand in for it.
bool ReachesOnly(const CString& shortName, const CString& longName)
{
    if (shortName.IsEmpty() || AfxFindLastOf(shortName, "\\/:*?", AFX_SYS(IsDBCSLeadByte)) != NULL) return false;
    CFileFind search;
    if (!search.FindFile(".\\" + shortName)) return false;
    BOOL more = search.FindNextFile();
    return !more && strcmp(search.GetFileName(), longName) == 0;
}

// Windows counts a path's length in UTF-16 code units; 0 or less where it
// cannot tell.
int PathCharacters(const CString& path)
{
    return AFX_SYS(MultiByteToWideChar)(CP_ACP, 0, path, -1, NULL, 0) - 1;
}

typedef package_rules::LanguageJudge<CSystemLocales> CLanguageJudge;

// The current directory as the lookup sees it. The search that found the
// package stays open as long as the folder object lives.
class CPackageFolder {
public:
    CPackageFolder() : m_directoryRead(false) {}

    // The first entry that name matches and judge takes, as long as its full
    // path can be handed over: by its own name or else by its short (8.3)
    // name, made of letters every code page has. Entries whose full path is
    // too long by either name are passed over like those the judge refuses.
    package_rules::Lookup Find(const CString& name, const CLanguageJudge* judge, CString& found)
    {
        CString probe = ".\\" + name;
        // The finder refuses a pattern as long as MAX_PATH: nothing is cut.
        if (name.IsEmpty() || !m_finder.FindFile(probe)) return package_rules::kMissing;
        for (BOOL more = TRUE; more;) {
            more = m_finder.FindNextFile();
            CString longName = m_finder.GetFileName();
            if (judge != NULL && !judge->Takes(longName)) continue;
            package_rules::Lookup lookup = HandOver(longName, found);
            if (lookup != package_rules::kMissing) return lookup;
        }
        return package_rules::kMissing;
    }

    // The English package, which is handed over as the literal: true with no
    // full path when the current directory cannot be read.
    bool Exists(const CString& fallback)
    {
        if (!m_finder.FindFile(fallback)) return false;
        CString path;
        Fit fit = Compose(fallback, path);
        if (fit == kFits) m_fullPath = path;
        return fit != kTooLong;
    }

    // The path to hand to the installer; empty until a package is found, or
    // when the current directory has no exact spelling.
    const CString& FullPath() const { return m_fullPath; }

private:
    enum Fit { kFits, kTooLong, kNoDirectory };

    // The full path of name in the current directory, where Windows takes it:
    // shorter than MAX_PATH characters (at a drive root, the current directory
    // ends with a backslash already, and D:\\name is handed over so).
    Fit Compose(const CString& name, CString& path)
    {
        if (!m_directoryRead) {
            char directory[kPathBufferSize];
            if (ReadCurrentDirectory(directory)) m_directory = directory;
            m_directoryRead = true;
        }
        if (m_directory.IsEmpty()) return kNoDirectory;
        path = m_directory;
        path += "\\";
        path += name;
        int length = PathCharacters(path);
        return length > 0 && length < MAX_PATH ? kFits : kTooLong;
    }

    // The entry just found, longName, by a name that can be handed over:
    // kMissing when its path is too long by both names. Its own name is
    // checked only once its path fits: Windows reaches nothing by a longer one.
    package_rules::Lookup HandOver(const CString& longName, CString& found)
    {
        CString path;
        Fit fit = Compose(longName, path);
        if (fit == kNoDirectory) return package_rules::kUnspellable;
        if (fit == kFits && IsOwnName(longName)) return Take(longName, path, found);
        CString shortName = m_finder.GetShortFileName();
        if (Compose(shortName, path) == kFits && ReachesOnly(shortName, longName)) return Take(shortName, path, found);
        return fit == kTooLong ? package_rules::kMissing : package_rules::kUnspellable;
    }

    package_rules::Lookup Take(const CString& name, const CString& path, CString& found)
    {
        found = name;
        m_fullPath = path;
        return package_rules::kFound;
    }

    CFileFind m_finder;
    bool m_directoryRead;
    CString m_directory;  // empty where it cannot be read
    CString m_fullPath;
};

}  // namespace

void ResolveAndInstall(const CString& baseName, const PackageNames& names)
{
    CPackageFolder folder;
    CSystemLocales locales;
    CLanguageJudge judge(baseName.GetLength(), names.language, locales);
    CString packageName;
    package_rules::Lookup lookup = package_rules::LookUpPackage(folder, judge, baseName, names, packageName);
    if (lookup == package_rules::kMissing) {
        CString message;
        message.Format(kMissingPackageMessage, static_cast<LPCSTR>(package_rules::FallbackName(baseName)));
        AfxMessageBox(message);
        return;
    }

    // No exact spelling of the package's path: never hand over one with substitutes.
    if (lookup == package_rules::kUnspellable || folder.FullPath().IsEmpty()) {
        AfxMessageBox(kNoCurrentDirectoryMessage);
        return;
    }
    RunInstaller(folder.FullPath());
}
