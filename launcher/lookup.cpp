#include "launcher.h"

namespace {

const char kMissingPackageMessage[] = "Unable to continue installation due to file %s is missing";
const char kNoCurrentDirectoryMessage[] = "Fail to get current working directory";

// A composed text that would not fit its buffer is never cut: the caller
// treats it as a file that is not there.
bool FitsPathBuffer(const CString& text) { return text.GetLength() < kPathBufferSize; }

// Looks the package up in the current directory. A match takes the name the
// file system spells (a pattern becomes the first entry the search returns);
// otherwise the English package, spelled as the literal. The finder stays
// open until the caller's run ends.
bool FindPackage(CFileFind& finder, const CString& fallback, CString& packageName)
{
    CString probe = ".\\" + packageName;
    if (FitsPathBuffer(probe) && finder.FindFile(probe)) {
        finder.FindNextFile();
        packageName = finder.GetFileName();
        return true;
    }

    if (FitsPathBuffer(fallback) && finder.FindFile(fallback)) {
        packageName = fallback;
        return true;
    }
    return false;
}

// The package's full path: the current directory, a backslash and the name,
// as they are (at a drive root that gives D:\\name, which the installer takes).
bool ComposeFullPath(const CString& packageName, CString& fullPath)
{
    char directory[kPathBufferSize];
    // The result is the length on success, and the size needed, terminator
    // included, when the buffer is too small: both cases must be told apart.
    DWORD length = AFX_SYS(GetCurrentDirectoryA)(kPathBufferSize, directory);
    if (length == 0 || length >= static_cast<DWORD>(kPathBufferSize)) return false;
    directory[length] = '\0';
    fullPath = CString(directory) + "\\" + packageName;
    return FitsPathBuffer(fullPath);
}

}  // namespace

void ResolveAndInstall(const CString& baseName, CString packageName)
{
    CFileFind finder;
    CString fallback = baseName + "_enu.msi";
    if (!FindPackage(finder, fallback, packageName)) {
        CString message;
        message.Format(kMissingPackageMessage, static_cast<LPCSTR>(fallback));
        AfxMessageBox(message);
        return;
    }

    CString fullPath;
    if (!ComposeFullPath(packageName, fullPath)) {
        AfxMessageBox(kNoCurrentDirectoryMessage);
        return;
    }
    RunInstaller(fullPath);
}
