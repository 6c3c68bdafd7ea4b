#pragma once
// Keeps SANE's own libraries mapped until the test ends. The bridge unloads
// them with the manager, and a leak report about memory SANE allocated would
// then name no library, so it could not be told apart from ours (and the
// suppressions in lsan.supp, which name SANE's libraries, could not apply).
#include <dlfcn.h>

inline void KeepSaneResident()
{
    for (const char* name : { "libsane.so.1", "/usr/lib/x86_64-linux-gnu/sane/libsane-test.so.1" })
        dlopen(name, RTLD_NOW | RTLD_NODELETE);
}
