#include "afxwin.h"

namespace {

// Help ids shown in a box are offset into the prompt range of help contexts.
const DWORD kHelpPromptBase = 0x30000;

// Finds the window that should own a message box: the main window, else the
// thread's active window, taken up to a window that is not a child and then to
// its last active pop-up. The top-level window is disabled while the box is up
// and is returned in *disabled (NULL if nothing was disabled).
HWND FindOwner(HWND start, HWND* disabled)
{
    HWND window = start != NULL ? start : AFX_SYS(GetActiveWindow)();
    // A pop-up cannot be owned by a child window.
    while (window != NULL && (AFX_SYS(GetWindowLongA)(window, GWL_STYLE) & WS_CHILD))
        window = AFX_SYS(GetParent)(window);

    HWND top = window;
    for (HWND parent = top != NULL ? AFX_SYS(GetParent)(top) : NULL; parent != NULL;
         parent = AFX_SYS(GetParent)(parent))
        top = parent;

    if (window != NULL) window = AFX_SYS(GetLastActivePopup)(window);

    *disabled = NULL;
    if (top != NULL && top != window && AFX_SYS(IsWindowEnabled)(top)) {
        AFX_SYS(EnableWindow)(top, FALSE);
        *disabled = top;
    }
    return window;
}

// Abort/Retry/Ignore, Retry/Cancel and later button sets get no icon of
// their own.
UINT AddDefaultIcon(UINT type)
{
    if ((type & MB_ICONMASK) != 0) return type;
    switch (type & MB_TYPEMASK) {
    case MB_OK:
    case MB_OKCANCEL:
    case MB_YESNOCANCEL:
    case MB_YESNO:
        return type | MB_ICONEXCLAMATION;
    default:
        return type;
    }
}

int ShowBox(HWND mainWindow, LPCSTR text, LPCSTR caption, UINT type)
{
    HWND disabled;
    HWND owner = FindOwner(mainWindow, &disabled);
    int result = AFX_SYS(MessageBoxA)(owner, text, caption, AddDefaultIcon(type));
    if (disabled != NULL) AFX_SYS(EnableWindow)(disabled, TRUE);
    return result;
}

}  // namespace

int CWinApp::DoMessageBox(LPCSTR prompt, UINT type, UINT helpId)
{
    DWORD savedContext = m_dwPromptContext;
    if (helpId != 0) m_dwPromptContext = kHelpPromptBase + helpId;
    int result = ShowBox(m_hMainWnd, prompt, m_strAppName, type);
    m_dwPromptContext = savedContext;
    return result;
}

int AfxMessageBox(LPCSTR text, UINT type, UINT helpId)
{
    CWinApp* app = AfxGetApp();
    if (app != NULL) return app->DoMessageBox(text, type, helpId);
    return ShowBox(NULL, text, NULL, type);
}
