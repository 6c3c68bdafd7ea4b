#pragma once
// What the printer object needs of a print system: its queues, the page of a
// queue, handing over a finished PDF document, and following and cancelling
// the job that made. The real one talks to CUPS; tests can give their own.
#include "platform/rtl/AnsiString.h"
#include "platform/vcl/printers/TPrinter.h"
#include <functional>
#include <vector>

class TPrintSpooler {
public:
    enum class JobState { Pending, Held, Processing, Stopped, Canceled, Aborted, Completed, Unknown };
    struct JobStatus {
        JobState state { JobState::Unknown };
        AnsiString message; // the print system's reason, when it gives one
    };

    virtual ~TPrintSpooler() = default;

    virtual std::vector<AnsiString> Queues() = 0;
    // The default queue, or empty when the print system has no printer.
    virtual AnsiString DefaultQueue() = 0;
    // The queue's default sheet and printable area in portrait, in device
    // pixels at its default resolution. False when the queue cannot be asked.
    virtual bool QueryPage(const AnsiString& queue, TPrinterPage& page) = 0;
    // Spools the PDF file as one job; returns the job's id. Raises EPrinter
    // (with nothing left in the queue) when the print system refuses it.
    virtual int Submit(const AnsiString& queue, const AnsiString& pdfFile, const AnsiString& title, int copies,
        TPrinterOrientation orientation, const std::function<void()>& pump) = 0;
    virtual JobStatus Status(const AnsiString& queue, int job) = 0;
    virtual void Cancel(const AnsiString& queue, int job) = 0;
};
