#include "tests/twain/fake/FakeDsm.h"
#include "platform/win/memory/GlobalMemory.h"
#include <algorithm>
#include <cstring>
#include <map>
#include <tuple>
#include <vector>

namespace {

struct Answer {
    TW_UINT16 rc;
    TW_UINT16 cc;
    int times;
};

using Triplet = std::tuple<TW_UINT32, TW_UINT16, TW_UINT16>;

struct State {
    std::vector<FakeCall> calls;
    std::map<Triplet, Answer> script;
    TW_UINT16 condition { TWCC_SUCCESS };
    TW_UINT16 statusResult { TWRC_SUCCESS };
    TW_UINT16 pending { 0 };
    TW_UINT32 image { 0 };
    TW_IDENTITY selection {};
    FakeCallHook hook { nullptr };
    void* hookContext { nullptr };
};

State& state()
{
    static State s;
    return s;
}

void name(TW_IDENTITY& id, const char* text)
{
    std::memset(id.ProductName, 0, sizeof id.ProductName);
    std::strncpy(id.ProductName, text, 32);
}

size_t recordSize(TW_UINT16 dat)
{
    switch (dat) {
    case DAT_IDENTITY:
        return sizeof(TW_IDENTITY);
    case DAT_PARENT:
        return sizeof(TW_HANDLE);
    case DAT_USERINTERFACE:
        return sizeof(TW_USERINTERFACE);
    case DAT_CAPABILITY:
        return sizeof(TW_CAPABILITY);
    case DAT_EVENT:
        return sizeof(TW_EVENT);
    case DAT_PENDINGXFERS:
        return sizeof(TW_PENDINGXFERS);
    case DAT_STATUS:
        return sizeof(TW_STATUS);
    case DAT_IMAGENATIVEXFER:
        return sizeof(TW_UINT32);
    default:
        return 0;
    }
}

TW_UINT16 defaultAnswer(State& s, TW_IDENTITY* origin, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data)
{
    switch (dat) {
    case DAT_PARENT:
        if (msg == MSG_OPENDSM)
            origin->Id = kFakeManagerId;
        return TWRC_SUCCESS;
    case DAT_IDENTITY: {
        auto* id = static_cast<TW_IDENTITY*>(data);
        if (msg == MSG_GETDEFAULT) {
            *id = TW_IDENTITY {};
            name(*id, "Fake Default");
        } else if (msg == MSG_USERSELECT) {
            *id = s.selection;
        } else if (msg == MSG_OPENDS) {
            id->Id = kFakeSourceId;
            if (!id->ProductName[0])
                name(*id, "Fake Default");
        }
        return TWRC_SUCCESS;
    }
    case DAT_EVENT: {
        auto* event = static_cast<TW_EVENT*>(data);
        auto* msgp = static_cast<MSG*>(event->pEvent);
        if (msgp && msgp->message == kFakeEventMessage) {
            event->TWMessage = static_cast<TW_UINT16>(msgp->wParam);
            return TWRC_DSEVENT;
        }
        return TWRC_NOTDSEVENT;
    }
    case DAT_STATUS: {
        auto* status = static_cast<TW_STATUS*>(data);
        status->ConditionCode = s.condition;
        return s.statusResult;
    }
    case DAT_PENDINGXFERS: {
        auto* pending = static_cast<TW_PENDINGXFERS*>(data);
        pending->Count = msg == MSG_ENDXFER ? s.pending : 0;
        return TWRC_SUCCESS;
    }
    case DAT_IMAGENATIVEXFER:
        if (!s.image)
            return TWRC_CANCEL;
        *static_cast<TW_UINT32*>(data) = s.image;
        s.image = 0;
        return TWRC_XFERDONE;
    case DAT_IMAGEFILEXFER:
        return TWRC_XFERDONE;
    default:
        return TWRC_SUCCESS;
    }
}

}

extern "C" {

__attribute__((visibility("default"))) TW_UINT16 DSM_Entry(TW_IDENTITY* origin, TW_IDENTITY* dest, TW_UINT32 group,
                                                          TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data)
{
    State& s = state();
    FakeCall call {};
    call.originId = origin ? origin->Id : 0;
    call.toSource = dest != nullptr;
    call.destId = dest ? dest->Id : 0;
    call.group = group;
    call.dat = dat;
    call.msg = msg;
    if (origin)
        std::memcpy(call.productName, origin->ProductName, sizeof call.productName);
    call.dataSize = data ? recordSize(dat) : 0;
    if (call.dataSize)
        std::memcpy(call.data, data, call.dataSize);
    if (dat == DAT_CAPABILITY && data) {
        auto* cap = static_cast<TW_CAPABILITY*>(data);
        size_t size = std::min(GlobalSize(cap->hContainer), sizeof call.container);
        if (void* block = GlobalLock(cap->hContainer)) {
            std::memcpy(call.container, block, size);
            call.containerSize = size;
            GlobalUnlock(cap->hContainer);
        }
    }
    s.calls.push_back(call);

    TW_UINT16 rc;
    auto it = s.script.find(Triplet { group, dat, msg });
    if (it != s.script.end()) {
        rc = it->second.rc;
        if (rc == TWRC_FAILURE)
            s.condition = it->second.cc;
        if (it->second.times > 0 && --it->second.times == 0)
            s.script.erase(it);
        // A scripted event still tells what happened, so a failing source can
        // report a message too.
        if (dat == DAT_EVENT && data) {
            auto* msgp = static_cast<MSG*>(static_cast<TW_EVENT*>(data)->pEvent);
            if (msgp && msgp->message == kFakeEventMessage)
                static_cast<TW_EVENT*>(data)->TWMessage = static_cast<TW_UINT16>(msgp->wParam);
        }
    } else {
        rc = defaultAnswer(s, origin, dat, msg, data);
    }
    if (s.hook)
        s.hook(&s.calls.back(), s.hookContext);
    return rc;
}

__attribute__((visibility("default"))) void FakeDsm_Reset()
{
    State& s = state();
    s = State {};
    name(s.selection, "Fake Chosen");
}

__attribute__((visibility("default"))) void FakeDsm_Script(TW_UINT32 group, TW_UINT16 dat, TW_UINT16 msg, TW_UINT16 rc,
                                                          TW_UINT16 cc, int times)
{
    state().script[Triplet { group, dat, msg }] = Answer { rc, cc, times };
}

__attribute__((visibility("default"))) void FakeDsm_SetStatusResult(TW_UINT16 rc) { state().statusResult = rc; }
__attribute__((visibility("default"))) void FakeDsm_SetPending(TW_UINT16 count) { state().pending = count; }
__attribute__((visibility("default"))) void FakeDsm_SetImage(TW_UINT32 handle) { state().image = handle; }
__attribute__((visibility("default"))) void FakeDsm_SetSelection(const TW_IDENTITY* identity)
{
    state().selection = *identity;
}
__attribute__((visibility("default"))) void FakeDsm_SetHook(FakeCallHook hook, void* context)
{
    state().hook = hook;
    state().hookContext = context;
}
__attribute__((visibility("default"))) size_t FakeDsm_CallCount() { return state().calls.size(); }
__attribute__((visibility("default"))) const FakeCall* FakeDsm_Call(size_t index)
{
    return index < state().calls.size() ? &state().calls[index] : nullptr;
}
}
