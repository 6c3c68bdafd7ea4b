#pragma once
// The file name of the running executable, read from /proc/self/exe with a
// buffer that grows until the whole path fits.
#include "platform/rtl/AnsiString.h"
#include "platform/win/core/Windows.h"

// The executable's full path; empty when the system cannot tell.
AnsiString ModuleFileName();

// The Win32 form. Only the executable (module null) is known here. Copies at
// most size - 1 characters and a terminating zero; returns the length copied,
// which equals size when the name was cut. 0 for other modules or on failure.
DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size);
