#pragma once
// The user's documents folder: XDG_DOCUMENTS_DIR of the user-dirs file
// ($XDG_CONFIG_HOME/user-dirs.dirs, read as data, never run), else ~/Documents.
#include "platform/rtl/AnsiString.h"

AnsiString UserDocumentsFolder();
