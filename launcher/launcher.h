// The setup launcher: picks the installer package that matches the user's
// language and hands it to Windows Installer with its full user interface.
#ifndef LAUNCHER_LAUNCHER_H
#define LAUNCHER_LAUNCHER_H

#include "../framework/afxwin.h"
#include "../resources/resource_ids.h"  // IDS_PACKAGE_BASE_NAME: "quelvarine" for quelvarine_enu.msi
#include "package_rules.h"

// Texts are composed in buffers of this size, terminator included.
const int kPathBufferSize = 2048;

class CLauncherApp : public CWinApp {
public:
    CLauncherApp() {}
    virtual BOOL InitInstance();
};

// True for Windows Me (4.90), Windows 2000 (5.0) and everything later.
BOOL IsSupportedWindowsVersion(const OSVERSIONINFOA& version);

typedef package_rules::PackageNames<CString> PackageNames;

// The package names for the user's default locale (package_rules.h); the
// ISO name is read only when the abbreviation alone does not decide. None
// when the abbreviation cannot be read.
PackageNames SelectPackageName(const CString& baseName);

// Every locale the system knows, as package_rules::LanguageJudge asks about
// them: asked only when a wildcard finds a package that is not the locale's own.
class CSystemLocales {
public:
    void Tell(package_rules::TagLanguage& language);
};

// Finds the package (the locale's own, its package name, else the English
// one) in the current directory and runs Windows Installer on it, by a full
// path shorter than MAX_PATH characters. Passes over another language's
// package that the package name matches. Shows a message and returns when no
// package is there, or when the package's path has no exact spelling in the
// ANSI code page.
void ResolveAndInstall(const CString& baseName, const PackageNames& names);

// Windows Installer's two entry points, by ordinal in msi.dll.
const WORD kOrdinalSetInternalUI = 141;
const WORD kOrdinalInstallProduct = 87;
const UINT kInstallUILevelFull = 5;

// Loads msi.dll from the system directory only and installs the package with
// the full user interface. Returns when the installer does; its result, and a
// missing msi.dll, end the run silently.
void RunInstaller(LPCSTR packagePath);

#endif
