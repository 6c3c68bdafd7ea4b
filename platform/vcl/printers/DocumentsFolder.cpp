#include "platform/vcl/printers/DocumentsFolder.h"
#include <cstdlib>
#include <fstream>
#include <pwd.h>
#include <unistd.h>

namespace {

AnsiString HomeFolder()
{
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir)
        return pw->pw_dir;
    return "/";
}

// One line of the file: XDG_DOCUMENTS_DIR="$HOME/Documents". Only "$HOME/"
// at the start and backslash escapes are understood, as the format says.
bool ParseLine(const AnsiString& line, const AnsiString& home, AnsiString& out)
{
    static const AnsiString key = "XDG_DOCUMENTS_DIR=";
    size_t at = line.find_first_not_of(" \t");
    if (at == AnsiString::npos || line.compare(at, key.size(), key) != 0)
        return false;
    at += key.size();
    if (at >= line.size() || line[at] != '"')
        return false;
    AnsiString value;
    for (size_t i = at + 1; i < line.size(); ++i) {
        char c = line[i];
        if (c == '"') {
            if (value.rfind("$HOME", 0) == 0 && (value.size() == 5 || value[5] == '/'))
                value = home + value.substr(5);
            else if (value.empty() || value[0] != '/')
                return false;
            out = value;
            return true;
        }
        if (c == '\\' && i + 1 < line.size())
            c = line[++i];
        value += c;
    }
    return false;
}

} // namespace

AnsiString UserDocumentsFolder()
{
    AnsiString home = HomeFolder();
    AnsiString config;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/')
        config = xdg;
    else
        config = home + "/.config";
    std::ifstream in(config + "/user-dirs.dirs");
    AnsiString line, found;
    while (std::getline(in, line)) {
        AnsiString value;
        if (ParseLine(line, home, value))
            found = value; // the last assignment wins
    }
    // A folder set to home itself is the user's choice too (documents go there).
    if (!found.empty())
        return found;
    return home + "/Documents";
}
