/* Watches the screen for dialog boxes and prints each new one once, as
   "window<TAB>caption<TAB>text" in UTF-8 on a line of its own, until it is
   ended: the end-to-end tests read message boxes with it, as Wine's traces
   cut long texts short. */
#include <windows.h>

static HWND g_seen[64];
static unsigned g_printed;

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
        ++g_printed;
    }
    return TRUE;
}

/* A box counts as read once its text was printed: one caught before its
   controls had their text is read again on the next round. Handles of boxes
   that are gone are forgotten, as Windows may hand them out again. */
static BOOL CALLBACK PrintNewDialog(HWND window, LPARAM unused)
{
    WCHAR name[64], caption[1024];
    unsigned i, before = g_printed;
    int free = -1;
    (void)unused;
    GetClassNameW(window, name, 64);
    if (lstrcmpW(name, L"#32770") != 0 || !IsWindowVisible(window)) return TRUE;
    for (i = 0; i < 64; ++i) {
        if (g_seen[i] == window) return TRUE;
        if (free < 0 && (g_seen[i] == NULL || !IsWindow(g_seen[i]))) free = (int)i;
    }
    GetWindowTextW(window, caption, 1024);
    EnumChildWindows(window, PrintStatic, (LPARAM)caption);
    if (g_printed != before && free >= 0) g_seen[free] = window;
    return TRUE;
}

int main(void)
{
    Print(L"watching\n");
    for (;;) {
        EnumWindows(PrintNewDialog, 0);
        Sleep(100);
    }
}
