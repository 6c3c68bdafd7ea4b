// The SANE bridge through our manager, on SANE's own test backend with a
// private configuration: colour and grey pages, a jam, a cancel, the feeder's
// further pages dropped, a scan stopped by disabling, and the listing.
#include "platform/vcl/graphics/TBitmap.h"
#include "platform/win/gdi/WinGdi.h"
#include "platform/win/module/Module.h"
#include "platform/win/prefix/Prefix.h"
#include "platform/win/prefix/ProfileFile.h"
#include "platform/win/registry/WinReg.h"
#include "tests/twain/BitmapProbe.h"
#include "tests/twain/SaneResident.h"
#include "tests/twain/ScanWaiter.h"
#include "twain/dsm/sources/sane/TSaneSource.h"
#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace fs = std::filesystem;
using testing::StartsWith;

namespace {

constexpr const char* kDevice = "test:0";

// The device's settings in the hive, replaced as a whole.
void DeviceSettings(const std::vector<std::pair<const char*, const char*>>& values)
{
    AnsiString path = AnsiString(TSaneSource::kSettingsKey) + kDevice;
    HKEY key = nullptr;
    RegDeleteKeyA(HKEY_CURRENT_USER, path.c_str());
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    for (auto [name, value] : values)
        RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), DWORD(strlen(value) + 1));
    RegCloseKey(key);
}

class SaneBridge : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        KeepSaneResident();
        // SANE's test backend alone, one device, a 300 mm bed; no network probes.
        fs::path conf = fs::path(getenv("VELMORA_PREFIX")) / "sane";
        fs::create_directories(conf);
        std::ofstream(conf / "dll.conf") << "test\n";
        std::ofstream(conf / "test.conf") << "number_of_devices 1\ngeometry_min 0.0\ngeometry_max 300.0\n"
                                             "geometry_quant 0.0\n";
        setenv("SANE_CONFIG_DIR", conf.c_str(), 1);
        VelPrefix::SetDataSourceFolders({ VEL_TWAIN_LIBDIR });
        VelPrefix::Ensure();
    }

    void SetUp() override
    {
        VelPrefix::LinkDataSources({ VEL_TWAIN_LIBDIR });
        Application->OnMessage = nullptr;
        scanner = std::make_unique<TTwainScanner>();
        scanner->OnScanReady = [this](TObject*) { ++ready; };
        scanner->SetShowUI(false);
        target.SetHandle(ScreenBitmap(3, 3));
        scanner->InitTWAIN();
        setenv("VELMORA_TWAIN_SELECT", kDevice, 1);
        scanner->SelectDataSource();
        unsetenv("VELMORA_TWAIN_SELECT");
        ASSERT_STREQ(scanner->SourceIdentity().ProductName, kDevice);
    }

    void TearDown() override
    {
        scanner.reset();
        Application->OnMessage = nullptr;
    }

    ScanOutcome Scan()
    {
        scanner->Acquire(&target);
        return PumpUntilScanReady(*scanner, ready);
    }

    BITMAP Size()
    {
        BITMAP info {};
        GetObject(target.Handle(), sizeof info, &info);
        return info;
    }

    bool State3() const
    {
        return scanner->IsDataSourceManagerOpen() && !scanner->IsDataSourceOpen() && !scanner->IsDataSourceEnabled();
    }

    std::unique_ptr<TTwainScanner> scanner;
    TBitmap target;
    int ready { 0 };
};

TEST_F(SaneBridge, ColourAndGreyPagesOverTheWholeBed)
{
    struct Case {
        const char* mode;
        const char* depth;
        const char* picture;
        COLORREF colour;
    } cases[] = { { "Color", "8", "Solid white", RGB(255, 255, 255) },
                  { "Color", "16", "Solid white", RGB(255, 255, 255) },
                  { "Gray", "8", "Solid black", RGB(0, 0, 0) },
                  { "Gray", "8", "Solid white", RGB(255, 255, 255) },
                  { "Gray", "1", "Solid black", RGB(0, 0, 0) } };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.mode) + " " + c.depth + " " + c.picture);
        DeviceSettings({ { "mode", c.mode }, { "depth", c.depth }, { "resolution", "25" }, { "test-picture", c.picture } });
        ScanOutcome outcome = Scan();
        ASSERT_TRUE(outcome.ready) << ErrorText(outcome);
        EXPECT_TRUE(scanner->ImageDelivered());
        BITMAP info = Size();
        // 300 mm at 25 dpi: the whole bed, not the backend's default area.
        EXPECT_NEAR(info.bmWidth, 295, 1);
        EXPECT_NEAR(info.bmHeight, 295, 1);
        EXPECT_EQ(PixelOf(target.Handle(), 0, 0), c.colour);
        EXPECT_EQ(PixelOf(target.Handle(), info.bmWidth - 1, info.bmHeight - 1), c.colour);
        EXPECT_TRUE(State3());
    }
}

TEST_F(SaneBridge, DefaultsAreColourAt300Dpi)
{
    DeviceSettings({ { "tl-x", "0" }, { "tl-y", "0" }, { "br-x", "25.4" }, { "br-y", "12.7" },
                     { "test-picture", "Color pattern" } });
    ScanOutcome outcome = Scan();
    ASSERT_TRUE(outcome.ready) << ErrorText(outcome);
    BITMAP info = Size();
    EXPECT_NEAR(info.bmWidth, 300, 1);
    EXPECT_NEAR(info.bmHeight, 150, 1);
    // A colour pattern in colour mode has pixels whose channels differ.
    bool coloured = false;
    for (int x = 0; x < info.bmWidth && !coloured; x += 7) {
        COLORREF c = PixelOf(target.Handle(), x, info.bmHeight / 2);
        coloured = GetRValue(c) != GetGValue(c) || GetGValue(c) != GetBValue(c);
    }
    EXPECT_TRUE(coloured);
}

TEST_F(SaneBridge, StatusesBecomeConditionsAndTheNextScanWorks)
{
    struct Case {
        const char* status;
        bool ready;
        const char* error;
    } cases[] = {
        { "SANE_STATUS_JAMMED", false,
          "Data Source Manager error in module Native Transfer:\r\nTransfer failed because of a feeder error" },
        { "SANE_STATUS_NO_DOCS", false,
          "Data Source Manager error in module Native Transfer:\r\nTransfer failed because of a feeder error" },
        { "SANE_STATUS_COVER_OPEN", false,
          "Data Source Manager error in module Native Transfer:\r\nGeneral failure. Unload Source immediately." },
        { "SANE_STATUS_DEVICE_BUSY", false,
          "Data Source Manager error in module Native Transfer:\r\nData Source is connected to maximum" },
        { "SANE_STATUS_CANCELLED", true, "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.status);
        HBITMAP before = target.Handle();
        DeviceSettings({ { "resolution", "25" }, { "read-return-value", c.status } });
        ScanOutcome outcome = Scan();
        EXPECT_FALSE(outcome.timedOut);
        EXPECT_EQ(outcome.ready, c.ready);
        EXPECT_THAT(ErrorText(outcome), StartsWith(c.error));
        EXPECT_FALSE(scanner->ImageDelivered());
        EXPECT_EQ(target.Handle(), before);
        EXPECT_TRUE(State3());

        DeviceSettings({ { "resolution", "25" } });
        ScanOutcome next = Scan();
        ASSERT_TRUE(next.ready) << ErrorText(next);
        EXPECT_TRUE(scanner->ImageDelivered());
    }
}

TEST_F(SaneBridge, FeederPagesAfterTheFirstAreDropped)
{
    DeviceSettings({ { "resolution", "25" }, { "source", "Automatic Document Feeder" } });
    for (int page = 0; page < 2; ++page) {
        SCOPED_TRACE(page);
        int before = ready;
        ScanOutcome outcome = Scan();
        ASSERT_TRUE(outcome.ready) << ErrorText(outcome);
        EXPECT_EQ(ready, before + 1);
        EXPECT_TRUE(scanner->ImageDelivered());
        EXPECT_TRUE(State3());
    }
}

TEST_F(SaneBridge, DisablingStopsARunningScan)
{
#if defined(__SANITIZE_ADDRESS__)
    // The test backend stops its reader with a thread cancellation, which can
    // leave the sanitizer's allocator locked in a process that then hangs.
    GTEST_SKIP() << "cancelling SANE's test backend mid-read under AddressSanitizer";
#endif
    // About a minute of reading if nothing stopped it.
    DeviceSettings({ { "resolution", "300" }, { "read-limit", "yes" }, { "read-limit-size", "1" },
                     { "read-delay", "yes" }, { "read-delay-duration", "200000" } });
    scanner->Acquire(&target);
    auto started = std::chrono::steady_clock::now();
    scanner->DisableDataSource();
    scanner->CloseDataSource();
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
    Application->ProcessMessages();
    EXPECT_EQ(ready, 0);
    EXPECT_TRUE(State3());
}

TEST(SaneBridgeListing, ManagerListsTheVirtualScannerAndEverySaneDevice)
{
    VelPrefix::Ensure();
    VelPrefix::LinkDataSources({ VEL_TWAIN_LIBDIR });
    HMODULE module = LoadLibraryA("TWAIN_32.DLL");
    ASSERT_NE(module, nullptr);
    auto entry = reinterpret_cast<DSMENTRYPROC>(GetProcAddress(module, "DSM_Entry"));
    TW_IDENTITY app {};
    app.Id = 1;
    TW_HANDLE parent = 0x99;
    ASSERT_EQ(entry(&app, nullptr, DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &parent), TWRC_SUCCESS);
    std::vector<std::string> names;
    TW_IDENTITY id {};
    for (TW_UINT16 rc = entry(&app, nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GETFIRST, &id); rc == TWRC_SUCCESS;
         rc = entry(&app, nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GETNEXT, &id))
        names.push_back(id.ProductName);
    EXPECT_THAT(names, testing::ElementsAre("Virtual Scanner", kDevice));
    EXPECT_EQ(entry(&app, nullptr, DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, &parent), TWRC_SUCCESS);
    FreeLibrary(module);
}

} // namespace
