#pragma once
// The Windows headers, with the API level this program targets (Windows 7).
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0601
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
