#pragma once
// One open data source: the states 4 to 7 of the protocol and the triplets
// every source answers the same way (status, the transfer mechanism, enable
// and disable, event processing, native transfer, end of transfer and reset).
// A device class fills in what differs: how scanning starts and stops, how an
// image is made and how many pages are still waiting.
//
// A source tells the program about itself by posting SourceEventMessage() to
// the parent window given at enable, wParam the protocol message
// (MSG_XFERREADY, MSG_CLOSEDSREQ, ...), lParam the source's Id; the program
// hands the message back through MSG_PROCESSEVENT. Posting is thread-safe, so
// a worker thread may report.
#include "platform/rtl/AnsiString.h"
#include "platform/win/core/Windows.h"
#include "twain/TwainRecords.h"
#include <atomic>
#include <cstring>

// The product name of an identity, up to its first zero byte.
inline AnsiString ProductNameOf(const TW_IDENTITY& id)
{
    return AnsiString(id.ProductName, strnlen(id.ProductName, sizeof id.ProductName));
}

class TDataSource {
public:
    explicit TDataSource(const TW_IDENTITY& identity) : m_identity(identity) { }
    virtual ~TDataSource() = default;
    TDataSource(const TDataSource&) = delete;
    TDataSource& operator=(const TDataSource&) = delete;

    TW_UINT16 Entry(TW_IDENTITY* origin, TW_UINT32 group, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
    // Called before the source is closed, in whatever state it is.
    void Shutdown();

    const TW_IDENTITY& Identity() const { return m_identity; }
    int State() const { return m_state; }

    static UINT SourceEventMessage();

protected:
    // Starts an acquisition (state 4 to 5). showUI: the source's own dialog.
    virtual TW_UINT16 OnEnable(bool showUI) = 0;
    // Stops whatever the acquisition still does (state 5 back to 4, or closing).
    virtual void OnDisable() = 0;
    // One image as a packed DIB in a movable global block.
    virtual TW_UINT16 OnNativeTransfer(TW_UINT32& handle) = 0;
    // Pages still waiting after the transfer just ended (0xFFFF: not known).
    virtual TW_UINT16 OnEndTransfer() = 0;
    // The waiting pages are dropped.
    virtual void OnReset() { }
    // A private event of the source (wParam above the protocol's messages);
    // returns the protocol message to report for it, or MSG_NULL.
    virtual TW_UINT16 OnPrivateEvent(WPARAM event) { return MSG_NULL; }
    // A scripted failure for tests: true when this triplet is to fail.
    virtual bool ScriptedFailure(TW_UINT32 group, TW_UINT16 dat, TW_UINT16 msg, TW_UINT16& condition) { return false; }

    // Posts an event to the program (any thread).
    void Report(WPARAM event) const;
    TW_UINT16 Fail(TW_UINT16 condition)
    {
        m_condition = condition;
        return TWRC_FAILURE;
    }
    const TW_IDENTITY& Application() const { return m_application; }

private:
    TW_UINT16 SetCapability(TW_UINT16 msg, TW_CAPABILITY* cap);
    TW_UINT16 ProcessEvent(TW_EVENT* event);

    TW_IDENTITY m_identity;
    TW_IDENTITY m_application {};
    std::atomic<TW_HANDLE> m_parent { 0 };
    int m_state { 4 };
    TW_UINT16 m_condition { TWCC_SUCCESS };
};
