// The one seam between the framework/launcher and the operating system.
//
// Every Windows call is written AFX_SYS(Name)(args...). The Windows build
// binds it straight to the API (no indirection, no cost); the host build
// binds it to the fake in tests/fake, which declares the same names with
// the same types in namespace hostwin. The CRT's _vsnprintf goes through it
// too: msvcrt's contract (-1 when the text does not fit) is not C99's.
#ifndef FRAMEWORK_PLATFORM_H
#define FRAMEWORK_PLATFORM_H

#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <stdio.h>
#define AFX_SYS(name) ::name
#else
#include "host_win32.h"
#define AFX_SYS(name) ::hostwin::name
#endif

#endif
