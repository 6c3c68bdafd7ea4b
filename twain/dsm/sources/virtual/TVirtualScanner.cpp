#include "twain/dsm/sources/virtual/TVirtualScanner.h"
#include "platform/win/memory/GlobalMemory.h"
#include "platform/win/prefix/ProfileFile.h"
#include "twain/dsm/DsmHooks.h"
#include "twain/dsm/sources/virtual/TVirtualPage.h"
#include <chrono>
#include <cstdlib>
#include <cstring>

namespace {

AnsiString setting(const char* key)
{
    char buffer[256] {};
    GetPrivateProfileStringA(TVirtualScanner::kSettingsSection, key, "", buffer, sizeof buffer,
                             TVirtualScanner::kSettingsFile);
    return buffer;
}

unsigned long number(const char* key, unsigned long fallback)
{
    AnsiString text = setting(key);
    if (text.empty())
        return fallback;
    char* end = nullptr;
    unsigned long value = std::strtoul(text.c_str(), &end, 0);
    return end && *end == 0 ? value : fallback;
}

}

TVirtualScanner::TVirtualScanner(const TW_IDENTITY& identity)
    : TDataSource(identity)
    , m_settings(ReadSettings())
{
}

TVirtualScanner::~TVirtualScanner()
{
    StopWorker();
}

TVirtualScanner::Settings TVirtualScanner::ReadSettings()
{
    Settings s;
    s.failGroup = static_cast<TW_UINT32>(number("FailGroup", 0));
    s.failDat = static_cast<TW_UINT16>(number("FailDat", 0));
    s.failMsg = static_cast<TW_UINT16>(number("FailMsg", 0));
    s.failCondition = static_cast<TW_UINT16>(number("FailCondition", TWCC_BUMMER));
    s.cancelTransfer = SameText(setting("NativeResult"), "cancel");
    s.pending = static_cast<int>(number("Pending", 0));
    s.closeRequest = number("CloseRequest", 0) != 0;
    s.delayMs = static_cast<int>(number("DelayMs", 0));
    s.malformed = number("Malformed", 0) != 0;
    s.dialogScans = !SameText(setting("Dialog"), "cancel");
    return s;
}

bool TVirtualScanner::ScriptedFailure(TW_UINT32 group, TW_UINT16 dat, TW_UINT16 msg, TW_UINT16& condition)
{
    if (!m_settings.failDat || group != m_settings.failGroup || dat != m_settings.failDat || msg != m_settings.failMsg)
        return false;
    condition = m_settings.failCondition;
    return true;
}

TW_UINT16 TVirtualScanner::OnEnable(bool showUI)
{
    m_settings = ReadSettings();
    m_pendingLeft = m_settings.pending;
    if (showUI)
        Report(kShowDialog); // shown from the program's loop, not inside the enable call
    else
        StartScan();
    return TWRC_SUCCESS;
}

TW_UINT16 TVirtualScanner::OnPrivateEvent(WPARAM event)
{
    if (event != kShowDialog)
        return MSG_NULL;
    std::optional<bool> answer = AskSourceDialog(ProductNameOf(Identity()));
    if (answer.value_or(m_settings.dialogScans)) {
        StartScan();
        return MSG_NULL;
    }
    return MSG_CLOSEDSREQ;
}

void TVirtualScanner::StartScan()
{
    WPARAM outcome = m_settings.closeRequest ? MSG_CLOSEDSREQ : MSG_XFERREADY;
    if (m_settings.delayMs <= 0) {
        Report(outcome);
        return;
    }
    StopWorker();
    m_stop = false;
    int delay = m_settings.delayMs;
    m_worker = std::thread([this, delay, outcome] {
        std::unique_lock lock(m_mutex);
        if (!m_wake.wait_for(lock, std::chrono::milliseconds(delay), [this] { return m_stop; }))
            Report(outcome);
    });
}

void TVirtualScanner::StopWorker()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_worker.joinable())
        m_worker.join();
}

void TVirtualScanner::OnDisable()
{
    StopWorker();
}

TW_UINT16 TVirtualScanner::OnNativeTransfer(TW_UINT32& handle)
{
    if (m_settings.cancelTransfer)
        return TWRC_CANCEL;
    std::vector<uint8_t> page = TVirtualPage::Render(TVirtualPage::PageNumber(ProductNameOf(Application())));
    if (m_settings.malformed) {
        // A header that claims twice the rows the block holds.
        int32_t height = TVirtualPage::kHeight * 2;
        std::memcpy(&page[8], &height, 4);
    }
    HGLOBAL block = GlobalAlloc(GHND, page.size());
    void* bytes = block ? GlobalLock(block) : nullptr;
    if (!bytes) {
        GlobalFree(block);
        return Fail(TWCC_LOWMEMORY);
    }
    std::memcpy(bytes, page.data(), page.size());
    GlobalUnlock(block);
    handle = block;
    return TWRC_XFERDONE;
}

TW_UINT16 TVirtualScanner::OnEndTransfer()
{
    if (m_pendingLeft > 0)
        return static_cast<TW_UINT16>(m_pendingLeft--);
    return 0;
}

void TVirtualScanner::OnReset()
{
    m_pendingLeft = 0;
}
