#include "twain/dsm/TDataSource.h"
#include "platform/win/core/Messages.h"
#include "platform/win/memory/GlobalMemory.h"
#include <cstring>

UINT TDataSource::SourceEventMessage()
{
    static UINT message = RegisterWindowMessage("Velmora TWAIN source event");
    return message;
}

void TDataSource::Report(WPARAM event) const
{
    HWND parent = reinterpret_cast<HWND>(static_cast<uintptr_t>(m_parent.load()));
    PostMessage(parent, SourceEventMessage(), event, static_cast<LPARAM>(m_identity.Id));
}

void TDataSource::Shutdown()
{
    if (m_state >= 5)
        OnDisable();
    m_state = 4;
}

TW_UINT16 TDataSource::Entry(TW_IDENTITY* origin, TW_UINT32 group, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data)
{
    if (origin)
        m_application = *origin;
    if (dat == DAT_STATUS && msg == MSG_GET && group == DG_CONTROL) {
        if (!data)
            return Fail(TWCC_BADVALUE);
        auto* status = static_cast<TW_STATUS*>(data);
        status->ConditionCode = m_condition;
        status->Reserved = 0;
        m_condition = TWCC_SUCCESS;
        return TWRC_SUCCESS;
    }
    TW_UINT16 scripted = TWCC_SUCCESS;
    if (ScriptedFailure(group, dat, msg, scripted))
        return Fail(scripted);
    if (!data && dat != DAT_IMAGEFILEXFER)
        return Fail(TWCC_BADVALUE);

    if (group == DG_CONTROL) {
        switch (dat) {
        case DAT_CAPABILITY:
            return SetCapability(msg, static_cast<TW_CAPABILITY*>(data));
        case DAT_USERINTERFACE: {
            auto* ui = static_cast<TW_USERINTERFACE*>(data);
            if (msg == MSG_ENABLEDS) {
                if (m_state != 4)
                    return Fail(TWCC_SEQERROR);
                m_parent = ui->hParent;
                TW_UINT16 rc = OnEnable(ui->ShowUI != TW_FALSE);
                if (rc == TWRC_SUCCESS)
                    m_state = 5;
                return rc;
            }
            if (msg == MSG_DISABLEDS) {
                if (m_state != 5)
                    return Fail(TWCC_SEQERROR);
                OnDisable();
                m_state = 4;
                return TWRC_SUCCESS;
            }
            break;
        }
        case DAT_EVENT:
            if (msg == MSG_PROCESSEVENT)
                return ProcessEvent(static_cast<TW_EVENT*>(data));
            break;
        case DAT_PENDINGXFERS: {
            auto* pending = static_cast<TW_PENDINGXFERS*>(data);
            if (msg == MSG_ENDXFER) {
                if (m_state != 6 && m_state != 7)
                    return Fail(TWCC_SEQERROR);
                pending->Count = OnEndTransfer();
                m_state = pending->Count ? 6 : 5;
                return TWRC_SUCCESS;
            }
            if (msg == MSG_RESET) {
                if (m_state != 6 && m_state != 7)
                    return Fail(TWCC_SEQERROR);
                OnReset();
                pending->Count = 0;
                m_state = 5;
                return TWRC_SUCCESS;
            }
            break;
        }
        default:
            break;
        }
    } else if (group == DG_IMAGE && dat == DAT_IMAGENATIVEXFER && msg == MSG_GET) {
        if (m_state != 6)
            return Fail(TWCC_SEQERROR);
        TW_UINT32 handle = 0;
        TW_UINT16 rc = OnNativeTransfer(handle);
        if (rc == TWRC_XFERDONE) {
            *static_cast<TW_UINT32*>(data) = handle;
            m_state = 7;
        }
        return rc;
    }
    return Fail(TWCC_BADPROTOCOL);
}

TW_UINT16 TDataSource::SetCapability(TW_UINT16 msg, TW_CAPABILITY* cap)
{
    if (msg != MSG_SET)
        return Fail(TWCC_CAPBADOPERATION);
    if (m_state != 4)
        return Fail(TWCC_SEQERROR);
    if (cap->Cap != ICAP_XFERMECH)
        return Fail(TWCC_CAPUNSUPPORTED);
    if (cap->ConType != TWON_ONEVALUE || GlobalSize(cap->hContainer) < sizeof(TW_ONEVALUE))
        return Fail(TWCC_BADVALUE);
    TW_ONEVALUE value;
    void* block = GlobalLock(cap->hContainer);
    if (!block)
        return Fail(TWCC_BADVALUE);
    std::memcpy(&value, block, sizeof value);
    GlobalUnlock(cap->hContainer);
    if (value.ItemType != TWTY_UINT16 || value.Item != TWSX_NATIVE)
        return Fail(TWCC_BADVALUE);
    return TWRC_SUCCESS;
}

TW_UINT16 TDataSource::ProcessEvent(TW_EVENT* event)
{
    event->TWMessage = MSG_NULL;
    // Events only mean something while the source is enabled.
    if (m_state < 5)
        return Fail(TWCC_SEQERROR);
    auto* msg = static_cast<MSG*>(event->pEvent);
    if (!msg || msg->message != SourceEventMessage() || static_cast<TW_UINT32>(msg->lParam) != m_identity.Id)
        return TWRC_NOTDSEVENT;
    TW_UINT16 reported = msg->wParam > 0xFFFF ? OnPrivateEvent(msg->wParam) : static_cast<TW_UINT16>(msg->wParam);
    if (reported == MSG_XFERREADY) {
        if (m_state != 5)
            return TWRC_DSEVENT; // a late report after the transfer began
        m_state = 6;
    }
    event->TWMessage = reported;
    return TWRC_DSEVENT;
}
