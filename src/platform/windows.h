#pragma once
// The Windows headers, at the API level of the oldest Windows the program is
// built for (Vista, as its PE header says), so that the headers leave out most
// functions Vista lacks: imported, one would keep the program from starting
// there. A newer function is looked up at run time.
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0600
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <winioctl.h>
#include <winternl.h>
#include <objbase.h>
#include <oleauto.h>
#include <shlobj.h>
#include <stdio.h>
