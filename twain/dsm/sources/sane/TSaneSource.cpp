#include "twain/dsm/sources/sane/TSaneSource.h"
#include "platform/win/registry/WinReg.h"

TSaneSource::TSaneSource(const TW_IDENTITY& identity, const AnsiString& deviceName, SANE_Handle handle,
                         TSaneScan::Snapshot defaults)
    : TDataSource(identity)
    , m_device(deviceName)
    , m_handle(handle)
    , m_defaults(std::move(defaults))
{
}

TSaneSource::~TSaneSource()
{
    Stop();
    sane_close(m_handle);
}

TW_UINT16 TSaneSource::ConditionFor(SANE_Status status)
{
    switch (status) {
    case SANE_STATUS_GOOD:
        return TWCC_SUCCESS;
    case SANE_STATUS_JAMMED:
        return TWCC_PAPERJAM;
    case SANE_STATUS_NO_DOCS:
        return TWCC_PAPERJAM; // an empty feeder: the nearest condition is the feeder's error
    case SANE_STATUS_DEVICE_BUSY:
        return TWCC_MAXCONNECTIONS;
    case SANE_STATUS_NO_MEM:
        return TWCC_LOWMEMORY;
    case SANE_STATUS_INVAL:
        return TWCC_BADVALUE;
    case SANE_STATUS_ACCESS_DENIED:
        return TWCC_DENIED;
    case SANE_STATUS_UNSUPPORTED:
        return TWCC_BADPROTOCOL;
    default: // cover open, I/O error, anything else
        return TWCC_BUMMER;
    }
}

TSaneScan::Settings TSaneSource::ReadSettings(const AnsiString& deviceName)
{
    TSaneScan::Settings settings;
    HKEY key = nullptr;
    AnsiString path = AnsiString(kSettingsKey) + deviceName;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return settings;
    for (DWORD i = 0;; ++i) {
        char name[256];
        char value[1024];
        DWORD nameSize = sizeof name, valueSize = sizeof value, type = 0;
        LONG rc = RegEnumValueA(key, i, name, &nameSize, nullptr, &type, reinterpret_cast<LPBYTE>(value), &valueSize);
        if (rc == ERROR_NO_MORE_ITEMS)
            break;
        if (rc != ERROR_SUCCESS || type != REG_SZ)
            continue;
        settings[AnsiString(name, strnlen(name, nameSize))] = AnsiString(value, strnlen(value, valueSize));
    }
    RegCloseKey(key);
    return settings;
}

TW_UINT16 TSaneSource::OnEnable(bool showUI)
{
    // The bridge has no dialog of its own: it scans with the stored settings.
    Stop();
    TSaneScan::Settings settings = ReadSettings(m_device);
    m_feeder = false;
    for (const auto& [name, value] : settings)
        if (SameText(name, "source") && (value.find("Feeder") != AnsiString::npos || value.find("ADF") != AnsiString::npos))
            m_feeder = true;
    TSaneScan::Apply(m_handle, settings, m_defaults);
    m_cancel = false;
    m_status = SANE_STATUS_GOOD;
    m_worker = std::thread([this] {
        SANE_Status status = m_scan.Run(m_handle, m_cancel);
        m_status = status;
        if (!m_cancel)
            Report(MSG_XFERREADY);
    });
    return TWRC_SUCCESS;
}

void TSaneSource::Stop()
{
    if (!m_worker.joinable())
        return;
    m_cancel = true;
    sane_cancel(m_handle);
    m_worker.join();
}

void TSaneSource::OnDisable()
{
    Stop();
    GlobalFree(m_scan.TakeImage());
}

TW_UINT16 TSaneSource::OnNativeTransfer(TW_UINT32& handle)
{
    // XFERREADY is posted after the worker is done; joining returns at once.
    if (m_worker.joinable())
        m_worker.join();
    SANE_Status status = m_status;
    if (status == SANE_STATUS_CANCELLED)
        return TWRC_CANCEL;
    if (status != SANE_STATUS_GOOD)
        return Fail(ConditionFor(status));
    HGLOBAL image = m_scan.TakeImage();
    if (!image)
        return Fail(TWCC_LOWMEMORY);
    handle = image;
    return TWRC_XFERDONE;
}

TW_UINT16 TSaneSource::OnEndTransfer()
{
    // A feeder cannot tell how many pages are left.
    return m_feeder && m_status == SANE_STATUS_GOOD ? 0xFFFF : 0;
}
