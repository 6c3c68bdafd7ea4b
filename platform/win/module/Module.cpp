#include "platform/win/module/Module.h"
#include "platform/win/prefix/ModuleFileName.h"
#include <dlfcn.h>
#include <mutex>
#include <sys/stat.h>

namespace {

std::mutex g_mutex;
AnsiString g_dllDirectory;
thread_local AnsiString t_lastError;

AnsiString executableFolder()
{
    AnsiString path = ModuleFileName();
    auto slash = path.rfind('/');
    return slash == AnsiString::npos ? AnsiString {} : path.substr(0, slash);
}

bool isFile(const AnsiString& path)
{
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}

AnsiString LibraryFileName(const AnsiString& name)
{
    if (name.size() > 4 && SameText(std::string_view(name).substr(name.size() - 4), ".dll"))
        return LowerCase(std::string_view(name).substr(0, name.size() - 4)) + ".so";
    return name;
}

std::vector<AnsiString> LibrarySearchPath()
{
    std::vector<AnsiString> folders;
    {
        std::lock_guard lock(g_mutex);
        if (!g_dllDirectory.empty())
            folders.push_back(g_dllDirectory);
    }
    AnsiString exe = executableFolder();
    if (!exe.empty()) {
        folders.push_back(exe);
        folders.push_back(exe + "/../lib/velmora");
    }
    return folders;
}

HMODULE LoadLibraryA(const char* fileName)
{
    t_lastError.clear();
    if (!fileName || !*fileName) {
        t_lastError = "no library name";
        return nullptr;
    }
    AnsiString name = fileName;
    AnsiString path;
    if (name.find('/') != AnsiString::npos) {
        path = name;
    } else {
        AnsiString file = LibraryFileName(name);
        for (const AnsiString& folder : LibrarySearchPath()) {
            if (isFile(folder + "/" + file)) {
                path = folder + "/" + file;
                break;
            }
        }
        if (path.empty()) {
            t_lastError = file + ": not found";
            return nullptr;
        }
    }
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = dlerror();
        t_lastError = why ? why : path + ": cannot be loaded";
        return nullptr;
    }
    return static_cast<HMODULE>(handle);
}

FARPROC GetProcAddress(HMODULE module, const char* procName)
{
    if (!module || !procName)
        return nullptr;
    dlerror();
    void* symbol = dlsym(module, procName);
    return reinterpret_cast<FARPROC>(symbol);
}

BOOL FreeLibrary(HMODULE module)
{
    if (!module)
        return FALSE;
    return dlclose(module) == 0 ? TRUE : FALSE;
}

BOOL SetDllDirectoryA(const char* path)
{
    std::lock_guard lock(g_mutex);
    g_dllDirectory = path ? path : "";
    return TRUE;
}

AnsiString LastLoadError()
{
    return t_lastError;
}
