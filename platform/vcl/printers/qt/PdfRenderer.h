#pragma once
// The toolkit side of printing: renders a recorded page into a PDF file.
#include "platform/rtl/AnsiString.h"
#include "platform/vcl/printers/TPrinter.h"
#include "platform/win/gdi/GdiRecording.h"
#include <functional>

namespace qtprint {

// One page of paperWidth by paperHeight device pixels at the page's
// resolution; the recording's origin is the printable area's top-left corner
// and nothing is drawn outside the printable area. pump runs between
// operations. Raises EPrinter when the file cannot be written.
void RenderPdf(const GdiRecording& recording, const TPrinterPage& page, const AnsiString& title,
    const AnsiString& fileName, const std::function<void()>& pump);

} // namespace qtprint
