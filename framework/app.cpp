#include "afxwin.h"

#include <string.h>

namespace {

// The module's current application and handles: one application object per
// process, one thread.
CWinApp* g_currentApp = NULL;
HINSTANCE g_instanceHandle = NULL;
HINSTANCE g_resourceHandle = NULL;

COccManager g_defaultOccManager;
COccManager* g_occManager = NULL;

// String resource that, where present, names the application instead of the
// executable's file name.
const UINT kAppNameStringId = 0xE000;

// Bytes in the longest module path: 32,767 characters of two bytes.
const DWORD kLongestModulePath = 65536;

// SetDefaultDllDirectories (Windows 8, or 7 with KB2533623) and
// SetDllDirectoryA (XP SP1) are looked up at run time so that the program
// still starts on Windows Me and 2000, which have neither.
typedef BOOL(WINAPI* SetDefaultDllDirectoriesProc)(DWORD flags);
typedef BOOL(WINAPI* SetDllDirectoryProc)(LPCSTR path);

// Keeps DLLs that a download folder or the working directory may hold out of
// the process: where the system can, libraries come from System32 only;
// elsewhere at least the current directory leaves the search.
void RestrictDllSearch()
{
    HMODULE kernel = AFX_SYS(GetModuleHandleA)("kernel32.dll");
    if (kernel == NULL) return;
    FARPROC setDefault = AFX_SYS(GetProcAddress)(kernel, "SetDefaultDllDirectories");
    if (setDefault != NULL) {
        AfxProcAs<SetDefaultDllDirectoriesProc>(setDefault)(LOAD_LIBRARY_SEARCH_SYSTEM32);
        return;
    }
    FARPROC setDirectory = AFX_SYS(GetProcAddress)(kernel, "SetDllDirectoryA");
    if (setDirectory != NULL) AfxProcAs<SetDllDirectoryProc>(setDirectory)("");
}

// The executable's full path, however long: Windows' limits count characters,
// which may take two bytes each, and a path may be longer than MAX_PATH.
CString ModulePath(HMODULE module)
{
    CString path;
    for (DWORD size = 2 * MAX_PATH;; size *= 2) {
        DWORD length = AFX_SYS(GetModuleFileNameA)(module, path.GetBuffer(size), size);
        // A path that does not fit comes back cut, as long as the buffer
        // (Windows XP leaves it unterminated).
        if (length < size || size >= kLongestModulePath) {
            path.ReleaseBuffer(length < size ? length : size - 1);
            return path;
        }
    }
}

typedef void(WINAPI* InitCommonControlsProc)();

// The manifest's Common Controls 6 dependency hands the buttons and texts of
// message boxes, and of Windows Installer's dialogs, to comctl32.dll version
// 6, which registers them once it is loaded. Vista and later load it when they
// are first used; Windows XP and Server 2003 do not, and Microsoft asks such a
// program to load it and call InitCommonControls, or its message boxes may
// never appear. By name, the load goes to the side-by-side copy the manifest
// names before any folder is searched. Windows Me and 2000 read no manifest
// and need none of this (a load by name there could even find a planted copy).
void LoadCommonControls()
{
    DWORD version = AFX_SYS(GetVersion)();
    if ((version & 0xFF) != 5 || (version >> 8 & 0xFF) == 0) return;
    HMODULE controls = AFX_SYS(LoadLibraryExA)("comctl32.dll", NULL, 0);
    FARPROC init = controls != NULL ? AFX_SYS(GetProcAddress)(controls, "InitCommonControls") : NULL;
    if (init != NULL) AfxProcAs<InitCommonControlsProc>(init)();
}

// Process-wide set-up that cannot fail.
void AfxWinInit(CWinApp* app, HINSTANCE instance, LPSTR cmdLine, int cmdShow)
{
    // A drive without a medium or a file that cannot be opened must come back
    // as an error code, never as a system dialog over the installer.
    AFX_SYS(SetErrorMode)(AFX_SYS(SetErrorMode)(0) | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    RestrictDllSearch();
    LoadCommonControls();

    g_instanceHandle = instance;
    g_resourceHandle = instance;
    if (app != NULL) {
        app->m_hInstance = instance;
        app->m_lpCmdLine = cmdLine;
        app->m_nCmdShow = cmdShow;
    }
}

}  // namespace

LPCSTR AfxFindLastOf(LPCSTR text, LPCSTR chars, AfxLeadByteTest isLeadByte)
{
    LPCSTR found = NULL;
    for (LPCSTR p = text; *p != '\0'; ++p) {
        if (isLeadByte(static_cast<BYTE>(*p))) {
            if (p[1] == '\0') break;  // a lone lead byte ends the text
            ++p;
        } else if (strchr(chars, *p) != NULL) {
            found = p;
        }
    }
    return found;
}

LPSTR AfxFileTitle(LPSTR path, AfxLeadByteTest isLeadByte)
{
    LPCSTR separator = AfxFindLastOf(path, "\\/:", isLeadByte);
    LPSTR name = separator != NULL ? path + (separator - path) + 1 : path;
    LPCSTR dot = AfxFindLastOf(name, ".", isLeadByte);
    if (dot != NULL) name[dot - name] = '\0';
    return name;
}

CWinApp* AfxGetApp() { return g_currentApp; }
HINSTANCE AfxGetInstanceHandle() { return g_instanceHandle; }
HINSTANCE AfxGetResourceHandle() { return g_resourceHandle; }

void AfxEnableControlContainer(COccManager* manager)
{
    g_occManager = manager != NULL ? manager : &g_defaultOccManager;
}

COccManager* AfxGetOccManager() { return g_occManager; }

CWinApp::CWinApp(LPCSTR appName)
    : m_hInstance(NULL),
      m_lpCmdLine(NULL),
      m_nCmdShow(0),
      m_hMainWnd(NULL),
      m_dwPromptContext(0),
      m_strAppName(appName)
{
    memset(&m_msgCur, 0, sizeof(m_msgCur));
    g_currentApp = this;
}

CWinApp::~CWinApp()
{
    if (g_currentApp == this) g_currentApp = NULL;
}

BOOL CWinApp::InitApplication() { return TRUE; }

BOOL CWinApp::InitInstance() { return TRUE; }

int CWinApp::Run()
{
    // GetMessageA returns -1 on error and 0 for WM_QUIT; both end the loop.
    while (AFX_SYS(GetMessageA)(&m_msgCur, NULL, 0, 0) > 0) {
        AFX_SYS(TranslateMessage)(&m_msgCur);
        AFX_SYS(DispatchMessageA)(&m_msgCur);
    }
    return ExitInstance();
}

// There are no settings to save (no recent-file list, no print preview), so
// nothing is written to the registry or any INI file.
int CWinApp::ExitInstance() { return static_cast<int>(m_msgCur.wParam); }

BOOL CWinApp::Enable3dControlsStatic()
{
    BYTE major = static_cast<BYTE>(AFX_SYS(GetVersion)() & 0xFF);
    return major >= 4;
}

// Derives the executable name (file name without its extension) and, unless
// the constructor was given one, the application name that captions every
// message box.
void CWinApp::SetCurrentHandles()
{
    CString path = ModulePath(m_hInstance);
    m_strExeName = AfxFileTitle(path.GetBuffer(0), AFX_SYS(IsDBCSLeadByte));

    if (m_strAppName.IsEmpty()) {
        char title[256];
        int titleLength = AFX_SYS(LoadStringA)(AfxGetResourceHandle(), kAppNameStringId, title, sizeof(title));
        if (titleLength > 0 && title[0] != '\0') {
            title[titleLength < 256 ? titleLength : 255] = '\0';
            m_strAppName = title;
        } else {
            m_strAppName = m_strExeName;
        }
    }
}

int AfxWinMain(HINSTANCE instance, HINSTANCE /*prevInstance*/, LPSTR cmdLine, int cmdShow)
{
    CWinApp* app = AfxGetApp();
    AfxWinInit(app, instance, cmdLine, cmdShow);
    if (app == NULL) return -1;
    app->SetCurrentHandles();

    if (!app->InitApplication()) return -1;
    // No window was created, so there is nothing to destroy before exiting.
    if (!app->InitInstance()) return app->ExitInstance();
    return app->Run();
}
