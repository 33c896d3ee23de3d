// Host builds only: the slice of the Win32 API (and of msvcrt) that the
// framework and the launcher use, and the constants their tests name, with
// the real types and values, so that the same sources compile off Windows.
// The functions are defined by tests/fake.
#ifndef FRAMEWORK_HOST_WIN32_H
#define FRAMEWORK_HOST_WIN32_H

#include <stdarg.h>
#include <stddef.h>
#include <stdint.h>

#define WINAPI
#define CALLBACK

typedef int BOOL;
typedef unsigned char BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef unsigned int UINT;
typedef char CHAR;
typedef char* LPSTR;
typedef const char* LPCSTR;
typedef wchar_t WCHAR;
typedef WCHAR* LPWSTR;
typedef const WCHAR* LPCWSTR;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef uintptr_t ULONG_PTR;
typedef DWORD LCID;
typedef DWORD LCTYPE;
typedef void* HANDLE;
typedef struct HWND__* HWND;
typedef struct HINSTANCE__* HINSTANCE;
typedef HINSTANCE HMODULE;
typedef intptr_t(WINAPI* FARPROC)();
typedef BOOL(CALLBACK* LOCALE_ENUMPROCA)(LPSTR);

#define TRUE 1
#define FALSE 0
#define MAX_PATH 260
#define INVALID_HANDLE_VALUE ((HANDLE)(intptr_t)-1)
#define MAKEINTRESOURCEA(i) ((LPSTR)(ULONG_PTR)((WORD)(i)))

#define INVALID_FILE_ATTRIBUTES ((DWORD)-1)
#define CP_ACP 0
#define WC_NO_BEST_FIT_CHARS 0x00000400

#define ERROR_FILE_NOT_FOUND 2
#define ERROR_NO_MORE_FILES 18
#define ERROR_NOT_READY 21
#define ERROR_INVALID_NAME 123
#define ERROR_FILENAME_EXCED_RANGE 206

#define SEM_FAILCRITICALERRORS 0x0001
#define SEM_NOOPENFILEERRORBOX 0x8000

#define LOAD_WITH_ALTERED_SEARCH_PATH 0x00000008
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800

#define LOCALE_USER_DEFAULT 0x0400
#define LOCALE_SABBREVLANGNAME 0x00000003
#define LOCALE_SISO639LANGNAME 0x00000059
#define LCID_SUPPORTED 0x00000002

#define MB_OK 0x00000000
#define MB_OKCANCEL 0x00000001
#define MB_ABORTRETRYIGNORE 0x00000002
#define MB_YESNOCANCEL 0x00000003
#define MB_YESNO 0x00000004
#define MB_RETRYCANCEL 0x00000005
#define MB_CANCELTRYCONTINUE 0x00000006
#define MB_ICONHAND 0x00000010
#define MB_ICONQUESTION 0x00000020
#define MB_ICONEXCLAMATION 0x00000030
#define MB_ICONMASK 0x000000F0
#define MB_TYPEMASK 0x0000000F
#define IDOK 1

#define GWL_STYLE (-16)
#define WS_CHILD 0x40000000L

typedef struct _FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
} FILETIME;

typedef struct _WIN32_FIND_DATAA {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD dwReserved0;
    DWORD dwReserved1;
    CHAR cFileName[MAX_PATH];
    CHAR cAlternateFileName[14];
} WIN32_FIND_DATAA;

typedef struct _OSVERSIONINFOA {
    DWORD dwOSVersionInfoSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    CHAR szCSDVersion[128];
} OSVERSIONINFOA;

typedef struct tagPOINT {
    LONG x;
    LONG y;
} POINT;

typedef struct tagMSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
} MSG;

namespace hostwin {

// kernel32
BOOL GetVersionExA(OSVERSIONINFOA* info);
DWORD GetVersion();
int GetLocaleInfoA(LCID locale, LCTYPE type, LPSTR data, int size);
BOOL EnumSystemLocalesA(LOCALE_ENUMPROCA proc, DWORD flags);
DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer);
DWORD GetSystemDirectoryA(LPSTR buffer, UINT size);
HANDLE FindFirstFileA(LPCSTR pattern, WIN32_FIND_DATAA* data);
BOOL FindNextFileA(HANDLE search, WIN32_FIND_DATAA* data);
BOOL FindClose(HANDLE search);
DWORD GetFullPathNameA(LPCSTR name, DWORD size, LPSTR buffer, LPSTR* filePart);
DWORD GetLastError();
void SetLastError(DWORD error);
UINT SetErrorMode(UINT mode);
DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size);
HMODULE GetModuleHandleA(LPCSTR name);
HMODULE LoadLibraryExA(LPCSTR path, HANDLE reserved, DWORD flags);
FARPROC GetProcAddress(HMODULE module, LPCSTR name);
BOOL FreeLibrary(HMODULE module);
BOOL IsDBCSLeadByte(BYTE c);
DWORD GetFileAttributesA(LPCSTR path);
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int length, LPWSTR out, int size);
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR text, int length, LPSTR out, int size, LPCSTR defaultChar,
                        BOOL* usedDefaultChar);

// user32
int LoadStringA(HINSTANCE instance, UINT id, LPSTR buffer, int size);
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
HWND GetActiveWindow();
HWND GetParent(HWND window);
LONG GetWindowLongA(HWND window, int index);
HWND GetLastActivePopup(HWND window);
BOOL IsWindowEnabled(HWND window);
BOOL EnableWindow(HWND window, BOOL enable);
BOOL GetMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax);
BOOL TranslateMessage(const MSG* msg);
LPARAM DispatchMessageA(const MSG* msg);

// msvcrt: -1 when the text does not fit count bytes, and no terminator when
// it fills them exactly.
int _vsnprintf(char* buffer, size_t count, const char* format, va_list args);

}  // namespace hostwin

#endif
