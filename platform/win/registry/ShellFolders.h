#pragma once
// The shell's two folder keys under HKEY_CURRENT_USER, answered from the XDG
// directories instead of the hive:
//
//   Desktop                     the XDG desktop directory
//   Personal                    the XDG documents directory
//   Fonts                       $XDG_DATA_HOME/fonts
//   Programs, Start Menu        $XDG_DATA_HOME/applications
//   Startup                     $XDG_CONFIG_HOME/autostart
//   Cache                       $XDG_CACHE_HOME
//   AppData                     $XDG_DATA_HOME
//   Favorites, NetHood, SendTo  $XDG_DATA_HOME/velmora/<name>
//   Quick Launch (MapGroups)    $XDG_DATA_HOME/velmora/Quick Launch
//
// Paths are given without a trailing "/"; nothing is created.
#include "platform/rtl/AnsiString.h"
#include <string>
#include <utility>
#include <vector>

class XdgUserDirs;

enum class ShellKey {
    None,
    ShellFolders, // Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders
    MapGroups,    // Software\Microsoft\Windows\CurrentVersion\GrpConv\MapGroups
};

// Which of the two keys a full key path (parts below the hive's root) names.
ShellKey ShellKeyFor(const std::vector<std::string>& path);

// Every value of the key as name and path, in a fixed order.
std::vector<std::pair<AnsiString, AnsiString>> ShellFolderValues(ShellKey key, const XdgUserDirs& dirs);
// One value by name (any letter case); false when the shell records no such folder.
bool ShellFolderValue(ShellKey key, const AnsiString& name, const XdgUserDirs& dirs, AnsiString& path);
