#pragma once
// Waiting for a scan the way the copier does: pumping the application's loop
// (sleeping while nothing is posted) until OnScanReady fired or an error left
// the loop. The deadline only keeps a broken source from hanging the test.
#include "platform/vcl/forms/TApplication.h"
#include "twain/TTwainScanner.h"
#include <chrono>
#include <exception>

struct ScanOutcome {
    bool ready { false };
    bool timedOut { false };
    std::exception_ptr error;
};

inline ScanOutcome PumpUntilScanReady(TTwainScanner& scanner, int& readyCount, int timeoutMs = 20000)
{
    ScanOutcome outcome;
    int before = readyCount;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (readyCount == before) {
        if (std::chrono::steady_clock::now() > deadline) {
            outcome.timedOut = true;
            return outcome;
        }
        try {
            Application->ProcessMessages();
        } catch (...) {
            outcome.error = std::current_exception();
            return outcome;
        }
        if (readyCount == before)
            Application->WaitMessage(50);
    }
    outcome.ready = true;
    return outcome;
}

inline AnsiString ErrorText(const ScanOutcome& outcome)
{
    if (!outcome.error)
        return {};
    try {
        std::rethrow_exception(outcome.error);
    } catch (const Exception& e) {
        return e.Message();
    } catch (const std::exception& e) {
        return e.what();
    }
}
