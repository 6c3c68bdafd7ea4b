#include "platform/win/prefix/Prefix.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/SysUtils.h"
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <mutex>
#include <pwd.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::mutex g_mutex;
std::vector<AnsiString> g_dataSourceFolders;
// Prefixes already prepared (and linked) in this process.
std::set<AnsiString> g_prepared;

AnsiString HomeDirectory()
{
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir)
        return pw->pw_dir;
    return "/";
}

AnsiString StripTrailingSlashes(AnsiString path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

bool IsDirectory(const AnsiString& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// mkdir -p with 0700 for every folder it has to create.
void MakeDirectories(const AnsiString& path)
{
    if (IsDirectory(path))
        return;
    size_t slash = path.rfind('/');
    if (slash != AnsiString::npos && slash > 0)
        MakeDirectories(path.substr(0, slash));
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        throw EInOutError(Format("Unable to create the folder %s: %s", path.c_str(), std::strerror(errno)));
    if (!IsDirectory(path))
        throw EInOutError(Format("Unable to create the folder %s: it exists and is not a folder", path.c_str()));
}

bool EndsWithDs(const AnsiString& name)
{
    return name.size() > 3 && SameText(std::string_view(name).substr(name.size() - 3), ".ds");
}

AnsiString Absolute(const AnsiString& path)
{
    if (char* real = ::realpath(path.c_str(), nullptr)) {
        AnsiString result = real;
        std::free(real);
        return result;
    }
    return path;
}

// Collects name -> absolute file for every *.ds under folder (depth levels).
void CollectSources(const AnsiString& folder, int depth, std::vector<std::pair<AnsiString, AnsiString>>& found)
{
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    while (dirent* entry = ::readdir(dir)) {
        AnsiString name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        AnsiString full = folder + "/" + name;
        struct stat st {};
        if (::stat(full.c_str(), &st) != 0)
            continue;
        if (S_ISDIR(st.st_mode)) {
            // A link to a folder is not followed, so a loop cannot trap us.
            struct stat lst {};
            if (depth > 0 && ::lstat(full.c_str(), &lst) == 0 && !S_ISLNK(lst.st_mode))
                CollectSources(full, depth - 1, found);
        } else if (S_ISREG(st.st_mode) && EndsWithDs(name)) {
            found.emplace_back(name, Absolute(full));
        }
    }
    ::closedir(dir);
}

AnsiString ReadLink(const AnsiString& path)
{
    std::string target(256, '\0');
    for (;;) {
        ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
        if (n < 0)
            return {};
        if (static_cast<size_t>(n) < target.size()) {
            target.resize(static_cast<size_t>(n));
            return target;
        }
        target.resize(target.size() * 2);
    }
}

// Removes links in the driver folder whose target no longer exists (a build
// folder that was deleted, an uninstalled driver).
void RemoveDanglingLinks(const AnsiString& folder)
{
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    while (dirent* entry = ::readdir(dir)) {
        AnsiString full = folder + "/" + entry->d_name;
        struct stat lst {};
        struct stat st {};
        if (::lstat(full.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode) && ::stat(full.c_str(), &st) != 0 && errno == ENOENT)
            ::unlink(full.c_str());
    }
    ::closedir(dir);
}

int LinkInto(const AnsiString& driverFolder, const std::vector<AnsiString>& folders)
{
    std::vector<std::pair<AnsiString, AnsiString>> found;
    for (const AnsiString& folder : folders)
        CollectSources(StripTrailingSlashes(folder), 3, found);

    RemoveDanglingLinks(driverFolder);

    int linked = 0;
    std::set<AnsiString> taken;
    for (const auto& [name, target] : found) {
        if (!taken.insert(name).second)
            continue; // an earlier folder already gave this name
        AnsiString link = driverFolder + "/" + name;
        struct stat lst {};
        if (::lstat(link.c_str(), &lst) == 0) {
            if (!S_ISLNK(lst.st_mode))
                continue; // a real file put there by hand: not ours to replace
            if (ReadLink(link) == target) {
                ++linked;
                continue;
            }
        }
        // A new link under a private name, renamed over the old one, so a
        // manager listing the folder meanwhile never misses the driver.
        AnsiString temp = driverFolder + "/." + name + "." + IntToStr(::getpid()) + ".link";
        ::unlink(temp.c_str());
        if (::symlink(target.c_str(), temp.c_str()) != 0)
            continue;
        if (::rename(temp.c_str(), link.c_str()) != 0) {
            ::unlink(temp.c_str());
            continue;
        }
        ++linked;
    }
    return linked;
}

// Creates the prefix's folders; links the registered sources on the first
// use of this prefix in the process. Caller holds g_mutex.
AnsiString EnsureLocked()
{
    AnsiString prefix = VelPrefix::Path();
    AnsiString drivers = prefix + "/windows/TWAIN_32";
    bool first = g_prepared.find(prefix) == g_prepared.end();
    if (first || !IsDirectory(drivers)) {
        MakeDirectories(prefix);
        MakeDirectories(prefix + "/windows");
        MakeDirectories(drivers);
    }
    if (first) {
        g_prepared.insert(prefix);
        if (!g_dataSourceFolders.empty())
            LinkInto(drivers, g_dataSourceFolders);
    }
    return prefix;
}

} // namespace

namespace VelPrefix {

AnsiString Path()
{
    if (const char* prefix = std::getenv("VELMORA_PREFIX"); prefix && *prefix) {
        AnsiString path = prefix;
        if (path.front() != '/') {
            // A relative prefix would move with the working directory.
            std::string cwd(PATH_MAX, '\0');
            if (::getcwd(cwd.data(), cwd.size()))
                path = AnsiString(cwd.c_str()) + "/" + path;
        }
        return StripTrailingSlashes(path);
    }
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && config[0] == '/')
        return StripTrailingSlashes(config) + "/velmora";
    return StripTrailingSlashes(HomeDirectory()) + "/.config/velmora";
}

AnsiString Ensure()
{
    std::lock_guard lock(g_mutex);
    return EnsureLocked();
}

AnsiString WindowsDirectory()
{
    return Ensure() + "/windows";
}

AnsiString DataSourceDirectory()
{
    return Ensure() + "/windows/TWAIN_32";
}

void SetDataSourceFolders(std::vector<AnsiString> folders)
{
    std::lock_guard lock(g_mutex);
    g_dataSourceFolders = std::move(folders);
    // Prefixes already in use get the new folders now; a prefix used later
    // is linked when it is first prepared.
    for (const AnsiString& prefix : g_prepared)
        if (IsDirectory(prefix + "/windows/TWAIN_32"))
            LinkInto(prefix + "/windows/TWAIN_32", g_dataSourceFolders);
}

std::vector<AnsiString> DataSourceFolders()
{
    std::lock_guard lock(g_mutex);
    return g_dataSourceFolders;
}

int LinkDataSources(const std::vector<AnsiString>& folders)
{
    std::lock_guard lock(g_mutex);
    AnsiString prefix = EnsureLocked();
    return LinkInto(prefix + "/windows/TWAIN_32", folders);
}

} // namespace VelPrefix

UINT GetWindowsDirectoryA(LPSTR buffer, UINT size)
{
    AnsiString dir;
    try {
        dir = VelPrefix::WindowsDirectory();
    } catch (const Exception&) {
        return 0;
    }
    if (!buffer || dir.size() + 1 > size)
        return static_cast<UINT>(dir.size() + 1);
    std::memcpy(buffer, dir.c_str(), dir.size() + 1);
    return static_cast<UINT>(dir.size());
}
