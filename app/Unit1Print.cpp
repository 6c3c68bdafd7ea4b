// The print routines of the main window: one page scaled and centred on a
// sheet, or two pages side by side, each as exactly one print job.
#include "app/PrintLayout.h"
#include "app/Unit1.h"
#include "platform/vcl/forms/TApplication.h"
#include "platform/vcl/printers/TPrinter.h"
#include "print/TPrintDIB.h"

namespace {

const char* const kJobTitle = "Velmora Copier 1.2";

// Waits while an earlier job may still be printing (the window's timer clears
// the flag once the printer is idle), then sets up the job. False when the wait
// ended without printing: an aborted job, or the window is closing.
bool PrepareJob(TForm1& form, TPrinter* printer)
{
    while (PrintingFlag) {
        if (printer->Aborted())
            return false;
        if (ClosingFlag)
            return false;
        // Sleeps until the next message (the timer's tick at the latest).
        Application->HandleMessage();
    }
    PrintingFlag = true;
    printer->SetTitle(kJobTitle);
    printer->SetNumCopies(form.CSpinEdit1->Value());
    printer->SetOrientation(form.RadioButton3->Checked() ? poPortrait : poLandscape);
    return true;
}

// Runs draw between BeginDoc and EndDoc. When drawing or ending the job fails,
// the job is aborted, so the printer no longer reports one in progress and the
// next copy prints; the error goes on to be shown.
template<typename Draw>
void PrintJob(TPrinter* printer, Draw draw)
{
    printer->BeginDoc();
    try {
        draw(printer->Canvas());
        printer->EndDoc();
    } catch (...) {
        printer->Abort();
        PrintingFlag = printer->Printing();
        throw;
    }
}

} // namespace

void TForm1::PrintOnePage()
{
    TPrinter* printer = Printer();
    if (!PrepareJob(*this, printer))
        return;
    TPrintPlacement page = OnePageLayout(FScale, printer->PageWidth(), printer->PageHeight());
    TBitmap* bitmap = Image2->Picture()->Bitmap();
    PrintJob(printer, [&](TCanvas* canvas) {
        PrintDIB1->StretchDrawDIB(canvas, page.Left, page.Top, page.Width, page.Height, bitmap);
    });
}

void TForm1::PrintTwoPages()
{
    TPrinter* printer = Printer();
    if (!PrepareJob(*this, printer))
        return;
    TTwoPageLayout layout = TwoPageLayout(FScale, printer->PageWidth(), printer->PageHeight());
    TBitmap* left = Image5->Picture()->Bitmap();
    TBitmap* right = Image6->Picture()->Bitmap();
    PrintJob(printer, [&](TCanvas* canvas) {
        PrintDIB1->StretchDrawDIB(canvas, layout.Left.Left, layout.Left.Top, layout.Left.Width, layout.Left.Height, left);
        PrintDIB1->StretchDrawDIB(canvas, layout.Right.Left, layout.Right.Top, layout.Right.Width, layout.Right.Height, right);
    });
}
