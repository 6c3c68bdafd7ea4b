// Copies printed for real: through a private cupsd to an IPP printer
// simulator (when VEL_PRINT_STACK is set, the fixture script starts both), or
// through the PDF file printer when there is no print system. The document
// that arrives is rasterised with pdftoppm and each scan must lie where the
// layout put it, to within a pixel at the rendered resolution.
#include "app/PrintLayout.h"
#include "platform/vcl/printers/TPrinterSetupDialog.h"
#include "tests/app/print/PrintForm.h"
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QTimer>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;

namespace {

constexpr int kRasterDpi = 50;

bool WithPrintStack() { return std::getenv("VEL_PRINT_STACK") != nullptr; }

fs::path Prefix()
{
    const char* p = std::getenv("VELMORA_PREFIX");
    return p ? fs::path(p) : fs::path("/tmp/test_print_end_to_end");
}

std::string Shell(const std::string& command)
{
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return out;
    std::array<char, 4096> buffer;
    size_t n;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        out.append(buffer.data(), n);
    pclose(pipe);
    return out;
}

std::string Quote(const fs::path& p) { return "'" + p.string() + "'"; }

std::map<std::string, std::string> ReadAssignments(const fs::path& file)
{
    std::map<std::string, std::string> values;
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        auto eq = line.find('=');
        if (eq != std::string::npos)
            values[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return values;
}

// The first page of a PDF: its size in points, its rotation, and its pixels.
struct Raster {
    int width { 0 }, height { 0 };
    std::vector<uint8_t> rgb;
    double pointsWide { 0 }, pointsHigh { 0 };
    int rotation { 0 };
    std::string title;

    std::array<uint8_t, 3> At(int x, int y) const
    {
        const uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
        return { p[0], p[1], p[2] };
    }
};

Raster Rasterise(const fs::path& pdf)
{
    Raster r;
    std::istringstream info(Shell("pdfinfo " + Quote(pdf)));
    std::string line;
    while (std::getline(info, line)) {
        if (line.rfind("Page size:", 0) == 0)
            std::sscanf(line.c_str(), "Page size: %lf x %lf", &r.pointsWide, &r.pointsHigh);
        else if (line.rfind("Page rot:", 0) == 0)
            r.rotation = std::atoi(line.c_str() + 9);
        else if (line.rfind("Title:", 0) == 0)
            r.title = line.substr(line.find_first_not_of(' ', 6));
    }
    fs::path out = pdf.parent_path() / (pdf.stem().string() + "-page");
    Shell("pdftoppm -r " + std::to_string(kRasterDpi) + " -singlefile " + Quote(pdf) + " " + Quote(out));
    std::ifstream in(out.string() + ".ppm", std::ios::binary);
    std::string magic;
    int max = 0;
    in >> magic >> r.width >> r.height >> max;
    in.get();
    r.rgb.resize(static_cast<size_t>(r.width) * r.height * 3);
    in.read(reinterpret_cast<char*>(r.rgb.data()), static_cast<std::streamsize>(r.rgb.size()));
    return r;
}

struct Box {
    int left { INT32_MAX }, top { INT32_MAX }, right { -1 }, bottom { -1 }; // right, bottom exclusive
};

// Bounding box of the pixels close to a pure colour.
Box Find(const Raster& r, std::array<uint8_t, 3> colour)
{
    Box b;
    for (int y = 0; y < r.height; ++y)
        for (int x = 0; x < r.width; ++x) {
            auto p = r.At(x, y);
            bool match = true;
            for (int i = 0; i < 3; ++i)
                match = match && std::abs(int(p[i]) - int(colour[i])) < 60;
            if (match) {
                b.left = std::min(b.left, x);
                b.top = std::min(b.top, y);
                b.right = std::max(b.right, x + 1);
                b.bottom = std::max(b.bottom, y + 1);
            }
        }
    return b;
}

// Where a placement on the printable area shows on the raster: offset by the
// margins, scaled to the raster's resolution, and turned as the page says.
Box Expected(const TPrintPlacement& p, const TPrinterPage& page, const Raster& r)
{
    double sx = double(kRasterDpi) / page.dpiX, sy = double(kRasterDpi) / page.dpiY;
    // Visible part of the placement on the sheet, in device pixels.
    double x0 = std::max(0, page.printableLeft + p.Left), y0 = std::max(0, page.printableTop + p.Top);
    double x1 = std::min(page.printableLeft + page.printableWidth, page.printableLeft + p.Left + p.Width);
    double y1 = std::min(page.printableTop + page.printableHeight, page.printableTop + p.Top + p.Height);
    x0 *= sx; x1 *= sx; y0 *= sy; y1 *= sy;
    double w = page.paperWidth * sx, h = page.paperHeight * sy;
    Box b;
    auto set = [&](double l, double t, double rr, double bb) {
        b.left = int(l + 0.5);
        b.top = int(t + 0.5);
        b.right = int(rr + 0.5);
        b.bottom = int(bb + 0.5);
    };
    switch (r.rotation) {
    case 90: set(h - y1, x0, h - y0, x1); break;   // shown turned clockwise
    case 180: set(w - x1, h - y1, w - x0, h - y0); break;
    case 270: set(y0, w - x1, y1, w - x0); break;  // shown turned anticlockwise
    default: set(x0, y0, x1, y1); break;
    }
    return b;
}

void ExpectNear(const Box& found, const Box& expected, const char* what)
{
    EXPECT_NEAR(found.left, expected.left, 1) << what;
    EXPECT_NEAR(found.top, expected.top, 1) << what;
    EXPECT_NEAR(found.right, expected.right, 1) << what;
    EXPECT_NEAR(found.bottom, expected.bottom, 1) << what;
}

class EndToEnd : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        Application->Initialize();
        fs::path home = Prefix() / "home";
        fs::remove_all(home);
        fs::create_directories(home);
        setenv("HOME", home.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (home / ".config").c_str(), 1);
        if (!WithPrintStack())
            return;
        stack = Prefix() / "stack";
        const char* source = std::getenv("VEL_SOURCE_DIR");
        fs::path script = fs::path(source ? source : ".") / "tests/print/fixtures/print-stack.sh";
        Shell("sh " + Quote(script) + " stop " + Quote(stack) + " >/dev/null 2>&1");
        fs::remove_all(stack);
        std::string out = Shell("sh " + Quote(script) + " start " + Quote(stack) + " 2>&1");
        auto values = ReadAssignments(stack / "env");
        ASSERT_FALSE(values["CUPS_SERVER"].empty()) << "the print stack did not start:\n" << out;
        for (const auto& [key, value] : values)
            setenv(key.c_str(), value.c_str(), 1);
        started = true;
    }
    static void TearDownTestSuite()
    {
        if (!started)
            return;
        const char* source = std::getenv("VEL_SOURCE_DIR");
        fs::path script = fs::path(source ? source : ".") / "tests/print/fixtures/print-stack.sh";
        Shell("sh " + Quote(script) + " stop " + Quote(stack) + " >/dev/null 2>&1");
    }
    void SetUp() override
    {
        if (WithPrintStack() && !started)
            GTEST_SKIP() << "no print stack";
        Log.clear();
        PrintingFlag = false;
        ClosingFlag = false;
        previous = SetPrinter(new TPrinter);
        form = MakeForm();
        form->Timer1->SetEnabled(false);
        DibOf(form)->DrawForReal = true;
    }
    void TearDown() override
    {
        delete form;
        delete SetPrinter(previous);
    }

    // The document the last job produced, and the job's attributes (print system only).
    fs::path Received(std::map<std::string, std::string>* attributes)
    {
        if (!WithPrintStack())
            return Printer()->LastFileName();
        int job = Printer()->LastJobId();
        // The simulator files the job once it has it; EndDoc waited for the
        // print system, so this is quick.
        fs::path env;
        for (int i = 0; i < 200; ++i) {
            for (const auto& entry : fs::directory_iterator(stack / "received")) {
                if (entry.path().extension() == ".env") {
                    auto values = ReadAssignments(entry.path());
                    if (values["IPP_JOB_NAME"] == "Velmora Copier 1.2" && !values["IPP_JOB_ID"].empty()
                        && seen.insert(entry.path()).second)
                        env = entry.path();
                }
            }
            if (!env.empty())
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        EXPECT_FALSE(env.empty()) << "job " << job << " did not arrive";
        if (env.empty())
            return {};
        *attributes = ReadAssignments(env);
        fs::path pdf = env;
        pdf.replace_extension(".pdf");
        return pdf;
    }

    static inline fs::path stack;
    static inline bool started = false;
    static inline std::set<fs::path> seen;
    TPrinter* previous { nullptr };
    TForm1* form { nullptr };
};

} // namespace

TEST_F(EndToEnd, OnePageCopy)
{
    // Red above blue, so a page printed upside down shows.
    Scan(form->Image2, 120, 170, clBlue);
    form->Image2->Picture()->Bitmap()->Canvas()->Brush()->SetColor(clRed);
    form->Image2->Picture()->Bitmap()->Canvas()->FillRect(Rect(0, 0, 120, 85));
    form->FScale = 50;
    form->CSpinEdit1->SetValue(2);
    form->RadioButton3->SetChecked(true);
    form->PrintOnePage();
    TPrinterPage page = Printer()->Page();
    TPrintPlacement placed = OnePageLayout(50, page.printableWidth, page.printableHeight);

    std::map<std::string, std::string> job;
    fs::path pdf = Received(&job);
    ASSERT_FALSE(pdf.empty());
    if (WithPrintStack()) {
        EXPECT_EQ(job["IPP_JOB_NAME"], "Velmora Copier 1.2");
        EXPECT_EQ(job["IPP_COPIES"], "2");
    }
    Raster r = Rasterise(pdf);
    ASSERT_GT(r.width, 0) << "pdftoppm could not read " << pdf;
    if (!WithPrintStack()) {
        EXPECT_EQ(r.title, "Velmora Copier 1.2");
    }
    // The orientation is in the document: the page itself is upright.
    EXPECT_GT(r.pointsHigh, r.pointsWide);
    Box whole = Expected(placed, page, r);
    Box red = Find(r, { 255, 0, 0 }), blue = Find(r, { 0, 0, 255 });
    int middle = (whole.top + whole.bottom) / 2;
    ExpectNear(red, Box { whole.left, whole.top, whole.right, middle }, "the upper half");
    ExpectNear(blue, Box { whole.left, middle, whole.right, whole.bottom }, "the lower half");
}

TEST_F(EndToEnd, TwoPageCopyInLandscape)
{
    Scan(form->Image5, 60, 80, clRed);
    Scan(form->Image6, 60, 80, clBlue);
    form->FScale = 75;
    form->CSpinEdit1->SetValue(1);
    form->RadioButton4->SetChecked(true);
    form->PrintTwoPages();
    TPrinterPage page = Printer()->Page();
    ASSERT_GT(page.printableWidth, page.printableHeight);
    TTwoPageLayout placed = TwoPageLayout(75, page.printableWidth, page.printableHeight);

    std::map<std::string, std::string> job;
    fs::path pdf = Received(&job);
    ASSERT_FALSE(pdf.empty());
    if (WithPrintStack()) {
        EXPECT_EQ(job["IPP_JOB_NAME"], "Velmora Copier 1.2");
        EXPECT_EQ(job["IPP_COPIES"].empty() ? "1" : job["IPP_COPIES"], "1");
    }
    Raster r = Rasterise(pdf);
    ASSERT_GT(r.width, 0);
    // A landscape page (the print system may turn it onto an upright sheet,
    // which the rotation of the page says; the expected boxes turn with it).
    EXPECT_GT(r.pointsWide, r.pointsHigh) << "rotation " << r.rotation;
    ExpectNear(Find(r, { 255, 0, 0 }), Expected(placed.Left, page, r), "the left page");
    ExpectNear(Find(r, { 0, 0, 255 }), Expected(placed.Right, page, r), "the right page");
}

TEST_F(EndToEnd, AJobTheQueueWillNotPrintIsCancelledAndTheNextCopyPrints)
{
    if (!WithPrintStack())
        GTEST_SKIP() << "the PDF file printer refuses nothing";
    Scan(form->Image2, 30, 40, clBlue);
    form->FScale = 100;
    // A stopped queue keeps every job waiting: ours must not stay in it.
    Shell("cupsdisable sim");
    try {
        form->PrintOnePage();
        ADD_FAILURE() << "the refusal should reach the caller";
    } catch (const EPrinter& e) {
        EXPECT_NE(e.Message().find("cancelled"), std::string::npos) << e.Message();
    }
    EXPECT_FALSE(Printer()->Printing());
    EXPECT_FALSE(PrintingFlag) << "the next copy need not wait";
    EXPECT_EQ(Shell("lpstat -o sim 2>&1"), "") << "the job must not hold the queue";

    Shell("cupsenable sim");
    form->PrintOnePage();
    std::map<std::string, std::string> job;
    ASSERT_FALSE(Received(&job).empty());
    EXPECT_EQ(job["IPP_JOB_NAME"], "Velmora Copier 1.2");
    EXPECT_EQ(Shell("lpstat -o sim 2>&1"), "");
}

TEST_F(EndToEnd, ThePrinterPickedInTheSettingsDialogBecomesTheCurrentPrinter)
{
    if (!WithPrintStack())
        GTEST_SKIP() << "needs a print system queue to pick";
    Printer()->SetDestination(TPrinterDestination { TPrinterDestination::Kind::File, TPrinter::FilePrinterName, {} });
    QStringList offered;
    QTimer::singleShot(0, [&] {
        auto pick = [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return false;
            for (QComboBox* box : dialog->findChildren<QComboBox*>()) {
                if (box->objectName() != "printers")
                    continue;
                for (int i = 0; i < box->count(); ++i)
                    offered << box->itemText(i);
                int sim = box->findText("sim");
                if (sim >= 0)
                    box->setCurrentIndex(sim);
            }
            dialog->accept();
            return true;
        };
        auto* poll = new QTimer;
        QObject::connect(poll, &QTimer::timeout, [poll, pick] {
            if (pick()) {
                poll->stop();
                poll->deleteLater();
            }
        });
        poll->start(20);
    });
    TPrinterSetupDialog dialog;
    ASSERT_TRUE(dialog.Execute());
    EXPECT_TRUE(offered.contains("sim")) << offered.join(", ").toStdString();
    EXPECT_EQ(Printer()->Destination().kind, TPrinterDestination::Kind::Spooler);
    EXPECT_EQ(Printer()->Destination().name, "sim");
}
