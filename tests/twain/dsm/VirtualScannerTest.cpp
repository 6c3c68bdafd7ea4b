// The component through our manager with the virtual scanner: the generated
// page arrives, the scripted faults end as they should, and a failed
// acquisition never strands the source.
#include "platform/win/core/Messages.h"
#include "platform/win/gdi/WinGdi.h"
#include "platform/win/module/Module.h"
#include "platform/win/prefix/Prefix.h"
#include "platform/win/prefix/ProfileFile.h"
#include "platform/vcl/graphics/TBitmap.h"
#include "tests/twain/BitmapProbe.h"
#include "tests/twain/SaneResident.h"
#include "tests/twain/ScanWaiter.h"
#include "twain/dsm/DsmHooks.h"
#include "twain/dsm/sources/virtual/TVirtualPage.h"
#include "twain/dsm/sources/virtual/TVirtualScanner.h"
#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace fs = std::filesystem;
using testing::StartsWith;

namespace {

// Puts a colour the page never has on one pixel of the bitmap.
constexpr COLORREF kMark = RGB(0x12, 0x34, 0x56);
void Mark(HBITMAP bitmap) { SetPixelOf(bitmap, 1, 1, kMark); }

COLORREF FromRgb(uint32_t rgb) { return RGB(uint8_t(rgb >> 16), uint8_t(rgb >> 8), uint8_t(rgb)); }

void Setting(const char* key, const char* value)
{
    WritePrivateProfileStringA(TVirtualScanner::kSettingsSection, key, value, TVirtualScanner::kSettingsFile);
}

AnsiString RecordedDefault()
{
    char buffer[256] {};
    GetProfileStringA("TWAIN", "DEFAULT SOURCE", "", buffer, sizeof buffer);
    return buffer;
}

class VirtualScanner : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        KeepSaneResident();
        VelPrefix::SetDataSourceFolders({ VEL_TWAIN_LIBDIR });
        VelPrefix::Ensure();
    }

    void SetUp() override
    {
        VelPrefix::LinkDataSources({ VEL_TWAIN_LIBDIR });
        WritePrivateProfileStringA(TVirtualScanner::kSettingsSection, nullptr, nullptr, TVirtualScanner::kSettingsFile);
        WriteProfileStringA("TWAIN", "DEFAULT SOURCE", nullptr);
        Application->OnMessage = nullptr;
        scanner = std::make_unique<TTwainScanner>();
        scanner->OnScanReady = [this](TObject*) { ++ready; };
        scanner->SetShowUI(false);
        target.SetHandle(ScreenBitmap(3, 3));
        placeholder = target.Handle();
        scanner->InitTWAIN();
    }

    void TearDown() override
    {
        scanner.reset();
        Application->OnMessage = nullptr;
        SetSourceDialogHook(nullptr);
        unsetenv("VELMORA_TWAIN_SELECT");
    }

    ScanOutcome Scan(const char* page = "Velmora Copier - Page 1")
    {
        scanner->fSetProductname(page);
        scanner->Acquire(&target);
        return PumpUntilScanReady(*scanner, ready);
    }

    // The page in the bitmap is the one the scanner draws for number.
    void ExpectPage(const AnsiString& number)
    {
        BITMAP info {};
        ASSERT_GT(GetObject(target.Handle(), sizeof info, &info), 0);
        EXPECT_EQ(info.bmWidth, TVirtualPage::kWidth);
        EXPECT_EQ(info.bmHeight, TVirtualPage::kHeight);
        int count = static_cast<int>(number.size());
        for (int i = 0; i < count; ++i) {
            for (int s = 0; s < 7; ++s) {
                TVirtualPage::Rect r = TVirtualPage::SegmentRect(i, count, s);
                int x = (r.left + r.right) / 2 + 1, y = (r.top + r.bottom) / 2 + 1;
                EXPECT_EQ(PixelOf(target.Handle(), x, y), FromRgb(TVirtualPage::ColourAt(number, x, y)))
                    << "digit " << i << " segment " << s;
                EXPECT_EQ(TVirtualPage::ColourAt(number, x, y) == TVirtualPage::kInkColour,
                          TVirtualPage::SegmentLit(number[i], s));
            }
        }
        for (int bar = 0; bar < 7; ++bar) {
            int x = TVirtualPage::kBarLeft + bar * TVirtualPage::kBarWidth + 20, y = TVirtualPage::kBarTop + 30;
            EXPECT_EQ(PixelOf(target.Handle(), x, y), FromRgb(TVirtualPage::kBarColours[bar])) << "bar " << bar;
        }
        EXPECT_EQ(PixelOf(target.Handle(), TVirtualPage::kGridStep * 3, 1500), FromRgb(TVirtualPage::kGridColour));
        EXPECT_EQ(PixelOf(target.Handle(), 5, 1500), FromRgb(TVirtualPage::kPaperColour));
    }

    bool State3() const
    {
        return scanner->IsDataSourceManagerOpen() && !scanner->IsDataSourceOpen() && !scanner->IsDataSourceEnabled();
    }

    std::unique_ptr<TTwainScanner> scanner;
    TBitmap target;
    HBITMAP placeholder { nullptr };
    int ready { 0 };
};

TEST_F(VirtualScanner, DeliversThePageNamedByTheProductName)
{
    struct Case {
        const char* product;
        const char* number;
    } cases[] = { { "Velmora Copier - Page 2", "2" }, { "Velmora Copier - Page 1", "1" }, { "Copier", "1" },
                  { "Copier - Page 10", "10" } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.product);
        ScanOutcome outcome = Scan(c.product);
        ASSERT_TRUE(outcome.ready) << ErrorText(outcome);
        EXPECT_TRUE(scanner->ImageDelivered());
        ExpectPage(c.number);
        EXPECT_TRUE(State3());
    }
    EXPECT_EQ(ready, 4);
    EXPECT_STREQ(scanner->SourceIdentity().ProductName, "Virtual Scanner");
}

TEST_F(VirtualScanner, ScriptedEndings)
{
    struct Case {
        const char* what;
        std::vector<std::pair<const char*, const char*>> settings;
        bool ready;
        bool image;
        const char* error; // the start of the message
    } cases[] = {
        { "transfer cancelled", { { "NativeResult", "cancel" } }, true, false, "" },
        { "close requested", { { "CloseRequest", "1" } }, true, false, "" },
        { "pending pages dropped", { { "Pending", "2" } }, true, true, "" },
        { "delayed report", { { "DelayMs", "150" } }, true, true, "" },
        { "paper jam",
          { { "FailGroup", "2" }, { "FailDat", "0x0104" }, { "FailMsg", "1" }, { "FailCondition", "20" } }, false,
          false, "Data Source Manager error in module Native Transfer:\r\nTransfer failed because of a feeder error" },
        { "end of transfer refused", { { "FailGroup", "1" }, { "FailDat", "5" }, { "FailMsg", "0x0701" } }, false,
          true, "Data Source Manager error in module Check for Pending Transfers:\r\nGeneral failure." },
        { "malformed image", { { "Malformed", "1" } }, false, false, "Data Source error in module Native Transfer:" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (auto [key, value] : c.settings)
            Setting(key, value);
        scanner->fSetProductname("Velmora Copier - Page 3");
        Mark(target.Handle());
        int readyBefore = ready;
        scanner->Acquire(&target);
        ScanOutcome outcome = PumpUntilScanReady(*scanner, ready);
        EXPECT_FALSE(outcome.timedOut);
        EXPECT_EQ(outcome.ready, c.ready);
        EXPECT_EQ(ready - readyBefore, c.ready ? 1 : 0);
        EXPECT_THAT(ErrorText(outcome), StartsWith(c.error));
        EXPECT_EQ(scanner->ImageDelivered(), c.image);
        EXPECT_EQ(PixelOf(target.Handle(), 1, 1) != kMark, c.image) << "the bitmap holds a new page";
        EXPECT_TRUE(State3());

        // Whatever happened, the next acquisition works.
        WritePrivateProfileStringA(TVirtualScanner::kSettingsSection, nullptr, nullptr, TVirtualScanner::kSettingsFile);
        ScanOutcome next = Scan("Velmora Copier - Page 4");
        ASSERT_TRUE(next.ready) << ErrorText(next);
        ExpectPage("4");
    }
}

TEST_F(VirtualScanner, OpenButNotEnabledSourceDoesNotSwallowMessages)
{
    Setting("FailGroup", "1");
    Setting("FailDat", "9");
    Setting("FailMsg", "0x0502");
    try {
        scanner->Acquire(&target);
        FAIL() << "enable did not fail";
    } catch (const ETwainError& e) {
        EXPECT_THAT(e.Message(), StartsWith("Data Source Manager error in module EnableDataSource:"));
    }
    EXPECT_TRUE(scanner->IsDataSourceOpen());
    EXPECT_FALSE(scanner->IsDataSourceEnabled());
    CountingWindow counting;
    HWND window = counting.Handle();
    PostMessage(window, WM_USER + 5, 0, 0);
    Application->ProcessMessages();
    EXPECT_EQ(counting.Dispatched(), 1);
}

TEST_F(VirtualScanner, OwnDialogScansOrCancels)
{
    scanner->SetShowUI(true);
    struct Case {
        const char* what;
        int hook; // -1 none, 0 cancel, 1 scan
        const char* setting;
        bool image;
    } cases[] = { { "dialog: scan", 1, "", true },
                  { "dialog: cancel", 0, "", false },
                  { "no dialog, scripted cancel", -1, "cancel", false },
                  { "no dialog, default scan", -1, "", true } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        AnsiString asked;
        if (c.hook >= 0) {
            SetSourceDialogHook([&](const AnsiString& name) {
                asked = name;
                return c.hook == 1;
            });
        } else {
            SetSourceDialogHook(nullptr);
        }
        Setting("Dialog", *c.setting ? c.setting : nullptr);
        ScanOutcome outcome = Scan();
        ASSERT_TRUE(outcome.ready) << ErrorText(outcome);
        EXPECT_EQ(scanner->ImageDelivered(), c.image);
        if (c.hook >= 0) {
            EXPECT_EQ(asked, "Virtual Scanner");
        }
    }
}

TEST_F(VirtualScanner, SelectionRecordsTheDefaultUntilTheManagerCloses)
{
    WriteProfileStringA("TWAIN", "DEFAULT SOURCE", "Earlier Scanner");
    setenv("VELMORA_TWAIN_SELECT", "Virtual Scanner", 1);
    scanner->SelectDataSource();
    EXPECT_STREQ(scanner->SourceIdentity().ProductName, "Virtual Scanner");
    EXPECT_EQ(RecordedDefault(), "Virtual Scanner");
    EXPECT_EQ(scanner->SavedDefaultSource(), "Earlier Scanner");

    setenv("VELMORA_TWAIN_SELECT", "No Such Scanner", 1); // not listed: cancelled
    scanner->SelectDataSource();
    EXPECT_STREQ(scanner->SourceIdentity().ProductName, "Virtual Scanner");

    ScanOutcome outcome = Scan();
    ASSERT_TRUE(outcome.ready) << ErrorText(outcome);
    scanner.reset();
    EXPECT_EQ(RecordedDefault(), "Earlier Scanner");
}

TEST_F(VirtualScanner, DriversAreFoundInThePrefix)
{
    EXPECT_TRUE(scanner->TwainDriverFound());
}

// The manager on its own, loaded by name as the component loads it.
class Manager : public testing::Test {
protected:
    void SetUp() override
    {
        VelPrefix::Ensure();
        VelPrefix::LinkDataSources({ VEL_TWAIN_LIBDIR });
        WriteProfileStringA("TWAIN", "DEFAULT SOURCE", nullptr);
        module = LoadLibraryA("TWAIN_32.DLL");
        ASSERT_NE(module, nullptr) << LastLoadError();
        entry = reinterpret_cast<DSMENTRYPROC>(GetProcAddress(module, "DSM_Entry"));
        ASSERT_NE(entry, nullptr);
        app.Id = 0x1234;
        std::strcpy(app.ProductName, "Manager test");
    }
    void TearDown() override { FreeLibrary(module); }

    TW_UINT16 Call(TW_IDENTITY* dest, TW_UINT32 group, TW_UINT16 dat, TW_UINT16 msg, void* data)
    {
        return entry(&app, dest, group, dat, msg, data);
    }
    TW_UINT16 Condition(TW_IDENTITY* dest = nullptr)
    {
        TW_STATUS status {};
        EXPECT_EQ(Call(dest, DG_CONTROL, DAT_STATUS, MSG_GET, &status), TWRC_SUCCESS);
        return status.ConditionCode;
    }

    HMODULE module { nullptr };
    DSMENTRYPROC entry { nullptr };
    TW_IDENTITY app {};
    TW_HANDLE parent { 0x99 };
};

TEST_F(Manager, StatesAndConditions)
{
    TW_IDENTITY source {};
    EXPECT_EQ(Call(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &source), TWRC_FAILURE);
    EXPECT_EQ(Condition(), TWCC_SEQERROR);

    ASSERT_EQ(Call(nullptr, DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &parent), TWRC_SUCCESS);
    EXPECT_NE(app.Id, 0x1234u) << "the manager assigns the application's Id";
    EXPECT_EQ(Call(nullptr, DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &parent), TWRC_FAILURE);
    EXPECT_EQ(Condition(), TWCC_SEQERROR);

    std::vector<std::string> names;
    TW_IDENTITY id {};
    for (TW_UINT16 rc = Call(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GETFIRST, &id); rc == TWRC_SUCCESS;
         rc = Call(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GETNEXT, &id))
        names.push_back(id.ProductName);
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(names.front(), "Virtual Scanner");

    TW_IDENTITY notOpen {};
    notOpen.Id = 999;
    TW_USERINTERFACE ui { TW_FALSE, TW_TRUE, parent };
    EXPECT_EQ(Call(&notOpen, DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui), TWRC_FAILURE);
    EXPECT_EQ(Condition(&notOpen), TWCC_BADDEST);

    ASSERT_EQ(Call(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &source), TWRC_SUCCESS); // all zero: the default
    EXPECT_STREQ(source.ProductName, "Virtual Scanner");
    EXPECT_NE(source.Id, 0u);
    // A source that is open but not enabled refuses events.
    MSG msg {};
    TW_EVENT event { &msg, 0 };
    EXPECT_EQ(Call(&source, DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event), TWRC_FAILURE);
    EXPECT_EQ(Condition(&source), TWCC_SEQERROR);
    EXPECT_EQ(Call(nullptr, DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, &parent), TWRC_FAILURE);
    EXPECT_EQ(Condition(), TWCC_SEQERROR);
    EXPECT_EQ(Call(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &source), TWRC_SUCCESS);
    EXPECT_EQ(Call(nullptr, DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, &parent), TWRC_SUCCESS);
}

TEST_F(Manager, NoSourcesInstalled)
{
    fs::path drivers = VelPrefix::DataSourceDirectory();
    fs::path aside = drivers.string() + ".aside";
    fs::remove_all(aside);
    fs::rename(drivers, aside);
    fs::create_directories(drivers);
    ASSERT_EQ(Call(nullptr, DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &parent), TWRC_SUCCESS);
    TW_IDENTITY id {};
    EXPECT_EQ(Call(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GETDEFAULT, &id), TWRC_FAILURE);
    EXPECT_EQ(Condition(), TWCC_NODS);
    EXPECT_EQ(Call(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &id), TWRC_FAILURE);
    EXPECT_EQ(Condition(), TWCC_NODS);
    EXPECT_EQ(Call(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GETFIRST, &id), TWRC_ENDOFLIST);
    EXPECT_EQ(Call(nullptr, DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, &parent), TWRC_SUCCESS);
    fs::remove_all(drivers);
    fs::rename(aside, drivers);
}

} // namespace
