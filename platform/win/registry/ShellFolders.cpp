#include "platform/win/registry/ShellFolders.h"
#include "platform/win/registry/XdgUserDirs.h"

namespace {

bool SamePath(const std::vector<std::string>& path, std::initializer_list<const char*> expected)
{
    if (path.size() != expected.size())
        return false;
    size_t i = 0;
    for (const char* part : expected)
        if (!SameText(path[i++], part))
            return false;
    return true;
}

} // namespace

ShellKey ShellKeyFor(const std::vector<std::string>& path)
{
    if (SamePath(path, { "Software", "Microsoft", "Windows", "CurrentVersion", "Explorer", "Shell Folders" }))
        return ShellKey::ShellFolders;
    if (SamePath(path, { "Software", "Microsoft", "Windows", "CurrentVersion", "GrpConv", "MapGroups" }))
        return ShellKey::MapGroups;
    return ShellKey::None;
}

std::vector<std::pair<AnsiString, AnsiString>> ShellFolderValues(ShellKey key, const XdgUserDirs& dirs)
{
    AnsiString data = dirs.DataHome();
    AnsiString own = data + "/velmora/";
    if (key == ShellKey::MapGroups)
        return { { "Quick Launch", own + "Quick Launch" } };
    if (key != ShellKey::ShellFolders)
        return {};
    return {
        { "AppData", data },
        { "Cache", dirs.CacheHome() },
        { "Desktop", dirs.UserDir("DESKTOP") },
        { "Favorites", own + "Favorites" },
        { "Fonts", data + "/fonts" },
        { "NetHood", own + "NetHood" },
        { "Personal", dirs.UserDir("DOCUMENTS") },
        { "Programs", data + "/applications" },
        { "SendTo", own + "SendTo" },
        { "Start Menu", data + "/applications" },
        { "Startup", dirs.ConfigHome() + "/autostart" },
    };
}

bool ShellFolderValue(ShellKey key, const AnsiString& name, const XdgUserDirs& dirs, AnsiString& path)
{
    for (auto& [valueName, valuePath] : ShellFolderValues(key, dirs)) {
        if (SameText(valueName, name)) {
            path = valuePath;
            return true;
        }
    }
    return false;
}
