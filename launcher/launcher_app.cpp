#include "launcher.h"

#include <string.h>

BOOL IsSupportedWindowsVersion(const OSVERSIONINFOA& version)
{
    return version.dwMajorVersion >= 5 || (version.dwMajorVersion == 4 && version.dwMinorVersion == 90);
}

// The whole launch runs here; returning FALSE makes the framework exit at
// once, without a window or a message loop, with exit code 0.
BOOL CLauncherApp::InitInstance()
{
    AfxEnableControlContainer();
    Enable3dControlsStatic();

    OSVERSIONINFOA version;
    memset(&version, 0, sizeof(version));
    version.dwOSVersionInfoSize = sizeof(version);  // 148
    BOOL haveVersion = AFX_SYS(GetVersionExA)(&version);

    CString baseName;
    baseName.LoadString(IDS_PACKAGE_BASE_NAME);

    if (haveVersion && IsSupportedWindowsVersion(version))
        ResolveAndInstall(baseName, SelectPackageName(baseName));
    return FALSE;
}
