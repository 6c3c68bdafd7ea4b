// Where the print routines put the pages, and how they wait, set up and end a
// job: against a scripted print system, with the printing component logging.
#include "app/PrintLayout.h"
#include "tests/app/print/PrintForm.h"
#include "tests/platform/vcl/printers/ScriptedSpooler.h"
#include "platform/win/core/Messages.h"
#include <gtest/gtest.h>

TEST(PrintLayout, WorkedValues)
{
    struct Case { bool twoPages; int pw, ph, scale; TPrintPlacement first; int secondLeft; };
    const Case cases[] = {
        { false, 4800, 6600, 100, { 0, 0, 4800, 6600 }, 0 },
        { false, 4800, 6600, 50, { 1200, 1650, 2400, 3300 }, 0 },
        { false, 4803, 6600, 150, { -1200, -1650, 7204, 9900 }, 0 },
        { false, 4800, 6600, 0, { 2376, 3267, 48, 66 }, 0 },      // taken as 1
        { false, 4800, 6600, -40, { 2376, 3267, 48, 66 }, 0 },
        { false, 4800, 6600, 900, { -9600, -13200, 24000, 33000 }, 0 }, // taken as 500
        { false, 4801, 6601, 1, { 2376, 3267, 48, 66 }, 0 },      // (4801 - 48) / 2 truncates
        { true, 6600, 4800, 50, { 825, 1200, 1650, 2400 }, 4125 },
        { true, 6601, 4801, 75, { 412, 600, 2475, 3600 }, 3712 }, // half of 6601 is 3300
        { true, 6600, 4800, 200, { -1650, -2400, 6600, 9600 }, 1650 },
        { true, 4800, 6600, 100, { 0, 0, 2400, 6600 }, 2400 },    // side by side on a portrait sheet
    };
    for (const Case& c : cases) {
        if (!c.twoPages) {
            EXPECT_EQ(OnePageLayout(c.scale, c.pw, c.ph), c.first) << c.pw << "x" << c.ph << " at " << c.scale;
        } else {
            TTwoPageLayout l = TwoPageLayout(c.scale, c.pw, c.ph);
            EXPECT_EQ(l.Left, c.first) << c.pw << "x" << c.ph << " at " << c.scale;
            EXPECT_EQ(l.Right.Left, c.secondLeft);
            EXPECT_EQ(l.Right.Left - l.Left.Left, c.pw / 2);
            EXPECT_EQ(l.Right.Top, l.Left.Top);
            EXPECT_EQ(l.Right.Width, l.Left.Width);
        }
    }
}

namespace {

class PrintRoutines : public ::testing::Test {
protected:
    static void SetUpTestSuite() { Application->Initialize(); }
    void SetUp() override
    {
        Log.clear();
        PrintingFlag = false;
        ClosingFlag = false;
        previous = SetPrinter(new TPrinter);
        auto spooler = std::make_unique<ScriptedSpooler>();
        spooler->portrait = TPrinterPage { 600, 600, 5000, 7000, 100, 200, 4800, 6600, "test" };
        this->spooler = spooler.get();
        Printer()->SetBackend(std::move(spooler));
        form = MakeForm();
        Scan(form->Image2, 40, 50, clRed);
        Scan(form->Image5, 20, 30, clLime);
        Scan(form->Image6, 20, 30, clBlue);
        form->FScale = 50;
        form->CSpinEdit1->SetValue(3);
        form->RadioButton3->SetChecked(true);
    }
    void TearDown() override
    {
        delete form;
        delete SetPrinter(previous);
        PrintingFlag = false;
        ClosingFlag = false;
    }
    std::vector<std::string> Jobs() const
    {
        std::vector<std::string> jobs;
        for (const auto& c : spooler->calls)
            if (c.rfind("Submit", 0) == 0)
                jobs.push_back(c);
        return jobs;
    }

    TPrinter* previous { nullptr };
    ScriptedSpooler* spooler { nullptr };
    TForm1* form { nullptr };
};

} // namespace

TEST_F(PrintRoutines, OnePageIsOneJobCentredAtTheScale)
{
    form->PrintOnePage();
    EXPECT_EQ(Log, (std::vector<std::string> { "Draw 1200,1650 2400x3300" }));
    EXPECT_EQ(DibOf(form)->Bitmaps, (std::vector<TBitmap*> { form->Image2->Picture()->Bitmap() }));
    EXPECT_EQ(Jobs(), (std::vector<std::string> { "Submit office 'Velmora Copier 1.2' 3 portrait" }));
    EXPECT_TRUE(PrintingFlag) << "cleared by the timer only";
    EXPECT_FALSE(Printer()->Printing());
}

TEST_F(PrintRoutines, TwoPagesAreOneJobSideBySideInTheTickedOrientation)
{
    form->RadioButton4->SetChecked(true); // "Landscape"
    form->FScale = 75;
    form->CSpinEdit1->SetValue(1);
    form->PrintTwoPages();
    // Landscape turns the 4800 by 6600 area into 6600 by 4800.
    EXPECT_EQ(Log, (std::vector<std::string> { "Draw 412,600 2475x3600", "Draw 3712,600 2475x3600" }));
    EXPECT_EQ(DibOf(form)->Bitmaps,
        (std::vector<TBitmap*> { form->Image5->Picture()->Bitmap(), form->Image6->Picture()->Bitmap() }));
    EXPECT_EQ(Jobs(), (std::vector<std::string> { "Submit office 'Velmora Copier 1.2' 1 landscape" }));
}

TEST_F(PrintRoutines, TheScaleIsClampedWhenPrinting)
{
    form->FScale = 0;
    form->PrintOnePage();
    form->FScale = 501;
    PrintingFlag = false;
    form->PrintOnePage();
    EXPECT_EQ(Log, (std::vector<std::string> { "Draw 2376,3267 48x66", "Draw -9600,-13200 24000x33000" }));
}

TEST_F(PrintRoutines, ASecondCopyWaitsForTheTimerThenPrints)
{
    form->PrintOnePage();
    ASSERT_TRUE(PrintingFlag);
    form->PrintOnePage(); // within the second: waits for the next tick
    EXPECT_EQ(Log, (std::vector<std::string> { "Draw 1200,1650 2400x3300", "tick", "Draw 1200,1650 2400x3300" }));
    EXPECT_EQ(Jobs().size(), 2u);
}

TEST_F(PrintRoutines, ClosingOrAnAbortedJobEndsTheWaitWithoutPrinting)
{
    form->Timer1->SetEnabled(false);
    PrintingFlag = true;
    HWND closer = CreateMessageWindow([](HWND, UINT, WPARAM, LPARAM) -> LRESULT {
        ClosingFlag = true;
        return 0;
    });
    PostMessage(closer, WM_USER, 0, 0);
    form->PrintOnePage();
    DestroyWindow(closer);
    EXPECT_TRUE(Log.empty());
    EXPECT_TRUE(PrintingFlag) << "left as it was";

    ClosingFlag = false;
    Printer()->BeginDoc();
    Printer()->Abort();
    form->PrintTwoPages();
    EXPECT_TRUE(Log.empty());
    EXPECT_TRUE(Jobs().empty());
}

TEST_F(PrintRoutines, AFailedDrawingAbortsTheJobAndTheNextCopyPrints)
{
    DibOf(form)->Fail = true;
    try {
        form->PrintOnePage();
        FAIL() << "the error should reach the caller";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "The printer ran out of paper");
    }
    EXPECT_FALSE(Printer()->Printing()) << "no job left in progress";
    EXPECT_FALSE(PrintingFlag);
    EXPECT_TRUE(Jobs().empty());
    EXPECT_EQ(form->Image2->Picture()->Bitmap()->Width(), 40) << "the scan stays in the preview";

    DibOf(form)->Fail = false;
    form->PrintOnePage(); // at once: no wait for a timer
    EXPECT_EQ(Log.back(), "Draw 1200,1650 2400x3300");
    EXPECT_EQ(Jobs().size(), 1u);
}

TEST_F(PrintRoutines, NoPrinterGivesAClearMessageAndKeepsThePreview)
{
    spooler->answers = false;
    try {
        form->PrintOnePage();
        FAIL() << "the error should reach the caller";
    } catch (const EPrinter& e) {
        EXPECT_NE(e.Message().find("No printer is available"), std::string::npos) << e.Message();
    }
    EXPECT_TRUE(Log.empty());
    EXPECT_FALSE(Printer()->Printing());
    EXPECT_EQ(form->Image2->Picture()->Bitmap()->Canvas()->Pixels(39, 49), clRed);
}
