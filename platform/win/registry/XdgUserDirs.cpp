#include "platform/win/registry/XdgUserDirs.h"
#include <cstdlib>
#include <fstream>
#include <pwd.h>
#include <sstream>
#include <unistd.h>

namespace {

AnsiString HomeFromEnvironment()
{
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir)
        return pw->pw_dir;
    return "/";
}

AnsiString WithoutTrailingSlash(AnsiString path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

// The value between the double quotes, with \" \\ \$ \` unescaped; false for
// anything that is not one quoted word.
bool Unquote(std::string_view text, AnsiString& value)
{
    if (text.size() < 2 || text.front() != '"' || text.back() != '"')
        return false;
    value.clear();
    for (size_t i = 1; i + 1 < text.size(); ++i) {
        char c = text[i];
        if (c == '\\' && i + 2 < text.size()) {
            value += text[++i];
        } else if (c == '"') {
            return false;
        } else {
            value += c;
        }
    }
    return true;
}

std::string_view Trimmed(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

} // namespace

std::map<AnsiString, AnsiString> XdgUserDirs::Parse(const AnsiString& home, std::string_view text)
{
    std::map<AnsiString, AnsiString> dirs;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = Trimmed(text.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line.front() == '#')
            continue;
        size_t eq = line.find('=');
        if (eq == std::string_view::npos)
            continue;
        std::string_view name = Trimmed(line.substr(0, eq));
        if (name.size() <= 8 || name.substr(0, 4) != "XDG_" || name.substr(name.size() - 4) != "_DIR")
            continue;
        AnsiString value;
        if (!Unquote(Trimmed(line.substr(eq + 1)), value))
            continue;
        AnsiString path;
        if (value == "$HOME" || value.rfind("$HOME/", 0) == 0)
            path = home + value.substr(5);
        else if (!value.empty() && value.front() == '/')
            path = value;
        else
            continue;
        // A "$(...)" or a further "$VAR" would need a shell: refuse it.
        if (path.find('$') != AnsiString::npos || path.find('`') != AnsiString::npos)
            continue;
        dirs[AnsiString(name.substr(4, name.size() - 8))] = WithoutTrailingSlash(path);
    }
    return dirs;
}

XdgUserDirs::XdgUserDirs() : m_home(WithoutTrailingSlash(HomeFromEnvironment()))
{
    std::ifstream in(ConfigHome() + "/user-dirs.dirs", std::ios::binary);
    if (in) {
        std::ostringstream text;
        text << in.rdbuf();
        m_userDirs = Parse(m_home, text.str());
    }
}

XdgUserDirs::XdgUserDirs(const AnsiString& home, std::string_view userDirsText)
    : m_home(WithoutTrailingSlash(home))
    , m_userDirs(Parse(m_home, userDirsText))
{
}

AnsiString XdgUserDirs::BaseDir(const char* variable, const char* fallback) const
{
    // Relative values are invalid by the base-directory rules and ignored.
    if (const char* value = std::getenv(variable); value && value[0] == '/')
        return WithoutTrailingSlash(value);
    return m_home + fallback;
}

AnsiString XdgUserDirs::ConfigHome() const
{
    return BaseDir("XDG_CONFIG_HOME", "/.config");
}

AnsiString XdgUserDirs::DataHome() const
{
    return BaseDir("XDG_DATA_HOME", "/.local/share");
}

AnsiString XdgUserDirs::CacheHome() const
{
    return BaseDir("XDG_CACHE_HOME", "/.cache");
}

AnsiString XdgUserDirs::UserDir(const AnsiString& name) const
{
    if (auto it = m_userDirs.find(name); it != m_userDirs.end())
        return it->second;
    return name == "DESKTOP" ? m_home + "/Desktop" : m_home;
}
