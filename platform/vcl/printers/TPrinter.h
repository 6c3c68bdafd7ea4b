#pragma once
// The printer object: one per process (Printer()). A job runs from BeginDoc to
// EndDoc; what is drawn on Canvas() in between is recorded at the device's
// resolution and rendered when the job ends, so a 600-dpi page needs no
// full-page raster. The current printer is the print system's default
// destination, or, when the print system has no printer, the PDF file printer,
// which writes each job as a new PDF file into the user's documents folder
// under "Velmora Copier" (an earlier job's file is never overwritten).
//
// While a job is spooled the printer pumps the application's messages, so the
// window stays responsive and Abort can be called from a handler.
#include "platform/rtl/AnsiString.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/TObject.h"
#include "platform/rtl/TStringList.h"
#include "platform/vcl/graphics/TCanvas.h"
#include <functional>
#include <memory>

enum TPrinterOrientation { poPortrait, poLandscape };

// Every failure of the printer object.
class EPrinter : public Exception {
public:
    using Exception::Exception;
};

// Where a job goes. Kind File is the PDF file printer (FileName empty: a new
// file in the documents folder, else exactly that file).
struct TPrinterDestination {
    enum class Kind { None, Spooler, File };
    Kind kind { Kind::None };
    AnsiString name;       // the spooler's queue name, or TPrinter::FilePrinterName
    AnsiString fileName;   // File: a fixed output file chosen in the print dialog
};

// The page of the current printer in device pixels.
struct TPrinterPage {
    int dpiX { 600 };
    int dpiY { 600 };
    int paperWidth { 0 };   // whole sheet, after the orientation
    int paperHeight { 0 };
    int printableLeft { 0 }; // printable area within the sheet
    int printableTop { 0 };
    int printableWidth { 0 };
    int printableHeight { 0 };
    AnsiString mediaName;   // e.g. "iso_a4_210x297mm"
};

class TPrintSpooler;
class GdiRecording;

class TPrinter : public TObject {
public:
    // The PDF file printer as it shows in Printers() (a print system queue may be called "PDF").
    static constexpr const char* FilePrinterName = "PDF file";

    TPrinter();
    ~TPrinter() override;

    bool Printing() const { return m_printing; }
    bool Aborted() const { return m_aborted; }

    const AnsiString& Title() const { return m_title; }
    void SetTitle(const AnsiString& title) { m_title = title; }
    int NumCopies() const { return m_copies; }
    void SetNumCopies(int copies);
    TPrinterOrientation Orientation() const { return m_orientation; }
    // Raises EPrinter while a job is printing.
    void SetOrientation(TPrinterOrientation orientation);

    // The printable area of the current printer in device pixels, for the
    // current orientation. Raises EPrinter when there is no printer at all.
    int PageWidth();
    int PageHeight();
    TPrinterPage Page();
    int PageNumber() const { return m_pageNumber; }

    // The page's drawing surface; it draws only while a job is printing.
    TCanvas* Canvas() { return &m_canvas; }

    // Starts a job and its first page. Raises EPrinter when a job is printing
    // already or there is no printer.
    void BeginDoc();
    // Ends the page and the job: renders it and hands it to the print system
    // (or writes the file). A job the print system rejects is cancelled and
    // raises EPrinter; the printer is idle afterwards either way.
    void EndDoc();
    // Ends the job without printing it; a job already handed to the print
    // system is cancelled there. Aborted() stays true until the next BeginDoc.
    void Abort();
    void NewPage();

    // The printers to choose from: the print system's queues, then the PDF file printer.
    TStrings* Printers();
    int PrinterIndex();
    void SetPrinterIndex(int index);
    // The current destination (found on first use).
    TPrinterDestination Destination();
    void SetDestination(const TPrinterDestination& destination);
    // Looks for the current printer again (the print system's default may have changed).
    void Refresh();

    // The file the last job of the PDF file printer wrote, and the print
    // system's id of the last spooled job (0 when none).
    const AnsiString& LastFileName() const { return m_lastFileName; }
    int LastJobId() const { return m_lastJobId; }

    // The print back end (tests may give their own).
    TPrintSpooler* Backend() const { return m_backend.get(); }
    void SetBackend(std::unique_ptr<TPrintSpooler> backend);

private:
    void ResolveDestination();
    void CheckNotPrinting(const char* what) const;
    void EndJob();

    std::unique_ptr<TPrintSpooler> m_backend;
    AnsiString m_title;
    int m_copies { 1 };
    TPrinterOrientation m_orientation { poPortrait };
    bool m_printing { false };
    bool m_aborted { false };
    int m_pageNumber { 0 };
    bool m_resolved { false };
    TPrinterDestination m_destination;
    TCanvas m_canvas;
    std::unique_ptr<GdiRecording> m_recording;
    HDC m_recordingDC { nullptr };
    TPrinterPage m_jobPage;
    TStringList m_printers;
    AnsiString m_lastFileName;
    int m_lastJobId { 0 };
};

// The process's printer object, made on first use.
TPrinter* Printer();
// Replaces the process's printer object (tests); returns the previous one, which the caller then owns.
TPrinter* SetPrinter(TPrinter* printer);
