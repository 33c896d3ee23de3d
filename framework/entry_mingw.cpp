// The process entry of the MinGW build: the framework owns start-up, and no
// C runtime start-up object is linked (msvcrt.dll stays, for the few
// functions the code calls). What MinGW's start-up did, and why none of it is
// needed here:
// - an unhandled-exception filter and signal handlers: nothing here raises or
//   handles an exception, and a fault ends the process as Windows ends any;
// - TLS callbacks: there is one thread and no thread-local data;
// - pseudo-relocations for data imported without __declspec(dllimport): the
//   link refuses such imports (--disable-auto-import,
//   --disable-runtime-pseudo-reloc), so none can be left unpatched;
// - FPU set-up (_fpreset): nothing is computed in floating point;
// - __getmainargs and the environment: the framework takes the command line
//   from GetCommandLineA, and reads no environment;
// - .dtors, and .CRT initialisers and terminators: GCC uses neither for C++
//   static objects (it registers their destructors with atexit), and
//   nothing here declares one.
// What it does: static construction (the application object), the
// framework's WinMain, the exit handlers in reverse order, and ExitProcess
// with the exit code.
#include "platform.h"

#include <stdlib.h>

extern "C" int WINAPI WinMain(HINSTANCE instance, HINSTANCE prevInstance, LPSTR cmdLine, int cmdShow);

namespace {

typedef void(__cdecl* ExitHandler)(void);

// GCC registers the destructor of every static object here, one each; the
// launcher has one such object. GCC's registration ignores a failure, so a
// program with more than this ends at once rather than leave one unrun.
const int kMostExitHandlers = 32;
ExitHandler g_exitHandlers[kMostExitHandlers];
int g_exitHandlerCount = 0;

// The command line after the program's name, as WinMain takes it: the name is
// quoted, or ends at a space or a control character; the blanks after it go too.
LPSTR SkipProgramName(LPSTR line)
{
    if (*line == '"') {
        while (*++line != '\0' && *line != '"') {
        }
        if (*line == '"') ++line;
    } else {
        while (static_cast<unsigned char>(*line) > ' ') ++line;
    }
    while (*line != '\0' && static_cast<unsigned char>(*line) <= ' ') ++line;
    return line;
}

}  // namespace

// The linker's list of static constructors: -1, the constructors, then 0.
// GCC's own start-up runs them from last to first.
extern "C" ExitHandler __CTOR_LIST__[];

extern "C" int __cdecl atexit(ExitHandler handler)
{
    if (g_exitHandlerCount == kMostExitHandlers) abort();
    g_exitHandlers[g_exitHandlerCount++] = handler;
    return 0;
}

// The deleting destructors that virtual destructors bring call these; nothing
// here deletes through them. libstdc++'s own would bring its unwind tables.
void operator delete(void* block) { free(block); }
void operator delete(void* block, size_t) { free(block); }

// The one symbol that nothing in the program refers to: the linker's entry.
extern "C" __attribute__((externally_visible)) void __cdecl WinMainCRTStartup()
{
    int last = 0;
    while (__CTOR_LIST__[last + 1] != 0) ++last;
    for (; last > 0; --last) __CTOR_LIST__[last]();

    STARTUPINFOA startup;
    startup.cb = sizeof(startup);
    AFX_SYS(GetStartupInfoA)(&startup);
    int show = (startup.dwFlags & STARTF_USESHOWWINDOW) != 0 ? startup.wShowWindow : SW_SHOWDEFAULT;
    int code = WinMain(AFX_SYS(GetModuleHandleA)(NULL), NULL, SkipProgramName(AFX_SYS(GetCommandLineA)()), show);

    while (g_exitHandlerCount > 0) g_exitHandlers[--g_exitHandlerCount]();
    AFX_SYS(ExitProcess)(static_cast<UINT>(code));
}
