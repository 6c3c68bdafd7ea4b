#pragma once
// The shell's execute operation. "open" hands the file (a path or an address)
// to the desktop's opener, xdg-open, started without a shell and detached
// from the caller: the call returns as soon as the opener runs, never waiting
// for the program it starts.
#include "platform/win/core/Windows.h"

// Results: a value above 32 means the opener was started; the others say why not.
constexpr int SE_ERR_FNF = 2;            // no file named, or not a usable one
constexpr int SE_ERR_PNF = 3;            // the working directory does not exist
constexpr int SE_ERR_ACCESSDENIED = 5;
constexpr int SE_ERR_OOM = 8;
constexpr int SE_ERR_NOASSOC = 31;       // verb not supported, or no opener installed
constexpr int SE_SUCCESS = 42;

// operation: "open" or null (the default verb); anything else is not supported.
// parameters must be empty: documents are opened, not programs run with arguments.
// directory: the opener's working directory, or null. showCmd is left to the
// desktop, which decides how the program's window appears.
HINSTANCE ShellExecute(HWND hwnd, LPCSTR operation, LPCSTR file, LPCSTR parameters, LPCSTR directory, int showCmd);
HINSTANCE ShellExecuteA(HWND hwnd, LPCSTR operation, LPCSTR file, LPCSTR parameters, LPCSTR directory, int showCmd);

// The result as an int, the way callers test it (> 32 is success).
inline int ShellExecuteResult(HINSTANCE result) { return static_cast<int>(reinterpret_cast<intptr_t>(result)); }
