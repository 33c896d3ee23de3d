/* A hostile msi.dll, planted beside Setup.exe and in its working directory.
   If it is ever loaded it leaves C:\planted-msi-ran.txt behind. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH)
        CloseHandle(CreateFileA("C:\\planted-msi-ran.txt", GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL));
    return TRUE;
}
