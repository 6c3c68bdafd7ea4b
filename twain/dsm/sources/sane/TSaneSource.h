#pragma once
// A data source for one SANE device. Enabling starts the scan on a worker
// thread (blocking reads, an atomic cancel flag); when the page is read, or the
// scan failed, the source reports MSG_XFERREADY, and the native transfer then
// hands over the page or answers with the condition nearest to SANE's status:
// jammed and no documents -> paper jam ("a feeder error"); cover open and I/O
// errors -> general failure; busy -> the device is in use; no memory -> low
// memory; cancelled -> TWRC_CANCEL. Disabling stops a scan that still runs.
//
// Settings: the SANE options of the device, kept in the registry under
// HKEY_CURRENT_USER\Software\Velmora\Scanners\<device name> as string values
// named like the options ("mode", "resolution", "source", ...), read at
// every enable. With a feeder as source, more pages may follow each page.
#include "platform/rtl/AnsiString.h"
#include "twain/dsm/TDataSource.h"
#include "twain/dsm/sources/sane/TSaneScan.h"
#include <atomic>
#include <thread>

class TSaneSource : public TDataSource {
public:
    TSaneSource(const TW_IDENTITY& identity, const AnsiString& deviceName, SANE_Handle handle,
                TSaneScan::Snapshot defaults);
    ~TSaneSource() override;

    static constexpr const char* kSettingsKey = "Software\\Velmora\\Scanners\\";
    static TW_UINT16 ConditionFor(SANE_Status status);
    static TSaneScan::Settings ReadSettings(const AnsiString& deviceName);

protected:
    TW_UINT16 OnEnable(bool showUI) override;
    void OnDisable() override;
    TW_UINT16 OnNativeTransfer(TW_UINT32& handle) override;
    TW_UINT16 OnEndTransfer() override;

private:
    void Stop();

    AnsiString m_device;
    SANE_Handle m_handle;
    TSaneScan::Snapshot m_defaults;
    bool m_feeder { false };
    std::thread m_worker;
    std::atomic<bool> m_cancel { false };
    std::atomic<SANE_Status> m_status { SANE_STATUS_GOOD };
    TSaneScan m_scan;
};
