#pragma once
// The XDG base and user directories of the current user. user-dirs.dirs is
// parsed here, never run as a shell script: a line is NAME="value" where the
// value is "$HOME/..." or an absolute path; anything else is ignored, so a
// missing or odd entry falls back to the usual default.
#include "platform/rtl/AnsiString.h"
#include <map>
#include <string_view>

class XdgUserDirs {
public:
    // Reads the environment and $XDG_CONFIG_HOME/user-dirs.dirs now.
    XdgUserDirs();
    // For tests: the given file text instead of the user's file.
    XdgUserDirs(const AnsiString& home, std::string_view userDirsText);

    const AnsiString& Home() const { return m_home; }
    AnsiString ConfigHome() const;
    AnsiString DataHome() const;
    AnsiString CacheHome() const;
    // A user directory by its short name ("DESKTOP", "DOCUMENTS", ...), else
    // the default: $HOME/Desktop for the desktop, $HOME for the others.
    AnsiString UserDir(const AnsiString& name) const;

    // Parses one user-dirs.dirs text into short name -> path.
    static std::map<AnsiString, AnsiString> Parse(const AnsiString& home, std::string_view text);

private:
    AnsiString BaseDir(const char* variable, const char* fallback) const;

    AnsiString m_home;
    std::map<AnsiString, AnsiString> m_userDirs;
};
