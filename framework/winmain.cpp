// The program's WinMain, which the process entry calls: the framework's own
// (entry_mingw.cpp) with MinGW-w64, the C runtime's with MSVC. The command
// line and show state are handed on untouched; the application object
// ignores both.
#include "afxwin.h"

extern "C" int WINAPI WinMain(HINSTANCE instance, HINSTANCE prevInstance, LPSTR cmdLine, int cmdShow)
{
    return AfxWinMain(instance, prevInstance, cmdLine, cmdShow);
}
