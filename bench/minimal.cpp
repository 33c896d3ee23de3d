/* The yardstick for the launcher's own cost: a GUI program built like
   Setup.exe, with its manifest, importing the same system DLLs, that only returns. It makes one
   USER32 call, as loading USER32 is the platform's cost, not the launcher's. */
#include <windows.h>
#include <string.h>

extern "C" int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show)
{
    (void)instance;
    (void)previous;
    (void)show;
    GetActiveWindow();
    return commandLine[0] == '\x7f' ? (int)strlen(commandLine) : 0; /* keeps msvcrt.dll imported */
}
