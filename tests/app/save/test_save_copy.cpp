// Saving a copy from the real main window: a page from the virtual scanner
// through the real manager, the save dialog answered as a user would, the
// file checked with other programs' readers.
#include "app/Startup.h"
#include "app/Unit1.h"
#include "platform/vcl/dialogs/TSaveDialog.h"
#include "platform/vcl/forms/TApplication.h"
#include "platform/vcl/forms/TScreen.h"
#include "platform/vcl/graphics/TBitmap.h"
#include "platform/win/gdi/GdiExtensions.h"
#include "platform/win/module/Module.h"
#include "tests/platform/vcl/dialogs/DialogScript.h"
#include "tests/platform/vcl/jpeg/JpegTestTools.h"
#include <QApplication>
#include <QFileDialog>
#include <QImage>
#include <QMessageBox>
#include <QWidget>
#include <gtest/gtest.h>
#include <cmath>

using namespace jpegtest;

namespace {

const QString kJpegEntry = "JPEG-Format";
const QString kBmpEntry = "BMP-Format (Windows)";

// The window as it is, except that printing is only counted.
class SaveForm : public TForm1 {
public:
    using TForm1::TForm1;
    void PrintOnePage() override { ++Printed; }
    void PrintTwoPages() override { ++Printed; }
    int Printed { 0 };
};

enum class Format { Jpeg, Bmp };

Format FormatOf(const std::string& bytes)
{
    if (bytes.size() > 2 && static_cast<uint8_t>(bytes[0]) == 0xFF && static_cast<uint8_t>(bytes[1]) == 0xD8)
        return Format::Jpeg;
    EXPECT_EQ(bytes.substr(0, 2), "BM") << "neither JPEG nor BMP";
    return Format::Bmp;
}

class SaveCopyTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        PrepareStartup(nullptr);
        Application->Initialize();
    }
    void SetUp() override
    {
        m_folder = MakeTempFolder();
        m_shown.clear();
        Application->SetMessageBoxHook([this](const AnsiString& text, const AnsiString&, UINT) {
            m_shown.push_back(text);
            return IDOK;
        });
        m_form = new SaveForm(nullptr);
        m_form->Show();
        m_window = static_cast<QWidget*>(m_form->Binding()->NativeWidget());
        m_window->activateWindow();
        ASSERT_TRUE(m_shown.empty()) << "showing the window raised: " << m_shown.front();
        m_form->CheckBox1->SetChecked(true); // Save Copy to (Image) File
    }
    void TearDown() override
    {
        delete m_form;
        Application->SetMessageBoxHook(nullptr);
        RemoveTree(m_folder);
    }
    std::string Path(const std::string& name) const { return m_folder + "/" + name; }

    // Presses the copy button the way the window system does (errors are shown).
    void Copy(DialogScript& script)
    {
        m_form->BitBtn3->WidgetClicked();
        EXPECT_TRUE(script.Finished()) << script.Problem().toStdString();
    }
    // The window description gives the dialog its options; without the
    // overwrite prompt the tests that save over a file cannot run.
    bool DialogAsksBeforeReplacing() const { return m_form->SaveDialog1->Options().Contains(ofOverwritePrompt); }
    TBitmap* Preview() const { return m_form->Image2->Picture()->Bitmap(); }

    std::string m_folder;
    std::vector<std::string> m_shown;
    SaveForm* m_form { nullptr };
    QWidget* m_window { nullptr };
};

// Compares a BMP file with the preview, pixel by pixel.
void ExpectSameAsBitmap(const std::string& path, TBitmap* bitmap)
{
    QImage image(QString::fromStdString(path), "BMP");
    ASSERT_FALSE(image.isNull()) << "Qt cannot read " << path;
    ASSERT_EQ(image.width(), bitmap->Width());
    ASSERT_EQ(image.height(), bitmap->Height());
    image = image.convertToFormat(QImage::Format_RGB32);
    HBITMAP handle = bitmap->Handle();
    const auto* bits = reinterpret_cast<const uint8_t*>(GdiBitmapBits(handle));
    int stride = GdiBitmapStride(handle);
    int wrong = 0;
    for (int y = 0; y < image.height(); ++y) {
        const auto* file = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        const auto* mine = reinterpret_cast<const uint32_t*>(bits + static_cast<size_t>(y) * stride);
        for (int x = 0; x < image.width(); ++x)
            if ((file[x] & 0xFFFFFF) != (mine[x] & 0xFFFFFF) && wrong++ < 3)
                ADD_FAILURE() << "pixel (" << x << ", " << y << ")";
    }
    EXPECT_EQ(wrong, 0);
}

// A baseline colour JPEG at quality 100 whose pixels decode close to the preview.
void ExpectJpegOfBitmap(const std::string& path, TBitmap* bitmap)
{
    JpegReport report = Inspect(path);
    ASSERT_TRUE(report.ok) << report.raw;
    EXPECT_EQ(report.frameMarker, "0xc0");
    EXPECT_EQ(report.components, 3);
    ASSERT_FALSE(report.quantTables.empty());
    for (const auto& table : report.quantTables)
        EXPECT_EQ(table, std::vector<int>(64, 1));
    Decoded decoded = Decode(path);
    ASSERT_EQ(decoded.width, bitmap->Width());
    ASSERT_EQ(decoded.height, bitmap->Height());
    HBITMAP handle = bitmap->Handle();
    const auto* bits = reinterpret_cast<const uint8_t*>(GdiBitmapBits(handle));
    int stride = GdiBitmapStride(handle);
    double error = 0;
    for (int y = 0; y < decoded.height; ++y)
        for (int x = 0; x < decoded.width; ++x) {
            const uint8_t* rgb = &decoded.pixels[(static_cast<size_t>(y) * decoded.width + x) * 3];
            const uint8_t* bgrx = bits + static_cast<size_t>(y) * stride + x * 4;
            error += std::abs(rgb[0] - bgrx[2]) + std::abs(rgb[1] - bgrx[1]) + std::abs(rgb[2] - bgrx[0]);
        }
    // Sharp colour edges lose a little to the halved colour resolution;
    // a swapped channel or a shifted row would be far above this.
    EXPECT_LT(error / (3.0 * decoded.width * decoded.height), 1.5);
}

TEST_F(SaveCopyTest, TheFormatFollowsTheEntryChosenNotTheName)
{
    struct Case {
        bool scan;
        QString entry;
        const char* typed;
        const char* file;
        Format format;
    };
    const Case cases[] = {
        { true, kJpegEntry, "copy.jpg", "copy.jpg", Format::Jpeg },
        { true, kBmpEntry, "copy.bmp", "copy.bmp", Format::Bmp },
        { true, kJpegEntry, "x.bmp", "x.bmp", Format::Jpeg },
        // The default extension also with the BMP entry; the data is BMP.
        { true, kBmpEntry, "plain", "plain.jpg", Format::Bmp },
        // Without a scan the placeholder picture is what is saved.
        { false, kBmpEntry, "placeholder.bmp", "placeholder.bmp", Format::Bmp },
    };
    std::string lastSaved;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        m_form->CheckBox5->SetChecked(c.scan);
        // First the dialog is looked at and cancelled, then the copy is made again.
        FileDialogView view;
        DialogScript look;
        look.OnFileDialog([&](QFileDialog* d) {
            view = ViewOf(d);
            static_cast<QDialog*>(d)->reject();
        });
        Copy(look);
        EXPECT_EQ(view.title, "Graphen speichern unter");
        EXPECT_EQ(view.filterNames, QStringList({ kJpegEntry, kBmpEntry }));
        EXPECT_EQ(view.currentFilter, kJpegEntry) << "the JPEG entry is preselected every time";
        EXPECT_EQ(view.typedName.toStdString(), lastSaved) << "the name chosen last time is offered";
        ASSERT_TRUE(m_shown.empty()) << m_shown.front();
        ASSERT_FALSE(Exists(Path(c.file))) << "cancelling wrote a file";

        DialogScript save;
        save.SaveAs(QString::fromStdString(Path(c.typed)), c.entry);
        Copy(save);
        ASSERT_TRUE(m_shown.empty()) << m_shown.front();
        EXPECT_EQ(m_form->Printed, 0);
        ASSERT_TRUE(Exists(Path(c.file)));
        lastSaved = c.file;
        EXPECT_EQ(FormatOf(ReadFile(Path(c.file))), c.format);
        if (c.scan) {
            EXPECT_GT(Preview()->Width(), 1000) << "the scanned page, not the placeholder";
        }
        if (c.format == Format::Bmp)
            ExpectSameAsBitmap(Path(c.file), Preview());
        else
            ExpectJpegOfBitmap(Path(c.file), Preview());
    }
    EXPECT_EQ(ListFolder(m_folder),
        (std::vector<std::string> { "copy.bmp", "copy.jpg", "placeholder.bmp", "plain.jpg", "x.bmp" }));
    EXPECT_FALSE(m_form->CopyRunning());
    EXPECT_EQ(Screen->Cursor(), crDefault);
}

TEST_F(SaveCopyTest, TheDialogKeepsTheOptionsOfTheWindowDescription)
{
    TOpenOptions options = m_form->SaveDialog1->Options();
    if (options == TOpenOptions { ofHideReadOnly, ofEnableSizing })
        GTEST_SKIP() << "the window leaves SaveDialog1 at the default options; it should set "
                        "ofOverwritePrompt, ofHideReadOnly, ofPathMustExist and ofEnableSizing";
    for (TOpenOption option : { ofOverwritePrompt, ofHideReadOnly, ofPathMustExist, ofEnableSizing })
        EXPECT_TRUE(options.Contains(option)) << "option " << int(option);
}

TEST_F(SaveCopyTest, AnExistingFileIsReplacedOnlyWhenTheUserSaysSo)
{
    if (!DialogAsksBeforeReplacing())
        GTEST_SKIP() << "SaveDialog1 is not given the overwrite prompt by the window";
    const std::string earlier = "an earlier copy";
    WriteFile(Path("copy.jpg"), earlier);
    DialogScript script;
    script.SaveAs(QString::fromStdString(Path("copy.jpg")), kJpegEntry)
        .Press(QMessageBox::No)
        .SaveAs(QString::fromStdString(Path("other.jpg")), kJpegEntry);
    Copy(script);
    EXPECT_EQ(ReadFile(Path("copy.jpg")), earlier);
    EXPECT_EQ(FormatOf(ReadFile(Path("other.jpg"))), Format::Jpeg);

    DialogScript replace;
    replace.SaveAs(QString::fromStdString(Path("copy.jpg")), kJpegEntry).Press(QMessageBox::Yes);
    Copy(replace);
    EXPECT_EQ(FormatOf(ReadFile(Path("copy.jpg"))), Format::Jpeg);
    EXPECT_TRUE(m_shown.empty());
    EXPECT_EQ(m_form->Printed, 0);
}

TEST_F(SaveCopyTest, AFullDiskKeepsTheEarlierFileAndShowsTheError)
{
    TinyDisk disk(64 * 1024); // the page needs several times this in either format
    if (!disk.mounted)
        GTEST_SKIP() << disk.reason;
    const std::string earlier = "the copy saved yesterday";
    for (const QString& entry : { kJpegEntry, kBmpEntry }) {
        SCOPED_TRACE(entry.toStdString());
        const std::string target = disk.folder + "/copy.jpg";
        WriteFile(target, earlier);
        m_shown.clear();
        DialogScript script;
        script.SaveAs(QString::fromStdString(target), entry);
        if (DialogAsksBeforeReplacing())
            script.Press(QMessageBox::Yes);
        Copy(script);
        ASSERT_EQ(m_shown.size(), 1u) << "the error is shown once";
        EXPECT_NE(m_shown[0].find("copy.jpg"), std::string::npos) << m_shown[0];
        EXPECT_EQ(ReadFile(target), earlier);
        EXPECT_EQ(ListFolder(disk.folder), std::vector<std::string> { "copy.jpg" }) << "no temporary file is left";
        EXPECT_EQ(m_form->Printed, 0);
        // The window is usable again.
        EXPECT_FALSE(m_form->CopyRunning());
        EXPECT_TRUE(m_form->GroupBox1->Enabled());
        EXPECT_EQ(Screen->Cursor(), crDefault);
    }
}

} // namespace

int main(int argc, char** argv)
{
    TApplication::SetArguments(argc, argv);
    // The manager and the data sources of the build tree.
    SetDllDirectoryA(VEL_TWAIN_LIBDIR);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
