#include "platform/vcl/printers/DocumentsFolder.h"
#include "platform/win/registry/XdgUserDirs.h"
#include <fstream>
#include <iterator>

AnsiString UserDocumentsFolder()
{
    XdgUserDirs dirs;
    std::ifstream in(dirs.ConfigHome() + "/user-dirs.dirs", std::ios::binary);
    AnsiString text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto set = XdgUserDirs::Parse(dirs.Home(), text);
    auto it = set.find("DOCUMENTS");
    // Not set: where desktops put documents by default (a folder set to home
    // itself is the user's choice, and kept).
    return it != set.end() ? it->second : dirs.Home() + "/Documents";
}
