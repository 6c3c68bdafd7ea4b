#include "platform/vcl/printers/TPrinterSetupDialog.h"
#include "platform/vcl/printers/DocumentsFolder.h"
#include "platform/vcl/printers/TPrinter.h"
#include "platform/vcl/printers/qt/PrintDialog.h"

bool TPrinterSetupDialog::Execute()
{
    TPrinter* printer = Printer();
    TPrinterDestination current = printer->Destination();
    qtprint::DialogSettings settings;
    if (current.kind == TPrinterDestination::Kind::Spooler)
        settings.queue = current.name;
    settings.fileName = current.fileName;
    settings.defaultFileName = UserDocumentsFolder() + "/Velmora Copier/" + (printer->Title().empty() ? AnsiString("Print job") : printer->Title()) + ".pdf";
    settings.copies = printer->NumCopies();
    settings.landscape = printer->Orientation() == poLandscape;
    if (!qtprint::RunPrintDialog(settings))
        return false;
    TPrinterDestination chosen;
    if (!settings.queue.empty()) {
        chosen.kind = TPrinterDestination::Kind::Spooler;
        chosen.name = settings.queue;
    } else {
        chosen.kind = TPrinterDestination::Kind::File;
        chosen.name = TPrinter::FilePrinterName;
        chosen.fileName = settings.fileName;
    }
    printer->SetDestination(chosen);
    printer->SetNumCopies(settings.copies);
    printer->SetOrientation(settings.landscape ? poLandscape : poPortrait);
    return true;
}
