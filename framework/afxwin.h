// The application framework: the application object and its lifecycle,
// string resources, the reference-counted string, the message box and the
// file finder. This is the only header the launcher includes.
#ifndef FRAMEWORK_AFXWIN_H
#define FRAMEWORK_AFXWIN_H

#include "platform.h"

#include <stddef.h>

struct CStringData;

// A counted, zero-terminated string of 8-bit characters in the ANSI code page.
// Copies share one buffer until one of them is changed; the empty string
// owns no memory; a null text operand counts as empty.
class CString {
public:
    CString();
    CString(const CString& other);
    CString(LPCSTR text);
    ~CString();

    CString& operator=(const CString& other);
    CString& operator=(LPCSTR text);
    CString& operator+=(const CString& other);
    CString& operator+=(LPCSTR text);

    friend CString operator+(const CString& left, const CString& right);
    friend CString operator+(const CString& left, LPCSTR right);
    friend CString operator+(LPCSTR left, const CString& right);

    int GetLength() const;
    BOOL IsEmpty() const;
    void Empty();
    operator LPCSTR() const { return m_pchData; }

    // Room for at least minLength characters plus the terminator; the
    // contents are kept. ReleaseBuffer(-1) takes the length up to the first zero.
    LPSTR GetBuffer(int minLength);
    void ReleaseBuffer(int newLength = -1);

    // Loads a string resource of the current resource module, whatever its
    // length. False (and empty) when the string is missing or empty.
    BOOL LoadString(UINT id);

    // printf-style formatting; the result is never truncated.
    void Format(LPCSTR format, ...);

private:
    CStringData* GetData() const;
    void Release();
    void AllocBuffer(int length);
    void AssignCopy(int length, LPCSTR text);
    void ConcatInPlace(int length, LPCSTR text);
    void CopyBeforeWrite();

    char* m_pchData;
};

// Control containment: the framework's default manager, or one of the
// application's own. No window of this program hosts controls, so this only
// records the choice.
class COccManager {};
void AfxEnableControlContainer(COccManager* manager = NULL);
COccManager* AfxGetOccManager();

class CWinApp {
public:
    explicit CWinApp(LPCSTR appName = NULL);
    virtual ~CWinApp();

    virtual BOOL InitApplication();
    virtual BOOL InitInstance();
    virtual int Run();
    virtual int ExitInstance();
    virtual int DoMessageBox(LPCSTR prompt, UINT type, UINT helpId);

    // True where the system draws 3D controls itself (Windows 95/NT 4 and
    // later); older systems would need CTL3D, which this framework does not carry.
    BOOL Enable3dControlsStatic();

    LPCSTR GetAppName() const { return m_strAppName; }
    LPCSTR GetExeName() const { return m_strExeName; }

    // Start-up values, stored by AfxWinMain; nothing in the launcher reads them.
    HINSTANCE m_hInstance;
    LPSTR m_lpCmdLine;
    int m_nCmdShow;
    HWND m_hMainWnd;  // never created in this program
    DWORD m_dwPromptContext;

protected:
    friend int AfxWinMain(HINSTANCE, HINSTANCE, LPSTR, int);
    void SetCurrentHandles();

    CString m_strAppName;
    CString m_strExeName;
    MSG m_msgCur;  // last message the loop retrieved; its wParam is the exit code

private:
    CWinApp(const CWinApp&);
    CWinApp& operator=(const CWinApp&);
};

CWinApp* AfxGetApp();
HINSTANCE AfxGetInstanceHandle();
HINSTANCE AfxGetResourceHandle();

// The framework entry: set-up, InitApplication, InitInstance, then either the
// message loop or ExitInstance at once. Returns the process exit code.
int AfxWinMain(HINSTANCE instance, HINSTANCE prevInstance, LPSTR cmdLine, int cmdShow);

// Shows a message box captioned with the application name. A box with no icon
// of its own gets the exclamation icon when its buttons are OK, OK/Cancel,
// Yes/No/Cancel or Yes/No.
int AfxMessageBox(LPCSTR text, UINT type = MB_OK, UINT helpId = 0);

// Searches a directory for a file name or a wildcard pattern. Entries come in
// the order the system returns them; directories match like files.
class CFileFind {
public:
    CFileFind();
    ~CFileFind();

    BOOL FindFile(LPCSTR pattern = NULL, DWORD unused = 0);
    BOOL FindNextFile();
    CString GetFileName() const;
    // The found entry's short (8.3) name; empty where it has none.
    CString GetShortFileName() const;
    CString GetRoot() const { return m_strRoot; }
    void Close();

private:
    CFileFind(const CFileFind&);
    CFileFind& operator=(const CFileFind&);

    WIN32_FIND_DATAA m_records[2];
    WIN32_FIND_DATAA* m_pFoundInfo;  // the entry GetFileName reports
    WIN32_FIND_DATAA* m_pNextInfo;   // the entry read ahead
    HANDLE m_hContext;
    CString m_strRoot;
};

// Converts an address from GetProcAddress to the entry point's real type
// (through void(*)(), the one type compilers accept as "any function").
template <typename Proc>
Proc AfxProcAs(FARPROC address)
{
    return reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(address));
}

// Whether a byte starts a double-byte character of the ANSI code page; on
// Windows, IsDBCSLeadByte.
typedef BOOL(WINAPI* AfxLeadByteTest)(BYTE c);

// Returns the last character of text that is one of chars, or NULL. Double-byte
// characters are stepped over whole, so a trail byte is never taken for one
// of chars; a lead byte with nothing after it ends the text.
LPCSTR AfxFindLastOf(LPCSTR text, LPCSTR chars, AfxLeadByteTest isLeadByte);

// Cuts path, in place, to its file name without the extension and returns
// where that name starts: what follows the last '\\', '/' or ':', up to its
// last dot. A dot in a folder name starts no extension.
LPSTR AfxFileTitle(LPSTR path, AfxLeadByteTest isLeadByte);

#endif
