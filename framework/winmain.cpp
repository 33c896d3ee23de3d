// The process entry of the Windows build. The command line and show state
// are handed on untouched; the application object ignores both.
#include "afxwin.h"

extern "C" int WINAPI WinMain(HINSTANCE instance, HINSTANCE prevInstance, LPSTR cmdLine, int cmdShow)
{
    return AfxWinMain(instance, prevInstance, cmdLine, cmdShow);
}
