#pragma once
// The toolkit's print dialog, filled from and read back into plain settings.
#include "platform/rtl/AnsiString.h"

namespace qtprint {

struct DialogSettings {
    AnsiString queue;      // a print system queue, or empty for the PDF file printer
    AnsiString fileName;   // the PDF file printer's file (empty: a new file per job)
    AnsiString defaultFileName; // offered when the user switches to printing into a file
    int copies { 1 };
    bool landscape { false };
};

// True when the user confirmed; settings then hold the choice.
bool RunPrintDialog(DialogSettings& settings);

} // namespace qtprint
