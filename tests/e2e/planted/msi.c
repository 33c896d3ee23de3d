/* A hostile msi.dll, planted beside Setup.exe and in its working directory.
   If it is ever loaded it leaves C:\planted-msi-ran.txt behind. */
#include <windows.h>

static void Mark(const char* what)
{
    HANDLE file = CreateFileA("C:\\planted-msi-ran.txt", GENERIC_WRITE, 0, NULL, OPEN_ALWAYS, 0, NULL);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written;
        SetFilePointer(file, 0, NULL, FILE_END);
        WriteFile(file, what, lstrlenA(what), &written, NULL);
        CloseHandle(file);
    }
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)instance;
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) Mark("loaded\n");
    return TRUE;
}

UINT WINAPI PlantedSetInternalUI(UINT level, HWND* window)
{
    (void)level;
    (void)window;
    Mark("MsiSetInternalUI\n");
    return 5;
}

UINT WINAPI PlantedInstallProductA(LPCSTR path, LPCSTR command)
{
    (void)path;
    (void)command;
    Mark("MsiInstallProductA\n");
    return 0;
}
