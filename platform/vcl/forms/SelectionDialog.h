#pragma once
// A modal list to choose one entry from (the scanner manager's source
// selection, say). Returns false when the user cancels; index is the entry
// chosen, and on entry the one to preselect.
#include "platform/rtl/AnsiString.h"
#include <vector>

bool ShowSelectionDialog(const AnsiString& title, const AnsiString& label, const std::vector<AnsiString>& items,
    int& index);
