/* Prints every dialog box on screen as "window<TAB>caption<TAB>text" in
   UTF-8, a line each, and ends: the end-to-end tests read message boxes with
   it, as Wine's traces cut long texts short. */
#include <windows.h>

static void Print(const WCHAR* text)
{
    char utf8[8192];
    DWORD written;
    int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof(utf8), NULL, NULL);
    if (length > 1) WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), utf8, (DWORD)length - 1, &written, NULL);
}

static BOOL CALLBACK PrintStatic(HWND window, LPARAM caption)
{
    WCHAR name[64], text[4096];
    GetClassNameW(window, name, 64);
    if (lstrcmpiW(name, L"Static") == 0 && GetWindowTextW(window, text, 4096) > 0) {
        wsprintfW(name, L"%lx\t", (unsigned long)(ULONG_PTR)GetParent(window));
        Print(name);
        Print((const WCHAR*)caption);
        Print(L"\t");
        Print(text);
        Print(L"\n");
    }
    return TRUE;
}

static BOOL CALLBACK PrintDialog(HWND window, LPARAM unused)
{
    WCHAR name[64], caption[1024];
    (void)unused;
    GetClassNameW(window, name, 64);
    if (lstrcmpW(name, L"#32770") == 0 && IsWindowVisible(window)) {
        GetWindowTextW(window, caption, 1024);
        EnumChildWindows(window, PrintStatic, (LPARAM)caption);
    }
    return TRUE;
}

int main(void)
{
    return !EnumWindows(PrintDialog, 0);
}
