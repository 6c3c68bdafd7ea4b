#pragma once
// The virtual scanner: the embedded default source, so the copier works with
// no scanner attached. It delivers the test page of TVirtualPage, numbered
// from the product name of the calling application, by native transfer.
//
// For tests it follows its own settings, read from the profile file
// "virtual-scanner.ini" in the Windows directory, section "Virtual Scanner",
// at every open and enable:
//   FailGroup, FailDat, FailMsg  a triplet (numbers, 0x for hex) that fails...
//   FailCondition                 ...with this condition (default TWCC_BUMMER)
//   NativeResult=cancel           the native transfer answers TWRC_CANCEL
//   Pending=N                     N more pages wait after each transfer
//   CloseRequest=1                ask to be closed instead of transferring
//   DelayMs=N                     wait N ms (on a worker thread) before reporting
//   Malformed=1                   deliver a block whose header lies
//   Dialog=scan|cancel            the answer of its own dialog when the program
//                                 installed none (default scan)
#include "platform/rtl/AnsiString.h"
#include "twain/dsm/TDataSource.h"
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

class TVirtualScanner : public TDataSource {
public:
    explicit TVirtualScanner(const TW_IDENTITY& identity);
    ~TVirtualScanner() override;

    static constexpr const char* kSettingsFile = "virtual-scanner.ini";
    static constexpr const char* kSettingsSection = "Virtual Scanner";

protected:
    TW_UINT16 OnEnable(bool showUI) override;
    void OnDisable() override;
    TW_UINT16 OnNativeTransfer(TW_UINT32& handle) override;
    TW_UINT16 OnEndTransfer() override;
    void OnReset() override;
    TW_UINT16 OnPrivateEvent(WPARAM event) override;
    bool ScriptedFailure(TW_UINT32 group, TW_UINT16 dat, TW_UINT16 msg, TW_UINT16& condition) override;

private:
    struct Settings {
        TW_UINT32 failGroup { 0 };
        TW_UINT16 failDat { 0 };
        TW_UINT16 failMsg { 0 };
        TW_UINT16 failCondition { TWCC_BUMMER };
        bool cancelTransfer { false };
        int pending { 0 };
        bool closeRequest { false };
        int delayMs { 0 };
        bool malformed { false };
        bool dialogScans { true };
    };
    static Settings ReadSettings();
    // Reports what the scan ends in, after the configured delay.
    void StartScan();
    void StopWorker();

    static constexpr WPARAM kShowDialog = 0x10001;

    Settings m_settings;
    int m_pendingLeft { 0 };
    std::thread m_worker;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop { false };
};
