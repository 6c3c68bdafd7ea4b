// TTwainScanner against the recording manager: the exact calls and records,
// failures at every step, the message hook, the transfer and close sequences,
// identity properties, conditions, default source and driver discovery.
#include "platform/rtl/SysUtils.h"
#include "platform/vcl/forms/TApplication.h"
#include "platform/vcl/graphics/TBitmap.h"
#include "platform/win/core/Messages.h"
#include "platform/win/gdi/WinGdi.h"
#include "platform/win/prefix/Prefix.h"
#include "platform/win/prefix/ProfileFile.h"
#include "tests/twain/BitmapProbe.h"
#include "tests/twain/DibFixture.h"
#include "tests/twain/TwainFakeManager.h"
#include "twain/TTwainScanner.h"
#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace fs = std::filesystem;
using testing::ElementsAre;
using testing::HasSubstr;
using testing::StartsWith;

namespace {

constexpr Triplet OpenDSM { DG_CONTROL, DAT_PARENT, MSG_OPENDSM, false };
constexpr Triplet CloseDSM { DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, false };
constexpr Triplet GetDefault { DG_CONTROL, DAT_IDENTITY, MSG_GETDEFAULT, false };
constexpr Triplet UserSelect { DG_CONTROL, DAT_IDENTITY, MSG_USERSELECT, false };
constexpr Triplet OpenDS { DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, false };
constexpr Triplet CloseDS { DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, false };
constexpr Triplet SetCap { DG_CONTROL, DAT_CAPABILITY, MSG_SET, true };
constexpr Triplet Enable { DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, true };
constexpr Triplet Disable { DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, true };
constexpr Triplet Event { DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, true };
constexpr Triplet Native { DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, true };
constexpr Triplet EndXfer { DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, true };
constexpr Triplet ResetXfers { DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, true };
constexpr Triplet SourceStatus { DG_CONTROL, DAT_STATUS, MSG_GET, true };
constexpr Triplet ManagerStatus { DG_CONTROL, DAT_STATUS, MSG_GET, false };

std::string FakeFolder() { return FAKE_DSM_DIR; }

TW_USERINTERFACE UiOf(const FakeCall& c)
{
    TW_USERINTERFACE ui;
    std::memcpy(&ui, c.data, sizeof ui);
    return ui;
}

struct Flags {
    bool manager, source, enabled;
    bool operator==(const Flags&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Flags& f)
{
    return os << "{" << f.manager << f.source << f.enabled << "}";
}

class TwainScanner : public testing::Test {
protected:
    void SetUp() override
    {
        SetDllDirectoryA(FakeFolder().c_str());
        Application->OnMessage = nullptr;
        fake = std::make_unique<FakeManager>(FakeFolder());
        scanner = std::make_unique<TTwainScanner>();
        scanner->OnScanReady = [this](TObject* sender) {
            EXPECT_EQ(sender, scanner.get());
            ++scanReady;
        };
        blocksBefore = GlobalBlockCount();
        DrainQueue();
    }

    void TearDown() override
    {
        scanner.reset();
        Application->OnMessage = nullptr;
        fake.reset();
        SetDllDirectoryA(nullptr);
    }

    static void DrainQueue()
    {
        MSG msg;
        while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) { }
    }

    Flags State() const
    {
        return { scanner->IsDataSourceManagerOpen(), scanner->IsDataSourceOpen(), scanner->IsDataSourceEnabled() };
    }

    // Posts the source's event and pumps the application's loop once.
    void SourceReports(TW_UINT16 message)
    {
        PostMessage(Application->Handle(), kFakeEventMessage, message, 0);
        Application->ProcessMessages();
    }

    // A 2 by 2, 24-bit image whose bottom-left pixel is (r 0x30, g 0x20, b 0x10).
    void OfferImage()
    {
        std::vector<unsigned char> bytes = MakeDibBytes({ 40, 2, 2, 24 });
        const unsigned char bottomLeft[] = { 0x10, 0x20, 0x30 };
        std::memcpy(&bytes[40], bottomLeft, 3);
        fake->SetImage(MakeDibBlock(bytes));
    }

    // A bitmap with a recognisable content that a failed transfer must leave alone.
    void PrepareTarget()
    {
        target.SetHandle(ScreenBitmap(3, 3));
        original = target.Handle();
    }

    std::unique_ptr<FakeManager> fake;
    std::unique_ptr<TTwainScanner> scanner;
    TBitmap target;
    HBITMAP original { nullptr };
    int scanReady { 0 };
    size_t blocksBefore { 0 };
};

// --- Calls and records -------------------------------------------------------------

TEST_F(TwainScanner, AcquireSendsTheSequenceWithItsRecords)
{
    scanner->InitTWAIN();
    auto afterInit = fake->Calls();
    ASSERT_THAT(Triplets(afterInit), ElementsAre(OpenDSM));
    TW_HANDLE parent = static_cast<TW_HANDLE>(reinterpret_cast<uintptr_t>(Application->Handle()));
    EXPECT_NE(parent, 0u);
    EXPECT_EQ(afterInit[0].originId, parent); // the Id is the window until the manager assigns its own
    TW_HANDLE passedParent;
    std::memcpy(&passedParent, afterInit[0].data, 4);
    EXPECT_EQ(passedParent, parent);
    EXPECT_EQ(scanner->AppIdentity().Id, kFakeManagerId);
    EXPECT_EQ(scanner->AppIdentity().ProtocolMajor, 1);
    EXPECT_EQ(scanner->AppIdentity().ProtocolMinor, 7);
    EXPECT_EQ(TW_UINT32 { scanner->AppIdentity().SupportedGroups }, 3u); // a copy: the field is not aligned

    scanner->fSetProductname("Velmora Copier - Page 2");
    scanner->SetShowUI(false);
    scanner->fSetDestination(xfFile);
    scanner->Acquire(&target);
    auto calls = fake->Calls(1);
    ASSERT_THAT(Triplets(calls), ElementsAre(OpenDS, SetCap, Enable));
    for (const FakeCall& c : calls) {
        EXPECT_EQ(c.originId, kFakeManagerId);
        EXPECT_STREQ(c.productName, "Velmora Copier - Page 2");
    }
    EXPECT_EQ(calls[1].destId, kFakeSourceId);

    // The capability: ICAP_XFERMECH as a one-value container, native.
    const unsigned char capBytes[] = { 0x03, 0x01, 0x05, 0x00 };
    EXPECT_EQ(std::memcmp(calls[1].data, capBytes, 4), 0);
    ASSERT_EQ(calls[1].containerSize, 6u);
    const unsigned char oneValue[] = { 0x04, 0x00, 0x00, 0x00, 0x00, 0x00 };
    EXPECT_EQ(std::memcmp(calls[1].container, oneValue, 6), 0);
    EXPECT_EQ(GlobalBlockCount(), blocksBefore) << "the container block is freed";

    TW_USERINTERFACE ui = UiOf(calls[2]);
    EXPECT_EQ(ui.ShowUI, 0);
    EXPECT_EQ(ui.ModalUI, 0xFFFF);
    EXPECT_EQ(ui.hParent, parent);
    EXPECT_EQ(scanner->Destination(), xfNative);
    EXPECT_EQ(State(), (Flags { true, true, true }));
}

TEST_F(TwainScanner, ShowUiIsPassedToTheSource)
{
    for (bool show : { true, false }) {
        SCOPED_TRACE(show);
        scanner = std::make_unique<TTwainScanner>();
        Application->OnMessage = nullptr;
        scanner->InitTWAIN();
        scanner->SetShowUI(show);
        size_t from = fake->CallCount();
        scanner->Acquire(&target);
        auto calls = fake->Calls(from);
        ASSERT_EQ(Triplets(calls).back(), Enable);
        EXPECT_EQ(UiOf(calls.back()).ShowUI, show ? 0xFFFF : 0);
        EXPECT_EQ(UiOf(calls.back()).ModalUI, 0xFFFF);
    }
}

TEST_F(TwainScanner, TransferDeliversTheImageAndClosesTheSource)
{
    PrepareTarget();
    scanner->InitTWAIN();
    scanner->Acquire(&target);
    OfferImage();
    fake->SetPending(2);
    size_t from = fake->CallCount();
    SourceReports(MSG_XFERREADY);

    auto calls = fake->Calls(from);
    EXPECT_THAT(Triplets(calls), ElementsAre(Event, Native, EndXfer, ResetXfers, Disable, CloseDS));
    TW_USERINTERFACE ui = UiOf(calls[4]);
    EXPECT_EQ(ui.ShowUI, 0xFFFF);
    EXPECT_EQ(ui.ModalUI, 0);
    EXPECT_EQ(scanReady, 1);
    EXPECT_TRUE(scanner->ImageDelivered());
    EXPECT_NE(target.Handle(), original);
    EXPECT_EQ(PixelOf(target.Handle(), 0, 1), RGB(0x30, 0x20, 0x10));
    EXPECT_EQ(GlobalBlockCount(), blocksBefore) << "the image block is freed";
    EXPECT_EQ(State(), (Flags { true, false, false }));
    EXPECT_TRUE(scanner->LibraryLoaded());
}

TEST_F(TwainScanner, TargetOfThePagesSizeTakesThePixelsInPlace)
{
    target.SetHandle(ScreenBitmap(2, 2));
    HBITMAP before = target.Handle();
    int changes = 0;
    target.OnChange = [&](TObject*) { ++changes; };
    scanner->InitTWAIN();
    scanner->Acquire(&target);
    OfferImage();
    SourceReports(MSG_XFERREADY);
    EXPECT_TRUE(scanner->ImageDelivered());
    EXPECT_EQ(target.Handle(), before);
    EXPECT_EQ(changes, 1) << "a control showing the bitmap is told to repaint";
    EXPECT_EQ(PixelOf(target.Handle(), 0, 1), RGB(0x30, 0x20, 0x10));
    EXPECT_EQ(GlobalBlockCount(), blocksBefore);
}

TEST_F(TwainScanner, EveryPixelOfA24BitPageArrives)
{
    // Widths around the four-pixel steps, both row orders, a fresh and a reused target.
    scanner->InitTWAIN();
    for (int32_t height : { 3, -3 }) {
        for (int32_t width : { 1, 5, 6, 7, 13 }) {
            for (int round = 0; round < 2; ++round) {
                SCOPED_TRACE(testing::Message() << width << " by " << height << ", round " << round);
                std::vector<unsigned char> bytes = MakeDibBytes({ 40, width, height, 24 });
                scanner->Acquire(&target);
                fake->SetImage(MakeDibBlock(bytes));
                SourceReports(MSG_XFERREADY);
                ASSERT_TRUE(scanner->ImageDelivered());
                ASSERT_EQ(target.Width(), width);
                size_t row = DibRowBytes(width, 24);
                for (int y = 0; y < 3; ++y) {
                    size_t line = height > 0 ? size_t(2 - y) : size_t(y);
                    for (int x = 0; x < width; ++x) {
                        const unsigned char* p = &bytes[40 + line * row + size_t(x) * 3];
                        EXPECT_EQ(PixelOf(target.Handle(), x, y), RGB(p[2], p[1], p[0])) << x << "," << y;
                    }
                }
            }
        }
    }
}

TEST_F(TwainScanner, NoPendingTransfersMeansNoReset)
{
    scanner->InitTWAIN();
    scanner->Acquire(&target);
    OfferImage();
    size_t from = fake->CallCount();
    SourceReports(MSG_XFERREADY);
    EXPECT_THAT(Triplets(fake->Calls(from)), ElementsAre(Event, Native, EndXfer, Disable, CloseDS));
}

TEST_F(TwainScanner, AcquisitionsWithoutImageStillEndWithScanReady)
{
    struct Case {
        const char* what;
        TW_UINT16 report;
        std::vector<Triplet> calls;
    } cases[] = {
        { "source dialog closed", MSG_CLOSEDSREQ, { Event, Disable, CloseDS } },
        { "close ok", MSG_CLOSEDSOK, { Event, Disable, CloseDS } },
        { "native transfer cancelled", MSG_XFERREADY, { Event, Native, EndXfer, Disable, CloseDS } },
    };
    PrepareTarget();
    scanner->InitTWAIN();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        scanReady = 0;
        scanner->Acquire(&target);
        size_t from = fake->CallCount();
        SourceReports(c.report); // no image offered: the native transfer answers TWRC_CANCEL
        EXPECT_EQ(Triplets(fake->Calls(from)), c.calls);
        EXPECT_EQ(scanReady, 1);
        EXPECT_FALSE(scanner->ImageDelivered());
        EXPECT_EQ(target.Handle(), original);
        EXPECT_EQ(State(), (Flags { true, false, false }));
    }
}

TEST_F(TwainScanner, MemoryBranchReportsNoImageWithoutAskingTheSource)
{
    scanner->InitTWAIN();
    scanner->Acquire(&target);
    scanner->fSetDestination(xfMemory);
    size_t from = fake->CallCount();
    SourceReports(MSG_XFERREADY);
    EXPECT_THAT(Triplets(fake->Calls(from)), ElementsAre(Event, EndXfer, Disable, CloseDS));
    EXPECT_FALSE(scanner->ImageDelivered());
    EXPECT_EQ(scanReady, 1);
}

TEST_F(TwainScanner, FileBranchAsksForAFileTransfer)
{
    scanner->InitTWAIN();
    scanner->Acquire(&target);
    scanner->fSetDestination(xfFile);
    size_t from = fake->CallCount();
    SourceReports(MSG_XFERREADY);
    Triplet fileXfer { DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, true };
    EXPECT_THAT(Triplets(fake->Calls(from)), ElementsAre(Event, fileXfer, EndXfer, Disable, CloseDS));
    EXPECT_FALSE(scanner->ImageDelivered());
}

// --- Failures ------------------------------------------------------------------------------

struct StepFailure {
    const char* what;
    Triplet call;
    TW_UINT16 rc;
    TW_UINT16 condition;
    const char* message;
    Flags after;
};

class AcquireStepFails : public TwainScanner, public testing::WithParamInterface<StepFailure> { };

TEST_P(AcquireStepFails, RaisesForItsStepAndLeavesTheFlags)
{
    const StepFailure& c = GetParam();
    fake->Script(c.call.group, c.call.dat, c.call.msg, c.rc, c.condition, 0);
    try {
        scanner->InitTWAIN();
        scanner->Acquire(&target);
        FAIL() << "no error";
    } catch (const ETwainError& e) {
        EXPECT_EQ(e.Message(), c.message);
    }
    EXPECT_EQ(State(), c.after);
    EXPECT_EQ(GlobalBlockCount(), blocksBefore);
}

INSTANTIATE_TEST_SUITE_P(Steps, AcquireStepFails,
    testing::Values(
        StepFailure { "OpenManager", OpenDSM, TWRC_FAILURE, TWCC_NODS,
            "Data Source Manager error in module OpenDataSourceManager:\r\n"
            "Data Source Manager was unable to find the specified Data Source.",
            { false, false, false } },
        StepFailure { "OpenSource", OpenDS, TWRC_FAILURE, TWCC_MAXCONNECTIONS,
            "Data Source Manager error in module OpenDataSource:\r\n"
            "Data Source is connected to maximum supported number of \r\napplications.",
            { true, false, false } },
        StepFailure { "XferMechFailure", SetCap, TWRC_FAILURE, TWCC_BADCAP,
            "Data Source Manager error in module XferMech:\r\nCapability not supported by source or operation (get,\r\n"
            "set) is not supported on capability, or capability had\r\ndependencies on other capabilities and cannot "
            "be\r\noperated upon at this time",
            { true, true, false } },
        StepFailure { "XferMechDone", SetCap, TWRC_XFERDONE, 0,
            "A call to the Data Source Manager failed in module XferMech: Code 0006", { true, true, false } },
        StepFailure { "EnableCheckStatus", Enable, TWRC_CHECKSTATUS, 0,
            "A call to the Data Source Manager failed in module EnableDataSource: Code 0002", { true, true, false } },
        StepFailure { "EnableFailure", Enable, TWRC_FAILURE, TWCC_LOWMEMORY,
            "Data Source Manager error in module EnableDataSource:\r\nNot enough memory to complete the operation.",
            { true, true, false } }),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(TwainScanner, CloseStepsFailWithTheFlagsLeftAsTheyWere)
{
    struct Case {
        const char* what;
        Triplet call;
        const char* step;
        Flags after;
    } cases[] = {
        { "disable", Disable, "DisableDataSource", { true, true, true } },
        { "close source", CloseDS, "CloseDataSource", { true, true, false } },
    };
    scanner->InitTWAIN();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        scanReady = 0;
        scanner->Acquire(&target);
        fake->Script(c.call.group, c.call.dat, c.call.msg, TWRC_FAILURE, TWCC_SEQERROR, 1);
        try {
            SourceReports(MSG_CLOSEDSREQ);
            FAIL() << "no error";
        } catch (const ETwainError& e) {
            EXPECT_THAT(e.Message(), StartsWith(std::string("Data Source Manager error in module ") + c.step));
        }
        EXPECT_EQ(State(), c.after);
        EXPECT_EQ(scanReady, 0);
        if (scanner->IsDataSourceEnabled())
            scanner->DisableDataSource();
        scanner->CloseDataSource();
    }
    fake->Script(DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, TWRC_FAILURE, TWCC_SEQERROR, 1);
    EXPECT_THROW(scanner->CloseDataSourceManager(), ETwainError);
    EXPECT_EQ(State(), (Flags { true, false, false }));
    EXPECT_TRUE(scanner->LibraryLoaded());
}

TEST_F(TwainScanner, SourceFailureAsksTheSourceForItsStatus)
{
    fake->Script(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, TWRC_FAILURE, TWCC_SEQERROR, 0);
    scanner->InitTWAIN();
    EXPECT_THROW(scanner->Acquire(&target), ETwainError);
    EXPECT_EQ(Triplets(fake->Calls()).back(), SourceStatus);
    EXPECT_EQ(fake->Calls().back().destId, kFakeSourceId);

    fake->Script(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, TWRC_FAILURE, TWCC_NODS, 0);
    scanner->CloseDataSource();
    EXPECT_THROW(scanner->OpenDataSource(), ETwainError);
    EXPECT_EQ(Triplets(fake->Calls()).back(), ManagerStatus);
}

TEST_F(TwainScanner, FailedStatusRequestSaysSo)
{
    fake->Script(DG_CONTROL, DAT_PARENT, MSG_OPENDSM, TWRC_FAILURE, TWCC_BUMMER, 0);
    fake->SetStatusResult(TWRC_FAILURE);
    try {
        scanner->InitTWAIN();
        FAIL();
    } catch (const ETwainError& e) {
        EXPECT_EQ(e.Message(), "Unable to get the status");
    }
}

TEST_F(TwainScanner, AcquireWhileEnabledIsRefusedAtXferMech)
{
    scanner->InitTWAIN();
    scanner->Acquire(&target);
    fake->Script(DG_CONTROL, DAT_CAPABILITY, MSG_SET, TWRC_FAILURE, TWCC_SEQERROR, 0);
    try {
        scanner->Acquire(&target);
        FAIL();
    } catch (const ETwainError& e) {
        EXPECT_EQ(e.Message(), "Data Source Manager error in module XferMech:\r\n"
                               "Illegal operation for current Data Source Manager\r\nand Data Source state.");
    }
    EXPECT_EQ(State(), (Flags { true, true, true }));
}

struct TransferFailure {
    const char* what;
    Triplet failing;
    TW_UINT16 condition;
    TW_UINT16 pending;
    const char* message;
    std::vector<Triplet> calls;
};

class TransferFails : public TwainScanner, public testing::WithParamInterface<TransferFailure> { };

// A failed transfer raises the original error, and the source is taken back to
// state 3 first, so the next Acquire works (a paper jam must not end scanning).
TEST_P(TransferFails, RaisesAfterClosingTheSource)
{
    const TransferFailure& c = GetParam();
    PrepareTarget();
    scanner->InitTWAIN();
    scanner->Acquire(&target);
    if (c.failing == EndXfer || c.failing == ResetXfers)
        OfferImage();
    fake->SetPending(c.pending);
    fake->Script(c.failing.group, c.failing.dat, c.failing.msg, TWRC_FAILURE, c.condition, 1);
    size_t from = fake->CallCount();
    try {
        SourceReports(MSG_XFERREADY);
        FAIL() << "no error";
    } catch (const ETwainError& e) {
        EXPECT_EQ(e.Message(), c.message);
    }
    EXPECT_EQ(Triplets(fake->Calls(from)), c.calls);
    EXPECT_EQ(scanReady, 0);
    EXPECT_EQ(State(), (Flags { true, false, false }));
    EXPECT_EQ(GlobalBlockCount(), blocksBefore);
    if (c.failing == Native) {
        EXPECT_EQ(target.Handle(), original);
    }

    scanner->Acquire(&target);
    EXPECT_EQ(State(), (Flags { true, true, true }));
    OfferImage();
    SourceReports(MSG_XFERREADY);
    EXPECT_EQ(scanReady, 1);
    EXPECT_TRUE(scanner->ImageDelivered());
}

INSTANTIATE_TEST_SUITE_P(Steps, TransferFails,
    testing::Values(
        TransferFailure { "PaperJam", Native, TWCC_PAPERJAM, 0,
            "Data Source Manager error in module Native Transfer:\r\nTransfer failed because of a feeder error",
            { Event, Native, SourceStatus, ResetXfers, Disable, CloseDS } },
        TransferFailure { "EndOfTransfer", EndXfer, TWCC_SEQERROR, 0,
            "Data Source Manager error in module Check for Pending Transfers:\r\n"
            "Illegal operation for current Data Source Manager\r\nand Data Source state.",
            { Event, Native, EndXfer, SourceStatus, ResetXfers, Disable, CloseDS } },
        TransferFailure { "DropPending", ResetXfers, TWCC_BUMMER, 3,
            "Data Source Manager error in module Abort Pending Transfers:\r\n"
            "General failure. Unload Source immediately.",
            { Event, Native, EndXfer, ResetXfers, SourceStatus, ResetXfers, Disable, CloseDS } }),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(TwainScanner, MalformedImageIsRefusedAndFreed)
{
    struct Case {
        const char* what;
        DibShape shape;
    } cases[] = {
        { "bit count 7", { 40, 4, 2, 7 } },
        { "rows beyond the block", { 40, 4, 2, 24, 0, 0, -8 } },
        { "unknown header", { 20, 4, 2, 24 } },
    };
    PrepareTarget();
    scanner->InitTWAIN();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        scanner->Acquire(&target);
        fake->SetImage(MakeDibBlock(MakeDibBytes(c.shape)));
        try {
            SourceReports(MSG_XFERREADY);
            FAIL() << "no error";
        } catch (const ETwainError& e) {
            EXPECT_THAT(e.Message(), StartsWith("Data Source error in module Native Transfer:\r\n"));
        }
        EXPECT_EQ(target.Handle(), original);
        EXPECT_FALSE(scanner->ImageDelivered());
        EXPECT_EQ(GlobalBlockCount(), blocksBefore);
        EXPECT_EQ(State(), (Flags { true, false, false }));
    }
    EXPECT_EQ(scanReady, 0);
}

// --- The message hook ------------------------------------------------------------------

TEST_F(TwainScanner, HookChainsToThePreviousHandler)
{
    int previousCalls = 0;
    bool sawHandled = true;
    Application->OnMessage = [&](MSG&, bool& handled) {
        ++previousCalls;
        sawHandled = handled;
    };
    scanner->InitTWAIN();
    scanner->InitTWAIN(); // a second call installs nothing more and keeps the manager's Id
    EXPECT_EQ(scanner->AppIdentity().Id, kFakeManagerId);
    EXPECT_THAT(Triplets(fake->Calls()), ElementsAre(OpenDSM));

    CountingWindow counting;
    HWND window = counting.Handle();
    PostMessage(window, WM_USER + 1, 0, 0);
    Application->ProcessMessages();
    EXPECT_EQ(previousCalls, 1);
    EXPECT_FALSE(sawHandled);
    EXPECT_EQ(counting.Dispatched(), 1);
    EXPECT_TRUE(fake->Calls(1).empty()) << "no source open: the message is not passed on";

    scanner.reset();
    ASSERT_TRUE(Application->OnMessage);
    PostMessage(window, WM_USER + 1, 0, 0);
    Application->ProcessMessages();
    EXPECT_EQ(previousCalls, 2) << "destruction puts the previous handler back";
}

TEST_F(TwainScanner, OnlyTheSourcesOwnEventCountsAsHandled)
{
    CountingWindow counting;
    HWND window = counting.Handle();
    scanner->InitTWAIN();
    scanner->OpenDataSource();
    MSG msg {};
    msg.hwnd = window;
    msg.message = WM_USER + 2;
    struct Case {
        TW_UINT16 rc;
        bool handled;
    } cases[] = { { TWRC_NOTDSEVENT, false }, { TWRC_FAILURE, false }, { TWRC_DSEVENT, true } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rc);
        fake->Script(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, c.rc, TWCC_SEQERROR, 1);
        EXPECT_EQ(scanner->ProcessSourceMessage(msg), c.handled);
    }
    // Through the loop: an open, not enabled source that fails every event must
    // not keep the window's messages from being dispatched.
    fake->Script(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, TWRC_FAILURE, TWCC_SEQERROR, 0);
    PostMessage(window, WM_USER + 2, 0, 0);
    Application->ProcessMessages();
    EXPECT_EQ(counting.Dispatched(), 1);
}

// --- Preconditions and loading --------------------------------------------------------------

TEST_F(TwainScanner, PreconditionsBeforeInit)
{
    auto expectAssertion = [&](auto call, const char* text) {
        try {
            call();
            ADD_FAILURE() << "no error for " << text;
        } catch (const EAssertionFailed& e) {
            EXPECT_THAT(e.Message(), StartsWith(text));
        }
    };
    expectAssertion([&] { scanner->Acquire(&target); }, "Assertion failure");
    expectAssertion([&] { scanner->OpenDataSource(); }, "Data Source Manager must be open");
    expectAssertion([&] { scanner->CloseDataSource(); }, "Data Source Manager must be open");
    expectAssertion([&] { scanner->EnableDataSource(); }, "Data Source must be open");
    expectAssertion([&] { scanner->DisableDataSource(); }, "Data Source must be open");
    expectAssertion([&] { scanner->SelectDataSource(); }, "Assertion failure");
    EXPECT_EQ(fake->CallCount(), 0u);

    scanner->InitTWAIN();
    scanner->OpenDataSource();
    expectAssertion([&] { scanner->SelectDataSource(); }, "Data Source must be closed");
}

TEST_F(TwainScanner, MissingLibraryOrEntry)
{
    fs::path empty = fs::path(getenv("VELMORA_PREFIX")) / "no-manager";
    fs::create_directories(empty);
    SetDllDirectoryA(empty.c_str());
    try {
        scanner->InitTWAIN();
        FAIL();
    } catch (const ETwainError& e) {
        EXPECT_EQ(e.Message(), "Unable to load or find: TWAIN_32.DLL");
    }
    EXPECT_TRUE(Application->OnMessage) << "the hook is installed before the manager is opened";
    EXPECT_FALSE(scanner->IsDataSourceManagerOpen());

    SetDllDirectoryA(NOENTRY_DSM_DIR);
    EXPECT_THROW(scanner->Acquire(&target), EAssertionFailed);
    EXPECT_TRUE(scanner->LibraryLoaded());
    EXPECT_EQ(TTwainScanner::EntryPoint(), nullptr);
    scanner->CloseDataSourceManager();
    EXPECT_FALSE(scanner->LibraryLoaded());

    SetDllDirectoryA(FakeFolder().c_str());
    scanner->Acquire(&target); // a later Acquire loads the library again
    EXPECT_EQ(State(), (Flags { true, true, true }));
}

TEST_F(TwainScanner, CloseManagerWhileSourceOpenClosesNothing)
{
    scanner->InitTWAIN();
    scanner->OpenDataSource();
    try {
        scanner->CloseDataSourceManager();
        FAIL();
    } catch (const ETwainError& e) {
        EXPECT_EQ(e.Message(), "Unable to close the Data Source Manager. Maybe a source is still in use");
    }
    EXPECT_EQ(State(), (Flags { true, true, false }));
    EXPECT_TRUE(scanner->LibraryLoaded());
}

TEST_F(TwainScanner, DestructionInStateFiveClosesEverything)
{
    scanner->InitTWAIN();
    scanner->Acquire(&target);
    size_t from = fake->CallCount();
    scanner.reset();
    EXPECT_THAT(Triplets(fake->Calls(from)), ElementsAre(Disable, CloseDS, CloseDSM));
    EXPECT_EQ(TTwainScanner::EntryPoint(), nullptr);
}

// --- Selection and the default source --------------------------------------------------------

TEST_F(TwainScanner, SelectionChoosesTheSourceAndCancelKeepsIt)
{
    TW_IDENTITY chosen {};
    std::strcpy(chosen.ProductName, "Chosen One");
    fake->SetSelection(&chosen);
    scanner->InitTWAIN();
    scanner->SelectDataSource();
    EXPECT_THAT(Triplets(fake->Calls(1)), ElementsAre(GetDefault, UserSelect));
    EXPECT_STREQ(scanner->SourceIdentity().ProductName, "Chosen One");

    fake->Script(DG_CONTROL, DAT_IDENTITY, MSG_USERSELECT, TWRC_CANCEL, 0, 1);
    scanner->SelectDataSource();
    EXPECT_STREQ(scanner->SourceIdentity().ProductName, "Chosen One");

    size_t from = fake->CallCount();
    scanner->Acquire(&target);
    TW_IDENTITY opened;
    std::memcpy(&opened, fake->Calls(from)[0].data, sizeof opened);
    EXPECT_STREQ(opened.ProductName, "Chosen One");
}

TEST_F(TwainScanner, SelectionFailures)
{
    scanner->InitTWAIN();
    fake->Script(DG_CONTROL, DAT_IDENTITY, MSG_GETDEFAULT, TWRC_FAILURE, TWCC_NODS, 1);
    try {
        scanner->SelectDataSource();
        FAIL();
    } catch (const ETwainError& e) {
        EXPECT_THAT(e.Message(), StartsWith("Data Source Manager error in module SelectDataSource1:"));
    }
    fake->Script(DG_CONTROL, DAT_IDENTITY, MSG_USERSELECT, TWRC_CHECKSTATUS, 0, 1);
    try {
        scanner->SelectDataSource();
        FAIL();
    } catch (const ETwainError& e) {
        EXPECT_EQ(e.Message(), "A call to the Data Source Manager failed in module SelectDataSource2: Code 0002");
    }
}

// The manager records each selection as the system's default source, as ours does.
void RecordSelection(const FakeCall* call, void*)
{
    if (call->dat == DAT_IDENTITY && call->msg == MSG_USERSELECT)
        WriteProfileStringA("TWAIN", "DEFAULT SOURCE", "Chosen");
}

AnsiString RecordedDefault()
{
    char buffer[256] {};
    GetProfileStringA("TWAIN", "DEFAULT SOURCE", "", buffer, sizeof buffer);
    return buffer;
}

TEST_F(TwainScanner, DefaultSourceIsRestoredWhenTheManagerCloses)
{
    fake->SetHook(RecordSelection, nullptr);
    struct Case {
        const char* before;
        int selections;
        const char* after;
    } cases[] = { { "Earlier Scanner", 2, "Earlier Scanner" }, { "", 1, "Chosen" }, { "", 2, "Chosen" } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.before);
        WriteProfileStringA("TWAIN", "DEFAULT SOURCE", c.before);
        scanner = std::make_unique<TTwainScanner>();
        Application->OnMessage = nullptr;
        scanner->InitTWAIN();
        for (int i = 0; i < c.selections; ++i)
            scanner->SelectDataSource();
        EXPECT_EQ(scanner->SavedDefaultSource(), c.selections == 1 && !*c.before ? "" : c.after);
        scanner.reset(); // destruction closes the manager
        EXPECT_EQ(RecordedDefault(), c.after);
    }
}

TEST_F(TwainScanner, DefaultSourceIsReadOnlyAtTheFirstSelection)
{
    WriteProfileStringA("TWAIN", "DEFAULT SOURCE", "X");
    scanner->InitTWAIN();
    scanner->SelectDataSource();
    WriteProfileStringA("TWAIN", "DEFAULT SOURCE", "Y");
    scanner->SelectDataSource();
    EXPECT_EQ(scanner->SavedDefaultSource(), "X");
    scanner->CloseDataSourceManager();
    EXPECT_EQ(RecordedDefault(), "X");
    EXPECT_EQ(scanner->SavedDefaultSource(), "");
}

TEST_F(TwainScanner, FailedRestoreRaisesAndKeepsTheSavedSetting)
{
    WriteProfileStringA("TWAIN", "DEFAULT SOURCE", "X");
    scanner->InitTWAIN();
    scanner->SelectDataSource();
    // A folder where the profile file should be: the write cannot succeed.
    fs::path profile = fs::path(VelPrefix::WindowsDirectory()) / "win.ini";
    fs::remove(profile);
    fs::create_directories(profile / "blocked");
    try {
        scanner->CloseDataSourceManager();
        FAIL() << "no error";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Unable to write to WIN.INI");
    }
    EXPECT_EQ(scanner->SavedDefaultSource(), "X");
    fs::remove_all(profile);
}

TEST_F(TwainScanner, DestructionWithoutInitLeavesTheApplicationsFilterAlone)
{
    int calls = 0;
    Application->OnMessage = [&](MSG&, bool&) { ++calls; };
    scanner.reset();
    ASSERT_TRUE(Application->OnMessage);
    MSG msg {};
    bool handled = false;
    Application->OnMessage(msg, handled);
    EXPECT_EQ(calls, 1);
}

TEST_F(TwainScanner, DriverDiscovery)
{
    fs::path drivers = fs::path(VelPrefix::WindowsDirectory()) / "TWAIN_32";
    struct Case {
        const char* what;
        std::vector<std::string> files;
        std::vector<std::string> folders;
        bool found;
    } cases[] = {
        { "no driver folder", {}, {}, false },
        { "only the excluded driver", { "WIATWAIN.DS", "sub/wiatwain.ds" }, {}, false },
        { "not drivers", { "twain.dsx", "readme" }, { "x.ds" }, false },
        { "two levels down", { "a/b/scanner.ds" }, {}, true },
        { "upper-case extension", { "Scanner.DS" }, {}, true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(drivers);
        if (!c.files.empty() || !c.folders.empty())
            fs::create_directories(drivers);
        for (const auto& f : c.files) {
            fs::create_directories((drivers / f).parent_path());
            std::ofstream(drivers / f) << "x";
        }
        for (const auto& d : c.folders)
            fs::create_directories(drivers / d);
        EXPECT_EQ(scanner->TwainDriverFound(), c.found);
    }
    fs::remove_all(drivers);
}

// --- Identity, properties, conditions ---------------------------------------------------------

TEST_F(TwainScanner, IdentityTextFieldsHoldAtMost32Characters)
{
    std::string forty(40, 'p');
    forty[31] = 'L';
    scanner->fSetProductname(forty);
    EXPECT_EQ(scanner->Productname(), forty.substr(0, 32));
    EXPECT_EQ(scanner->AppIdentity().ProductName[32], 0);
    scanner->fSetProductname("");
    const char* field = scanner->AppIdentity().ProductName;
    EXPECT_TRUE(std::all_of(field, field + 34, [](char c) { return c == 0; }));
    EXPECT_EQ(scanner->Productname(), "");
    scanner->fSetManufacturer("Maker");
    scanner->fSetProductFamily("Family");
    scanner->fSetVersionInfo("Info");
    EXPECT_EQ(scanner->Manufacturer(), "Maker");
    EXPECT_EQ(scanner->ProductFamily(), "Family");
    EXPECT_EQ(scanner->VersionInfo(), "Info");
}

TEST_F(TwainScanner, LanguageAndCountryCodes)
{
    EXPECT_EQ(scanner->AppIdentity().Version.Language, 13);
    EXPECT_EQ(scanner->AppIdentity().Version.Country, 1);
    scanner->fSetCountry(ctFinland);
    EXPECT_EQ(scanner->AppIdentity().Version.Country, 358);
    scanner->fSetCountry(static_cast<TCountryType>(16));
    EXPECT_EQ(scanner->Country(), ctFinland);
    scanner->fSetLanguage(lgDanish);
    EXPECT_EQ(scanner->AppIdentity().Version.Language, 0);
    EXPECT_EQ(scanner->Language(), lgDanish);
    scanner->fSetLanguage(lgTurkish);
    EXPECT_EQ(scanner->AppIdentity().Version.Language, 85);
}

TEST_F(TwainScanner, FileSettings)
{
    EXPECT_EQ(scanner->Filename(), "C:\\TWAIN.BMP");
    EXPECT_EQ(scanner->FileFormat(), ffBMP);
    scanner->fSetImageType(ffPNG);
    EXPECT_EQ(scanner->FileFormat(), ffPNG);
    scanner->fSetImageType(ffUNKNOWN);
    EXPECT_EQ(scanner->FileFormat(), ffBMP);
    std::string long300(300, 'f');
    scanner->fSetFilename(long300);
    EXPECT_EQ(scanner->Filename(), long300.substr(0, 255));
}

TEST_F(TwainScanner, ConditionTexts)
{
    EXPECT_EQ(scanner->Condition2String(0), "Operation was succesful.");
    EXPECT_EQ(scanner->Condition2String(7), "Unknown condition 0007");
    EXPECT_EQ(scanner->Condition2String(22), "Unknown condition 0016");
    EXPECT_EQ(scanner->Condition2String(26), "Unknown condition 001A");
    EXPECT_EQ(scanner->Condition2String(20), scanner->Condition2String(21));
    EXPECT_EQ(scanner->Condition2String(9), "Unrecognized operation triplet.");
    EXPECT_EQ(scanner->Condition2String(18), "File not found.");
}

TEST_F(TwainScanner, ChecksOfResultCodes)
{
    scanner->InitTWAIN();
    EXPECT_NO_THROW(scanner->TwainCheckDataSourceManager(TWRC_SUCCESS, "X"));
    try {
        scanner->TwainCheckDataSource(TWRC_XFERDONE, "XferMech");
        FAIL();
    } catch (const ETwainError& e) {
        EXPECT_EQ(e.Message(), "A call to the Data Source Manager failed in module XferMech: Code 0006");
    }
    try {
        scanner->TwainCheckDataSource(0x1A2B, "Step");
        FAIL();
    } catch (const ETwainError& e) {
        EXPECT_EQ(e.Message(), "A call to the Data Source Manager failed in module Step: Code 1A2B");
    }
}

} // namespace
