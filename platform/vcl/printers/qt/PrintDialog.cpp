#include "platform/vcl/printers/qt/PrintDialog.h"
#include <QApplication>
#include <QPageLayout>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

namespace qtprint {

bool RunPrintDialog(DialogSettings& settings)
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return false;
    QPrinter printer(QPrinter::HighResolution);
    if (!settings.queue.empty() && !QPrinterInfo::printerInfo(QString::fromStdString(settings.queue)).isNull()) {
        printer.setPrinterName(QString::fromStdString(settings.queue));
    } else {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(settings.fileName.empty() ? settings.defaultFileName : settings.fileName));
    }
    printer.setCopyCount(settings.copies);
    printer.setPageOrientation(settings.landscape ? QPageLayout::Landscape : QPageLayout::Portrait);

    QPrintDialog dialog(&printer, QApplication::activeWindow());
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    if (dialog.exec() != QDialog::Accepted)
        return false;

    if (printer.outputFormat() == QPrinter::PdfFormat || printer.printerName().isEmpty()) {
        settings.queue.clear();
        AnsiString chosen = printer.outputFileName().toStdString();
        // The offered name means "a new file for every job".
        settings.fileName = chosen == settings.defaultFileName ? AnsiString() : chosen;
    } else {
        settings.queue = printer.printerName().toStdString();
        settings.fileName.clear();
    }
    settings.copies = printer.copyCount();
    settings.landscape = printer.pageLayout().orientation() == QPageLayout::Landscape;
    return true;
}

} // namespace qtprint
