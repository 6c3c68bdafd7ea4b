#pragma once
// The prefix: one per-user folder that holds everything the platform emulates
// (the registry hives, the Windows directory with its profile files and the
// data sources), much like a Wine prefix.
//
//   $VELMORA_PREFIX               when set and not empty
//   $XDG_CONFIG_HOME/velmora      when XDG_CONFIG_HOME is an absolute path
//   ~/.config/velmora             otherwise
//
// It is created on first use with mode 0700, together with windows/ and
// windows/TWAIN_32/. The location is looked up on every call, so a process
// that changes VELMORA_PREFIX (a test does) gets the new folder.
#include "platform/rtl/AnsiString.h"
#include "platform/win/core/Windows.h"
#include <vector>

namespace VelPrefix {

// The prefix folder (no trailing "/"), without creating anything.
AnsiString Path();

// Creates the prefix when it is missing and returns its path. The first call
// for a prefix in this process also links the registered data sources (see
// SetDataSourceFolders). Raises EInOutError naming the folder when it cannot
// be created.
AnsiString Ensure();

// <prefix>/windows and <prefix>/windows/TWAIN_32, created when missing.
AnsiString WindowsDirectory();
AnsiString DataSourceDirectory();

// Registers the folders that installed data sources (*.ds) are taken from.
// Whenever a prefix is first used in this process, every *.ds found in these
// folders is linked into <prefix>/windows/TWAIN_32/. When a prefix is already
// in use, the links are refreshed at once.
void SetDataSourceFolders(std::vector<AnsiString> folders);
std::vector<AnsiString> DataSourceFolders();

// Links every *.ds (any letter case) found in the folders, up to three levels
// down, into <prefix>/windows/TWAIN_32/ as symbolic links with absolute
// targets. Safe to call again: an existing link is pointed at the new file,
// a file that is not a link (a driver someone copied there) is left alone,
// and links whose target has gone are removed. On a name found in several
// folders, the earlier folder wins. Folders that do not exist are skipped.
// Returns the number of links that point at one of the folders' sources.
int LinkDataSources(const std::vector<AnsiString>& folders);

} // namespace VelPrefix

// The Windows directory: <prefix>/windows, without a trailing "/". Returns the
// length copied (without the terminating zero), or, when the buffer is too
// small, the size needed including the terminating zero (nothing copied);
// 0 when the prefix cannot be created.
UINT GetWindowsDirectoryA(LPSTR buffer, UINT size);
