// The main window and its copy workflow, against doubles of the components
// that keep the window's contracts: calls are recorded in order.
#include "app/Unit1.h"
#include "components/display/TVelDigianz.h"
#include "components/html/TVelHTML.h"
#include "components/registry/TVelReg.h"
#include "platform/vcl/forms/TApplication.h"
#include "platform/vcl/forms/TScreen.h"
#include "platform/vcl/graphics/TBitmap.h"
#include "platform/vcl/graphics/TCanvas.h"
#include "platform/win/core/Messages.h"
#include "print/TPrintDIB.h"
#include "twain/TTwainScanner.h"
#include <QApplication>
#include <QAbstractButton>
#include <QMessageBox>
#include <QTimer>
#include <QTest>
#include <gtest/gtest.h>
#include <map>

namespace {

std::vector<std::string> Log;

// A scanner that reports from a posted message a few pumps later, as a real
// source does; it can fail in Acquire or while being served.
enum class ScanMode { Deliver, FailAcquire, FailDuringWait, NeverReport, Cancelled };
ScanMode Mode = ScanMode::Deliver;
UINT ScanMessage = 0;

class FakeScanner : public TTwainScanner {
public:
    using TTwainScanner::TTwainScanner;
    void InitTWAIN() override
    {
        Log.push_back("InitTWAIN");
        if (FailInit)
            throw ETwainError("A call to the Data Source Manager failed in module LoadLibrary: Code 0000");
        m_window = CreateMessageWindow([](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 0; });
        Application->OnMessage = [this](MSG& msg, bool& handled) {
            if (msg.hwnd != m_window || msg.message != ScanMessage)
                return;
            handled = true;
            if (--m_pumpsLeft > 0) {
                PostMessage(m_window, ScanMessage, 0, 0);
                return;
            }
            if (Mode == ScanMode::FailDuringWait)
                throw ETwainError("TWAIN Source: paper jam");
            if (Mode == ScanMode::Deliver) {
                m_delivered = true;
                m_target->Canvas()->Brush()->SetColor(clRed);
                m_target->SetSize(10, 14);
                m_target->Canvas()->FillRect(TRect(0, 0, 10, 14));
            }
            Log.push_back("OnScanReady");
            if (OnScanReady)
                OnScanReady(this);
        };
    }
    void SelectDataSource() override { Log.push_back("SelectDataSource"); }
    void fSetProductname(const AnsiString& text) override { Log.push_back("Productname=" + text); }
    void SetShowUI(bool show) override { Log.push_back(std::string("ShowUI=") + (show ? "1" : "0")); }
    void Acquire(TBitmap* bitmap) override
    {
        Log.push_back("Acquire");
        if (Mode == ScanMode::FailAcquire)
            throw ETwainError("A call to the Data Source Manager failed in module OpenDataSource: Code 0001");
        m_target = bitmap;
        m_delivered = false;
        m_pumpsLeft = 3;
        if (Mode != ScanMode::NeverReport)
            PostMessage(m_window, ScanMessage, 0, 0);
    }
    bool ImageDelivered() const override { return m_delivered; }

    static inline bool FailInit = false;

private:
    HWND m_window { nullptr };
    TBitmap* m_target { nullptr };
    int m_pumpsLeft { 0 };
    bool m_delivered { false };
};

std::map<std::string, std::string> Store;
bool PopRaises = false;

class FakeReg : public TVelReg {
public:
    using TVelReg::TVelReg;
    void Push(AnsiString name, AnsiString value) override
    {
        Log.push_back("Push " + name + "=" + value);
        Store[name] = value;
    }
    AnsiString Pop(AnsiString name) override
    {
        if (PopRaises)
            throw Exception("Invalid data type for 'Scale'");
        auto it = Store.find(name);
        return it == Store.end() ? AnsiString() : it->second;
    }
};

class FakeDisplay : public TVelDigianz {
public:
    using TVelDigianz::TVelDigianz;
    void SetFText(const AnsiString& text) override
    {
        Shown = text;
        TVelDigianz::SetFText(text);
    }
    AnsiString Shown;
};

class FakeHtml : public TVelHTML {
public:
    using TVelHTML::TVelHTML;
    void CallExternUrl(const AnsiString& url) override { Log.push_back("Open " + url); }
};

class TestForm : public TForm1 {
public:
    using TForm1::TForm1;
    void PrintOnePage() override { Log.push_back("PrintOnePage"); }
    void PrintTwoPages() override { Log.push_back("PrintTwoPages"); }
    void SaveCopy() override { Log.push_back("SaveCopy"); }
};

int Answer = IDOK;

class Window : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        Application->Initialize();
        ScanMessage = RegisterWindowMessage("test scan step");
        Form1Parts.MakeScanner = [](TComponent* o) { return new FakeScanner(o); };
        Form1Parts.MakeRegistry = [](TComponent* o) { return new FakeReg(o); };
        Form1Parts.MakeDisplay = [](TComponent* o) { return new FakeDisplay(o); };
        Form1Parts.MakeHtml = [](TComponent* o) { return new FakeHtml(o); };
    }
    void SetUp() override
    {
        Log.clear();
        Store.clear();
        PopRaises = false;
        FakeScanner::FailInit = false;
        Mode = ScanMode::Deliver;
        Answer = IDOK;
        Shown.clear();
        Application->OnMessage = nullptr;
        Application->ResetTerminated();
        Application->SetMessageBoxHook([](const AnsiString& text, const AnsiString& caption, UINT flags) {
            Log.push_back("Box " + caption + ": " + text + " [" + std::to_string(flags) + "]");
            return Answer;
        });
    }
    void TearDown() override
    {
        delete form;
        form = nullptr;
    }
    void open(const char* stored = nullptr)
    {
        if (stored)
            Store["Scale"] = stored;
        form = new TestForm(nullptr);
        form->Show();
        Log.clear();
    }
    FakeDisplay* display() const { return static_cast<FakeDisplay*>(form->VelDigianz1); }
    bool busy() const { return !form->GroupBox1->Enabled(); }

    TestForm* form { nullptr };
    std::vector<std::string> Shown;
};

}

TEST_F(Window, TheStoredScaleIsReadClampedAndShown)
{
    struct Case { const char* stored; int scale; const char* text; int thumb; };
    for (Case c : { Case { nullptr, 100, "100%", 100 }, { "abc", 100, "100%", 100 }, { "", 100, "100%", 100 },
             { "99999999999", 100, "100%", 100 }, { "-5", 1, "001%", 1 }, { "0", 1, "001%", 1 },
             { "900", 500, "500%", 200 }, { "350", 350, "350%", 200 }, { "42", 42, "042%", 42 } }) {
        Store.clear();
        open(c.stored);
        EXPECT_EQ(form->FScale, c.scale) << (c.stored ? c.stored : "(none)");
        EXPECT_EQ(display()->Shown, c.text);
        EXPECT_EQ(form->TrackBar1->Position(), c.thumb);
        EXPECT_TRUE(Log.empty()) << "showing stores nothing";
        delete form;
        form = nullptr;
    }
}

TEST_F(Window, ShowingResetsThePreviewsAndAFailedScannerStillRestoresTheScale)
{
    FakeScanner::FailInit = true;
    Store["Scale"] = "77";
    form = new TestForm(nullptr);
    form->CheckBox5->SetChecked(false);
    form->Show();
    EXPECT_NE(Log.back().find("LoadLibrary"), std::string::npos);
    EXPECT_EQ(form->FScale, 77);
    EXPECT_EQ(display()->Shown, "077%");
    EXPECT_TRUE(form->CheckBox5->Checked());
    EXPECT_EQ(form->Image2->Picture()->Bitmap()->Width(), 32);
    EXPECT_EQ(form->Image6->Picture()->Bitmap()->Height(), 50);
}

TEST_F(Window, AStoredValueThatCannotBeReadIsShownAndTheScaleStartsAt100)
{
    PopRaises = true;
    form = new TestForm(nullptr);
    form->Show();
    EXPECT_NE(Log.back().find("Invalid data type for 'Scale'"), std::string::npos);
    EXPECT_EQ(form->FScale, 100);
    EXPECT_EQ(display()->Shown, "100%");
}

TEST_F(Window, PlusAndMinusStopAtTheirBoundsButStoreEveryPress)
{
    open("200");
    form->BitBtn1Click(nullptr);
    EXPECT_EQ(form->FScale, 200);
    form->BitBtn2Click(nullptr);
    EXPECT_EQ(form->FScale, 199);
    EXPECT_EQ(Log, (std::vector<std::string> { "Push Scale=200", "Push Scale=199" }));
    EXPECT_EQ(form->TrackBar1->Position(), 199);
    delete form;
    open("1");
    form->BitBtn2Click(nullptr);
    EXPECT_EQ(form->FScale, 1);
    EXPECT_EQ(display()->Shown, "001%");
    EXPECT_EQ(Log, (std::vector<std::string> { "Push Scale=1" }));
    delete form;
    open("350");
    form->BitBtn1Click(nullptr);
    EXPECT_EQ(form->FScale, 350);
    form->BitBtn2Click(nullptr);
    EXPECT_EQ(form->FScale, 349);
}

TEST_F(Window, TheTrackBarStoresOnlyWhileItHasTheFocus)
{
    open("100");
    form->TrackBar1->SetPosition(50);  // by the program: no focus
    EXPECT_EQ(form->FScale, 100);
    EXPECT_TRUE(Log.empty());
    auto* window = static_cast<QWidget*>(form->Binding()->NativeWidget());
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    form->TrackBar1->SetFocus();
    ASSERT_TRUE(form->TrackBar1->Focused());
    form->TrackBar1->SetPosition(0);
    EXPECT_EQ(form->FScale, 0);
    EXPECT_EQ(display()->Shown, "000%");
    EXPECT_EQ(Log, (std::vector<std::string> { "Push Scale=0" }));
    form->BitBtn2Click(nullptr);
    EXPECT_EQ(form->FScale, 0);
    form->BitBtn1Click(nullptr);
    EXPECT_EQ(form->FScale, 1);
}

TEST_F(Window, ModeSwitchesResetPreviewsAndTicksAndGateTheSaveBox)
{
    open();
    form->CheckBox1->SetChecked(true);
    form->CheckBox3->SetChecked(false);
    form->RadioButton2Click(nullptr);
    EXPECT_EQ(form->PageControl1->ActivePageIndex(), 1);
    EXPECT_TRUE(form->RadioButton4->Checked());
    EXPECT_FALSE(form->CheckBox1->Checked());
    EXPECT_FALSE(form->CheckBox1->Enabled());
    EXPECT_TRUE(form->CheckBox3->Checked());
    form->RadioButton1Click(nullptr);
    EXPECT_EQ(form->PageControl1->ActivePageIndex(), 0);
    EXPECT_TRUE(form->RadioButton1->Checked());
    EXPECT_TRUE(form->RadioButton3->Checked());
    EXPECT_TRUE(form->CheckBox1->Enabled());
    EXPECT_FALSE(form->CheckBox1->Checked());
    // The picture of the current mode resets again.
    form->CheckBox6->SetChecked(false);
    form->RadioButton1Click(nullptr);
    EXPECT_TRUE(form->CheckBox6->Checked());
}

TEST_F(Window, OnePageCopiesFollowTheirCheckBoxes)
{
    const std::vector<std::string> scan = { "Productname=Velmora Copier - Page 1", "ShowUI=0", "Acquire", "OnScanReady" };
    struct Case { bool scan, print, save; std::vector<std::string> expected; };
    std::vector<Case> cases = {
        { true, true, false, { scan[0], scan[1], scan[2], scan[3], "PrintOnePage" } },
        { true, true, true, { scan[0], scan[1], scan[2], scan[3], "SaveCopy" } },
        { false, true, false, { "PrintOnePage" } },
        { false, false, false, {} },
        { true, false, true, { scan[0], scan[1], scan[2], scan[3] } },
    };
    open();
    for (const Case& c : cases) {
        form->CheckBox5->SetChecked(c.scan);
        form->CheckBox6->SetChecked(c.print);
        form->CheckBox1->SetChecked(c.save);
        Log.clear();
        form->BitBtn3Click(nullptr);
        EXPECT_EQ(Log, c.expected) << c.scan << c.print << c.save;
        EXPECT_FALSE(busy());
        EXPECT_EQ(Screen->Cursor(), crDefault);
    }
    // The scan arrived in the one-page preview.
    EXPECT_EQ(form->Image2->Picture()->Bitmap()->Width(), 10);
}

TEST_F(Window, TwoPageCopiesPromptBetweenTheScans)
{
    open();
    form->RadioButton2Click(nullptr);
    Log.clear();
    form->BitBtn3Click(nullptr);
    EXPECT_EQ(Log, (std::vector<std::string> { "Productname=Velmora Copier - Page 1", "ShowUI=0", "Acquire", "OnScanReady",
                       "Box Velmora Copier: Please now insert Page 2 to the scanner! [65]",
                       "Productname=Velmora Copier - Page 2", "ShowUI=0", "Acquire", "OnScanReady", "PrintTwoPages" }));

    // Page 1 not scanned: page 2 comes at once, without asking.
    form->CheckBox2->SetChecked(false);
    Log.clear();
    form->BitBtn3Click(nullptr);
    EXPECT_EQ(Log, (std::vector<std::string> { "Productname=Velmora Copier - Page 2", "ShowUI=0", "Acquire", "OnScanReady",
                       "PrintTwoPages" }));
}

TEST_F(Window, CancelAtThePromptResetsThePreviewsAndPrintsNothing)
{
    open();
    form->RadioButton2Click(nullptr);
    form->CheckBox4->SetChecked(true);
    Answer = IDCANCEL;
    Log.clear();
    form->BitBtn3Click(nullptr);
    EXPECT_EQ(Log.back(), "Box Velmora Copier: Please now insert Page 2 to the scanner! [65]");
    EXPECT_EQ(form->Image5->Picture()->Bitmap()->Width(), 32) << "back to the placeholder";
    EXPECT_FALSE(busy());
}

TEST_F(Window, AnErrorInAcquireOrDuringTheWaitLeavesTheBusyStateAndIsShown)
{
    open();
    for (ScanMode mode : { ScanMode::FailAcquire, ScanMode::FailDuringWait }) {
        Mode = mode;
        Log.clear();
        // The button's click goes through the window system's error display.
        form->BitBtn3->WidgetClicked();
        ASSERT_FALSE(Log.empty());
        EXPECT_EQ(Log.back().rfind("Box ", 0), 0u) << Log.back();
        EXPECT_EQ(std::count(Log.begin(), Log.end(), "PrintOnePage"), 0);
        EXPECT_FALSE(busy());
        EXPECT_EQ(Screen->Cursor(), crDefault);
        EXPECT_FALSE(form->CopyRunning());
    }
    // The window is usable: the next copy works.
    Mode = ScanMode::Deliver;
    Log.clear();
    form->BitBtn3Click(nullptr);
    EXPECT_EQ(Log.back(), "PrintOnePage");
}

TEST_F(Window, ACancelledScanPrintsNothing)
{
    open();
    Mode = ScanMode::Cancelled;
    Log.clear();
    form->BitBtn3Click(nullptr);
    EXPECT_EQ(Log.back(), "OnScanReady");
    EXPECT_FALSE(busy());
}

TEST_F(Window, EscapeEndsAWaitThatNeverReportsAndASecondPressStartsNothing)
{
    open();
    Mode = ScanMode::NeverReport;
    int pressesDuringWait = 0;
    // While the copy waits: a second press, then Esc.
    HWND helper = CreateMessageWindow([&](HWND, UINT, WPARAM, LPARAM) -> LRESULT {
        ++pressesDuringWait;
        EXPECT_TRUE(busy());
        form->BitBtn3Click(nullptr);
        unsigned short key = VK_ESCAPE;
        form->FormKeyDown(form, key, 0);
        return 0;
    });
    PostMessage(helper, WM_USER, 0, 0);
    Log.clear();
    form->BitBtn3Click(nullptr);
    DestroyWindow(helper);
    EXPECT_EQ(pressesDuringWait, 1);
    EXPECT_EQ(std::count(Log.begin(), Log.end(), "Acquire"), 1);
    EXPECT_EQ(std::count(Log.begin(), Log.end(), "PrintOnePage"), 0);
    EXPECT_FALSE(busy());
    EXPECT_FALSE(form->CopyRunning());
}

TEST_F(Window, TheExitButtonEndsAWaitAndTheApplication)
{
    open();
    Mode = ScanMode::NeverReport;
    HWND helper = CreateMessageWindow([&](HWND, UINT, WPARAM, LPARAM) -> LRESULT {
        form->BitBtn4Click(nullptr);
        return 0;
    });
    PostMessage(helper, WM_USER, 0, 0);
    form->BitBtn3Click(nullptr);
    DestroyWindow(helper);
    EXPECT_TRUE(Application->Terminated());
    EXPECT_FALSE(busy());
}

TEST_F(Window, TheLinkOpensTheInstalledDocumentation)
{
    open();
    form->Label4Click(nullptr);
    ASSERT_EQ(Log.size(), 1u);
    EXPECT_EQ(Log[0].rfind("Open file:///", 0), 0u) << Log[0];
    EXPECT_NE(Log[0].find("index.html"), std::string::npos);
}

TEST_F(Window, ScaleTextHasAtLeastThreeDigits)
{
    for (auto [scale, text] : std::vector<std::pair<int, const char*>> {
             { 0, "000%" }, { 5, "005%" }, { 42, "042%" }, { 100, "100%" }, { 350, "350%" }, { -5, "0-5%" } })
        EXPECT_EQ(TForm1::ScaleText(scale), text);
}

// The real window, driven through its widgets: COPY in "2 -> 1", the prompt
// answered by pressing OK in the box, and a picture of the window.
TEST_F(Window, TheRealWindowCopiesTwoPagesAndLooksRight)
{
    Application->SetMessageBoxHook(nullptr);
    open("100");
    auto* window = static_cast<QWidget*>(form->Binding()->NativeWidget());
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    QTest::mouseClick(static_cast<QWidget*>(form->RadioButton2->Binding()->NativeWidget()), Qt::LeftButton);
    EXPECT_EQ(form->PageControl1->ActivePageIndex(), 1);

    int prompts = 0;
    QTimer answer;
    answer.setInterval(20);
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            ++prompts;
            EXPECT_EQ(box->windowTitle(), "Velmora Copier");
            QMetaObject::invokeMethod(box->button(QMessageBox::Ok), "click", Qt::QueuedConnection);
        }
    });
    answer.start();
    Log.clear();
    QTest::mouseClick(static_cast<QWidget*>(form->BitBtn3->Binding()->NativeWidget()), Qt::LeftButton);
    answer.stop();
    EXPECT_EQ(prompts, 1);
    EXPECT_EQ(Log.back(), "PrintTwoPages");

    QImage shot = window->grab().toImage();
    EXPECT_EQ(shot.size(), QSize(611, 434));
    EXPECT_EQ(shot.pixelColor(3, 30), QColor(Qt::black)) << "the left strip";
    // The display shows "100%": lit and unlit dots inside its panel.
    int lit = 0, unlit = 0;
    for (int y = 20; y < 91; ++y)
        for (int x = 358; x < 588; ++x) {
            QColor c = shot.pixelColor(x, y);
            lit += c == QColor(0, 255, 0);
            unlit += c == QColor(0, 64, 0);
        }
    EXPECT_GT(lit, 500);
    EXPECT_GT(unlit, 500);
    if (const char* dir = std::getenv("VEL_BINARY_DIR"))
        shot.save(QString(dir) + "/velmora-copier.png");
}
