#include "platform/win/prefix/ModuleFileName.h"
#include <cstring>
#include <string>
#include <unistd.h>

AnsiString ModuleFileName()
{
    std::string path(256, '\0');
    for (;;) {
        ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size());
        if (n < 0)
            return {};
        if (static_cast<size_t>(n) < path.size()) {
            path.resize(static_cast<size_t>(n));
            return path;
        }
        // readlink cuts silently when the buffer is full: try a bigger one.
        if (path.size() > (1u << 20))
            return {};
        path.resize(path.size() * 2);
    }
}

DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size)
{
    if (module || !buffer || size == 0)
        return 0;
    AnsiString name = ModuleFileName();
    if (name.empty())
        return 0;
    if (name.size() + 1 <= size) {
        std::memcpy(buffer, name.c_str(), name.size() + 1);
        return static_cast<DWORD>(name.size());
    }
    std::memcpy(buffer, name.data(), size - 1);
    buffer[size - 1] = '\0';
    return size;
}
