#pragma once
// A print system whose answers a test sets; it keeps the document it was given.
#include "platform/vcl/printers/TPrintSpooler.h"
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

class ScriptedSpooler : public TPrintSpooler {
public:
    std::vector<JobStatus> states { { JobState::Completed, "" } }; // one per Status call; the last repeats
    std::vector<std::string> calls;
    std::string pdf;
    bool answers { true };
    std::function<void()> onStatus;

    std::vector<AnsiString> Queues() override { return { "office", "lab" }; }
    AnsiString DefaultQueue() override { return "office"; }
    // The queue's sheet in portrait: letter at 300 dpi unless a test says otherwise.
    TPrinterPage portrait { 300, 300, 2550, 3300, 75, 60, 2400, 3150, "na_letter_8.5x11in" };
    bool QueryPage(const AnsiString& queue, TPrinterPage& page) override
    {
        page = portrait;
        return answers;
    }
    int Submit(const AnsiString& queue, const AnsiString& file, const AnsiString& title, int copies,
        TPrinterOrientation orientation, const std::function<void()>& pump) override
    {
        std::ifstream in(file, std::ios::binary);
        pdf.assign(std::istreambuf_iterator<char>(in), {});
        calls.push_back("Submit " + queue + " '" + title + "' " + std::to_string(copies) + (orientation == poLandscape ? " landscape" : " portrait"));
        return 42;
    }
    JobStatus Status(const AnsiString& queue, int job) override
    {
        if (onStatus)
            onStatus();
        JobStatus s = states.front();
        if (states.size() > 1)
            states.erase(states.begin());
        return s;
    }
    void Cancel(const AnsiString& queue, int job) override { calls.push_back("Cancel " + queue + " " + std::to_string(job)); }
};

