// The setup launcher: picks the installer package that matches the user's
// language and hands it to Windows Installer with its full user interface.
#ifndef LAUNCHER_LAUNCHER_H
#define LAUNCHER_LAUNCHER_H

#include "../framework/afxwin.h"

// String resource holding the package base name ("quelvarine" for
// quelvarine_enu.msi and friends).
const UINT IDS_PACKAGE_BASE_NAME = 101;

// Texts are composed in buffers of this size, terminator included.
const int kPathBufferSize = 2048;

class CLauncherApp : public CWinApp {
public:
    CLauncherApp() {}
    virtual BOOL InitInstance();
};

// True for Windows Me (4.90), Windows 2000 (5.0) and everything later.
BOOL IsSupportedWindowsVersion(const OSVERSIONINFOA& version);

// The package file name for a locale with the given three-letter language
// abbreviation and ISO 639 name: the base name, an underscore, a language tag
// and ".msi"; a wildcard pattern ("*.msi") where the locale only fixes the
// language. Empty, which makes the lookup take the English package, when the
// abbreviation is NULL (it could not be read) or empty, or when the tag would
// hold a path separator. A NULL ISO name counts as empty.
CString PackageNameForLocale(const CString& baseName, LPCSTR abbreviation, LPCSTR isoName);

// PackageNameForLocale for the user's default locale; the ISO name is read
// only when the abbreviation alone does not decide.
CString SelectPackageName(const CString& baseName);

// Finds the package (falling back to the English one) in the current
// directory and runs Windows Installer on it. Shows a message and returns
// when no package is there or the current directory cannot be read.
void ResolveAndInstall(const CString& baseName, CString packageName);

// Windows Installer's two entry points, by ordinal in msi.dll.
const WORD kOrdinalSetInternalUI = 141;
const WORD kOrdinalInstallProduct = 87;
const UINT kInstallUILevelFull = 5;

// Loads msi.dll from the system directory only and installs the package with
// the full user interface. Returns when the installer does; its result, and a
// missing msi.dll, end the run silently.
void RunInstaller(LPCSTR packagePath);

#endif
