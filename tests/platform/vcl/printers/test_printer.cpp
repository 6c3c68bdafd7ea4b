// The printer object: the PDF file printer when the print system has none,
// and, against a scripted print system, how jobs are handed over, followed,
// cancelled and aborted.
#include "platform/vcl/forms/TApplication.h"
#include "platform/vcl/printers/DocumentsFolder.h"
#include "tests/platform/vcl/printers/ScriptedSpooler.h"
#include "platform/vcl/printers/TPrinter.h"
#include "platform/win/core/Messages.h"
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

namespace fs = std::filesystem;

namespace {

fs::path Root()
{
    const char* prefix = std::getenv("VELMORA_PREFIX");
    return fs::path(prefix ? prefix : "/tmp/test_printer") / "home";
}

std::string ReadAll(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class PrinterTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { Application->Initialize(); }
    void SetUp() override
    {
        fs::remove_all(Root());
        fs::create_directories(Root() / "config");
        setenv("HOME", Root().c_str(), 1);
        setenv("XDG_CONFIG_HOME", (Root() / "config").c_str(), 1);
        std::ofstream(Root() / "config" / "user-dirs.dirs") << "# written by a test\nXDG_DOCUMENTS_DIR=\"$HOME/Papers\"\n";
        printer = std::make_unique<TPrinter>();
    }
    ScriptedSpooler* Script()
    {
        auto spooler = std::make_unique<ScriptedSpooler>();
        ScriptedSpooler* raw = spooler.get();
        printer->SetBackend(std::move(spooler));
        return raw;
    }
    void PrintSomething()
    {
        printer->SetTitle("Velmora Copier 1.2");
        printer->BeginDoc();
        printer->Canvas()->Brush()->SetColor(clRed);
        printer->Canvas()->FillRect(Rect(100, 100, 300, 200));
        printer->EndDoc();
    }
    std::unique_ptr<TPrinter> printer;
};

} // namespace

TEST(DocumentsFolder, ReadsTheUserDirsFileAsData)
{
    fs::path root = Root().parent_path() / "docs";
    fs::remove_all(root);
    fs::create_directories(root);
    setenv("HOME", root.c_str(), 1);
    setenv("XDG_CONFIG_HOME", root.c_str(), 1);
    struct Case { const char* file; std::string expected; };
    const Case cases[] = {
        { "XDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n", root.string() + "/Dokumente" },
        { "XDG_DOCUMENTS_DIR=\"/srv/My \\\"Docs\\\"\"\n", "/srv/My \"Docs\"" },
        { "  XDG_DOCUMENTS_DIR=\"$HOME\"\n", root.string() },
        { "XDG_DOCUMENTS_DIR=\"$(rm -rf ~)\"\n", root.string() + "/Documents" }, // not a path: ignored, never run
        { "XDG_DOCUMENTS_DIR=\"relative\"\nXDG_MUSIC_DIR=\"$HOME/M\"\n", root.string() + "/Documents" },
        { "", root.string() + "/Documents" },
    };
    for (const Case& c : cases) {
        std::ofstream(root / "user-dirs.dirs") << c.file;
        EXPECT_EQ(UserDocumentsFolder(), c.expected) << c.file;
    }
}

TEST_F(PrinterTest, WithoutAPrintSystemEachJobBecomesANewPdfInTheDocumentsFolder)
{
    EXPECT_EQ(printer->Destination().kind, TPrinterDestination::Kind::File);
    EXPECT_EQ(printer->PageWidth(), 4961);
    EXPECT_EQ(printer->PageHeight(), 7016);
    EXPECT_EQ(printer->Printers()->Strings(printer->PrinterIndex()), "PDF file");
    PrintSomething();
    fs::path folder = Root() / "Papers" / "Velmora Copier";
    EXPECT_EQ(printer->LastFileName(), (folder / "Velmora Copier 1.2.pdf").string());
    EXPECT_EQ(ReadAll(folder / "Velmora Copier 1.2.pdf").substr(0, 5), "%PDF-");
    PrintSomething();
    EXPECT_EQ(printer->LastFileName(), (folder / "Velmora Copier 1.2 (2).pdf").string());
    EXPECT_FALSE(printer->Printing());
    auto files = std::distance(fs::directory_iterator(folder), fs::directory_iterator());
    EXPECT_EQ(files, 2) << "no temporary file stays";

    printer->SetOrientation(poLandscape);
    EXPECT_EQ(printer->PageWidth(), 7016);
    EXPECT_EQ(printer->PageHeight(), 4961);
}

TEST_F(PrinterTest, NoPrinterAtAllIsAClearError)
{
    // The documents folder cannot be made: a file is in the way.
    std::ofstream(Root() / "Papers") << "not a folder";
    try {
        printer->BeginDoc();
        FAIL() << "BeginDoc should raise";
    } catch (const EPrinter& e) {
        EXPECT_NE(e.Message().find("No printer is available"), std::string::npos) << e.Message();
    }
    EXPECT_FALSE(printer->Printing());

    ScriptedSpooler* spooler = Script();
    spooler->answers = false;
    EXPECT_THROW(printer->PageWidth(), EPrinter);
    EXPECT_THROW(printer->BeginDoc(), EPrinter);
    EXPECT_FALSE(printer->Printing());
}

TEST_F(PrinterTest, ASpooledJobCarriesTitleCopiesAndOrientation)
{
    ScriptedSpooler* spooler = Script();
    spooler->states = { { TPrintSpooler::JobState::Pending, "" }, { TPrintSpooler::JobState::Processing, "" },
        { TPrintSpooler::JobState::Completed, "" } };
    printer->SetNumCopies(3);
    printer->SetOrientation(poLandscape);
    EXPECT_EQ(printer->PageWidth(), 3150) << "the printable area turned";
    EXPECT_EQ(printer->PageHeight(), 2400);
    bool printingWhileSpooled = false;
    spooler->onStatus = [&] { printingWhileSpooled = printer->Printing(); };
    PrintSomething();
    EXPECT_TRUE(printingWhileSpooled);
    EXPECT_FALSE(printer->Printing());
    EXPECT_EQ(spooler->calls, (std::vector<std::string> { "Submit office 'Velmora Copier 1.2' 3 landscape" }));
    EXPECT_EQ(spooler->pdf.substr(0, 5), "%PDF-");
    EXPECT_EQ(printer->LastJobId(), 42);
}

TEST_F(PrinterTest, AJobThePrintSystemHoldsIsCancelledAndReported)
{
    using State = TPrintSpooler::JobState;
    for (State refused : { State::Held, State::Stopped }) {
        ScriptedSpooler* spooler = Script();
        spooler->states = { { State::Pending, "" }, { refused, "document-format-error" } };
        try {
            PrintSomething();
            FAIL() << "EndDoc should raise";
        } catch (const EPrinter& e) {
            EXPECT_NE(e.Message().find("document-format-error"), std::string::npos) << e.Message();
        }
        EXPECT_EQ(spooler->calls.back(), "Cancel office 42");
        EXPECT_FALSE(printer->Printing());
        EXPECT_FALSE(printer->Aborted());
    }
    // Cancelled by the printer itself: reported, nothing left to cancel.
    ScriptedSpooler* spooler = Script();
    spooler->states = { { State::Canceled, "job-canceled-at-device" } };
    EXPECT_THROW(PrintSomething(), EPrinter);
    EXPECT_EQ(spooler->calls.size(), 1u);
    // The next job goes through.
    spooler->states = { { State::Completed, "" } };
    EXPECT_NO_THROW(PrintSomething());
}

TEST_F(PrinterTest, AbortFromAHandlerWhileSpoolingCancelsTheJob)
{
    ScriptedSpooler* spooler = Script();
    spooler->states = { { TPrintSpooler::JobState::Pending, "" } };
    HWND window = CreateMessageWindow([this](HWND, UINT, WPARAM, LPARAM) -> LRESULT {
        printer->Abort();
        return 0;
    });
    spooler->onStatus = [&] { PostMessage(window, WM_USER, 0, 0); };
    PrintSomething();
    DestroyWindow(window);
    EXPECT_TRUE(printer->Aborted());
    EXPECT_FALSE(printer->Printing());
    EXPECT_EQ(spooler->calls.back(), "Cancel office 42");
    spooler->onStatus = nullptr;
    spooler->states = { { TPrintSpooler::JobState::Completed, "" } };
    PrintSomething();
    EXPECT_FALSE(printer->Aborted()) << "the next job clears it";
}

TEST_F(PrinterTest, MisuseIsRefused)
{
    EXPECT_THROW(printer->EndDoc(), EPrinter);
    printer->BeginDoc();
    EXPECT_THROW(printer->BeginDoc(), EPrinter);
    EXPECT_THROW(printer->SetOrientation(poLandscape), EPrinter);
    printer->Abort();
    EXPECT_TRUE(printer->Aborted());
    EXPECT_FALSE(printer->Printing());
    // Drawing outside a job goes nowhere and does no harm.
    printer->Canvas()->FillRect(Rect(0, 0, 10, 10));
    fs::path folder = Root() / "Papers" / "Velmora Copier";
    EXPECT_TRUE(!fs::exists(folder) || fs::is_empty(folder)) << "an aborted job writes no file";
}
