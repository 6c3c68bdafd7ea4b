#pragma once
// The print system: CUPS (the server of CUPS_SERVER, else the local one).
#include "platform/vcl/printers/TPrintSpooler.h"

class TCupsSpooler : public TPrintSpooler {
public:
    std::vector<AnsiString> Queues() override;
    AnsiString DefaultQueue() override;
    bool QueryPage(const AnsiString& queue, TPrinterPage& page) override;
    int Submit(const AnsiString& queue, const AnsiString& pdfFile, const AnsiString& title, int copies,
        TPrinterOrientation orientation, const std::function<void()>& pump) override;
    JobStatus Status(const AnsiString& queue, int job) override;
    void Cancel(const AnsiString& queue, int job) override;
};
