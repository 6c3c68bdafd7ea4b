#pragma once
// Loading libraries by name. A name with a "/" is a path and loaded as it
// stands. A bare name is looked for only in the program's own places: the
// folder set with SetDllDirectoryA, the executable's folder and the
// installation's library folder <executable's folder>/../lib/velmora; never in
// the current directory and never on the system's library path. A name ending
// in ".DLL" (any case) names the shared object of the same stem in lower case
// with ".so" ("TWAIN_32.DLL" is "twain_32.so").
#include "platform/rtl/AnsiString.h"
#include "platform/win/core/Windows.h"
#include <vector>

using FARPROC = void (*)();

// nullptr when the library is not found or cannot be loaded.
HMODULE LoadLibraryA(const char* fileName);
// nullptr when the module lacks the symbol.
FARPROC GetProcAddress(HMODULE module, const char* procName);
BOOL FreeLibrary(HMODULE module);
// One extra folder searched first for bare names; nullptr or "" removes it.
BOOL SetDllDirectoryA(const char* path);

// The shared-object file name a bare library name stands for.
AnsiString LibraryFileName(const AnsiString& name);
// The folders a bare name is looked for in, in order.
std::vector<AnsiString> LibrarySearchPath();
// Why the last LoadLibraryA on this thread failed ("" after a success).
AnsiString LastLoadError();
