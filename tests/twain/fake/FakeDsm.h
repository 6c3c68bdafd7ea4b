#pragma once
// A recording stand-in for the data source manager, built as "twain_32.so" in
// a folder of its own. It logs every call with a copy of the record passed and
// answers from a script. Tests reach the control functions below through the
// same loaded library as the component does.
#include "twain/TwainRecords.h"
#include <cstddef>

struct FakeCall {
    TW_UINT32 originId;
    bool toSource;         // a destination identity was given
    TW_UINT32 destId;
    TW_UINT32 group;
    TW_UINT16 dat;
    TW_UINT16 msg;
    unsigned char data[160]; // the record on entry
    size_t dataSize;
    unsigned char container[16]; // a capability's container block on entry
    size_t containerSize;
    char productName[34];  // the origin's product name at the call
};

// The window message a scripted event arrives as: wParam is the TWAIN message
// the fake reports through MSG_PROCESSEVENT.
constexpr unsigned int kFakeEventMessage = 0x0400 + 0x77;
constexpr TW_UINT32 kFakeManagerId = 77;
constexpr TW_UINT32 kFakeSourceId = 5;

extern "C" {
using FakeCallHook = void (*)(const FakeCall* call, void* context);

void FakeDsm_Reset();
// From now on the triplet answers rc; a status request then reports cc.
// times 0: every call; else only the next `times` calls.
void FakeDsm_Script(TW_UINT32 group, TW_UINT16 dat, TW_UINT16 msg, TW_UINT16 rc, TW_UINT16 cc, int times);
// The answer of the status request itself (TWRC_SUCCESS unless set).
void FakeDsm_SetStatusResult(TW_UINT16 rc);
// The count the end of transfer reports.
void FakeDsm_SetPending(TW_UINT16 count);
// The block the next native transfer hands over (0: the transfer answers TWRC_CANCEL).
void FakeDsm_SetImage(TW_UINT32 handle);
// What the user selection answers with.
void FakeDsm_SetSelection(const TW_IDENTITY* identity);
// Called after each call was logged and answered.
void FakeDsm_SetHook(FakeCallHook hook, void* context);
size_t FakeDsm_CallCount();
const FakeCall* FakeDsm_Call(size_t index);
}
