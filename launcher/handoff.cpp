#include "launcher.h"

namespace {

typedef UINT(WINAPI* SetInternalUIProc)(UINT level, HWND* window);
typedef UINT(WINAPI* InstallProductProc)(LPCSTR packagePath, LPCSTR commandLine);

// msi.dll from the system directory, never from the search path: a copy
// planted beside the launcher or in the working directory must not run.
class CInstallerLibrary {
public:
    CInstallerLibrary() : m_hModule(NULL)
    {
        char path[2 * MAX_PATH];  // two bytes for a character of a double-byte code page
        UINT length = AFX_SYS(GetSystemDirectoryA)(path, sizeof(path));
        CString name = "\\msi.dll";
        if (length == 0 || length + name.GetLength() >= sizeof(path)) return;
        path[length] = '\0';
        // The altered search path makes msi.dll's own imports resolve from
        // its folder first, not from the launcher's.
        m_hModule = AFX_SYS(LoadLibraryExA)(CString(path) + name, NULL, LOAD_WITH_ALTERED_SEARCH_PATH);
    }
    ~CInstallerLibrary()
    {
        if (m_hModule != NULL) AFX_SYS(FreeLibrary)(m_hModule);
    }
    FARPROC Proc(WORD ordinal) const
    {
        return m_hModule != NULL ? AFX_SYS(GetProcAddress)(m_hModule, MAKEINTRESOURCEA(ordinal)) : NULL;
    }

private:
    CInstallerLibrary(const CInstallerLibrary&);
    CInstallerLibrary& operator=(const CInstallerLibrary&);

    HMODULE m_hModule;
};

}  // namespace

void RunInstaller(LPCSTR packagePath)
{
    CInstallerLibrary msi;
    FARPROC setInternalUI = msi.Proc(kOrdinalSetInternalUI);
    FARPROC installProduct = msi.Proc(kOrdinalInstallProduct);
    if (setInternalUI == NULL || installProduct == NULL) return;

    AfxProcAs<SetInternalUIProc>(setInternalUI)(kInstallUILevelFull, NULL);
    AfxProcAs<InstallProductProc>(installProduct)(packagePath, "");
}
