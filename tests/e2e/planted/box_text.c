/* box_text PROGRAM [ARGUMENTS]: starts PROGRAM, prints the dialog boxes it
   shows every tenth of a second as "window<TAB>caption<TAB>text" lines in
   UTF-8 (Wine's traces cut long texts short), and ends with its exit code. */
#include <windows.h>

static DWORD g_program;

static void Print(const WCHAR* text)
{
    char utf8[8192];
    DWORD written;
    int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof(utf8), NULL, NULL);
    if (length > 1) WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), utf8, (DWORD)length - 1, &written, NULL);
}

static BOOL CALLBACK PrintStatic(HWND window, LPARAM caption)
{
    WCHAR name[64], text[1024], line[1025];  /* wsprintfW writes 1,024 characters at most */
    GetClassNameW(window, name, 64);
    if (lstrcmpiW(name, L"Static") == 0 && GetWindowTextW(window, text, 1024) > 0) {
        wsprintfW(line, L"%lx\t%s\t%s\n", (unsigned long)(ULONG_PTR)GetParent(window), (const WCHAR*)caption, text);
        Print(line);
    }
    return TRUE;
}

static BOOL CALLBACK PrintDialog(HWND window, LPARAM unused)
{
    WCHAR name[64], caption[1024];
    DWORD process = 0;
    (void)unused;
    GetWindowThreadProcessId(window, &process);
    GetClassNameW(window, name, 64);
    if (process != g_program || lstrcmpW(name, L"#32770") != 0 || !IsWindowVisible(window)) return TRUE;
    GetWindowTextW(window, caption, 1024);
    EnumChildWindows(window, PrintStatic, (LPARAM)caption);
    return TRUE;
}

int main(void)
{
    static WCHAR line[32768];
    STARTUPINFOW startup = {sizeof(startup)};
    PROCESS_INFORMATION program;
    DWORD code = 255;
    const WCHAR* rest = GetCommandLineW();
    BOOL quoted = FALSE;
    for (; *rest != L'\0' && (quoted || (*rest != L' ' && *rest != L'\t')); ++rest)
        if (*rest == L'"') quoted = !quoted;
    while (*rest == L' ' || *rest == L'\t') ++rest;
    lstrcpynW(line, rest, 32768);
    if (!CreateProcessW(NULL, line, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &program)) {
        Print(L"\tbox_text\tcould not start the program\n");
        return 255;
    }
    g_program = program.dwProcessId;
    do EnumWindows(PrintDialog, 0);
    while (WaitForSingleObject(program.hProcess, 100) == WAIT_TIMEOUT);
    GetExitCodeProcess(program.hProcess, &code);
    return (int)code;
}
