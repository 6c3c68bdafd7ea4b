#include "platform/vcl/forms/TApplication.h"
#include "platform/vcl/forms/TButton.h"
#include "platform/vcl/forms/TCheckBox.h"
#include "platform/vcl/forms/TForm.h"
#include "platform/vcl/forms/TGraphicControl.h"
#include "platform/vcl/forms/TGroupBox.h"
#include "platform/vcl/forms/TPanel.h"
#include "platform/vcl/forms/TRadioButton.h"
#include "platform/vcl/forms/TTimer.h"
#include "platform/vcl/forms/TTrackBar.h"
#include "platform/vcl/graphics/TCanvas.h"
#include "platform/win/core/Messages.h"
#include "platform/win/gdi/GdiExtensions.h"
#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <thread>

namespace {

class Forms : public ::testing::Test {
protected:
    static void SetUpTestSuite() { Application->Initialize(); }
    void SetUp() override
    {
        Application->ResetTerminated();
        Application->OnMessage = nullptr;
        Application->SetMessageBoxHook(nullptr);
        MSG m;
        while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) { }
    }
};

template<typename T>
T* child(TWinControl* parent, int left, int top, int width, int height)
{
    auto* c = new T(parent);
    c->SetBounds(left, top, width, height);
    c->SetParent(parent);
    return c;
}

QWidget* widgetOf(TControl* c) { return static_cast<QWidget*>(c->Binding()->NativeWidget()); }

}

TEST_F(Forms, MessagesReachTheFilterInOrderAndHandledOnesAreNotDispatched)
{
    std::vector<UINT> dispatched;
    HWND window = CreateMessageWindow([&](HWND, UINT m, WPARAM, LPARAM) -> LRESULT {
        dispatched.push_back(m);
        return 0;
    });
    std::vector<UINT> filtered;
    Application->OnMessage = [&](MSG& msg, bool& handled) {
        filtered.push_back(msg.message);
        handled = msg.message == WM_USER + 2;
    };
    for (UINT m : { WM_USER + 1, WM_USER + 2, WM_USER + 3 })
        PostMessage(window, m, 0, 0);
    Application->ProcessMessages();
    EXPECT_EQ(filtered, (std::vector<UINT> { WM_USER + 1, WM_USER + 2, WM_USER + 3 }));
    EXPECT_EQ(dispatched, (std::vector<UINT> { WM_USER + 1, WM_USER + 3 }));
    DestroyWindow(window);
}

TEST_F(Forms, AnErrorOfTheFilterLeavesProcessMessagesAndLaterMessagesStayQueued)
{
    Application->OnMessage = [](MSG& msg, bool&) {
        if (msg.message == WM_USER + 7)
            throw Exception("jammed");
    };
    PostMessage(nullptr, WM_USER + 7, 0, 0);
    PostMessage(nullptr, WM_USER + 8, 0, 0);
    EXPECT_THROW(Application->ProcessMessages(), Exception);
    EXPECT_TRUE(MessagesPending());
    Application->OnMessage = nullptr;
    Application->ProcessMessages();
    EXPECT_FALSE(MessagesPending());
}

TEST_F(Forms, APostFromAnotherThreadEndsTheSleep)
{
    bool arrived = false;
    Application->OnMessage = [&](MSG& msg, bool& handled) {
        arrived = msg.message == WM_USER + 9;
        handled = true;
    };
    std::thread poster([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        PostMessage(nullptr, WM_USER + 9, 0, 0);
    });
    // Without the wake-up this would sleep for good (and the test time out).
    while (!arrived) {
        Application->WaitMessage();
        Application->ProcessMessages();
    }
    poster.join();
    EXPECT_TRUE(arrived);
}

TEST_F(Forms, TerminateEndsRun)
{
    TTimer timer(nullptr);
    timer.SetInterval(10);
    int ticks = 0;
    timer.OnTimer = [&](TObject*) {
        if (++ticks == 3)
            Application->Terminate();
    };
    Application->Run();
    EXPECT_EQ(ticks, 3);
}

TEST_F(Forms, RadioButtonsAreExclusiveWithinTheirParentAndTickingFromCodeClicks)
{
    TForm form(nullptr);
    auto* group = child<TGroupBox>(&form, 0, 0, 100, 100);
    auto* a = child<TRadioButton>(group, 0, 0, 20, 20);
    auto* b = child<TRadioButton>(group, 0, 20, 20, 20);
    auto* elsewhere = child<TRadioButton>(&form, 0, 120, 20, 20);
    int clicksA = 0, clicksB = 0;
    a->OnClick = [&](TObject*) { ++clicksA; };
    b->OnClick = [&](TObject*) { ++clicksB; };
    elsewhere->SetChecked(true);
    a->SetChecked(true);
    b->SetChecked(true);
    EXPECT_FALSE(a->Checked());
    EXPECT_TRUE(b->Checked());
    EXPECT_TRUE(elsewhere->Checked());
    EXPECT_EQ(clicksA, 1);
    EXPECT_EQ(clicksB, 1);
    // The user's click on the native button goes the same way.
    form.Show();
    QTest::mouseClick(widgetOf(a), Qt::LeftButton);
    EXPECT_TRUE(a->Checked());
    EXPECT_FALSE(b->Checked());
    EXPECT_EQ(clicksA, 2);
}

TEST_F(Forms, TrackBarKeepsItsPositionInRangeAndReportsEveryChange)
{
    TForm form(nullptr);
    auto* bar = child<TTrackBar>(&form, 0, 0, 200, 25);
    std::vector<int> seen;
    bar->OnChange = [&](TObject*) { seen.push_back(bar->Position()); };
    bar->SetRange(0, 200);
    bar->SetPosition(350);
    bar->SetPosition(350);
    bar->SetPosition(-4);
    EXPECT_EQ(seen, (std::vector<int> { 200, 0 }));
}

TEST_F(Forms, StateSetBeforeTheWidgetExistsIsReplayedAndADisabledGroupDisablesItsChildren)
{
    TForm form(nullptr);
    auto* group = child<TGroupBox>(&form, 10, 10, 100, 80);
    auto* box = child<TCheckBox>(group, 5, 20, 80, 17);
    box->SetCaption("Scan Page 1");
    box->SetChecked(true);
    auto* button = child<TButton>(&form, 10, 100, 80, 25);
    button->SetEnabled(false);
    form.Show();
    auto* nativeBox = qobject_cast<QAbstractButton*>(widgetOf(box));
    ASSERT_NE(nativeBox, nullptr);
    EXPECT_EQ(nativeBox->text(), "Scan Page 1");
    EXPECT_TRUE(nativeBox->isChecked());
    EXPECT_EQ(nativeBox->geometry(), QRect(5, 20, 80, 17));
    EXPECT_FALSE(widgetOf(button)->isEnabled());

    group->SetEnabled(false);
    EXPECT_TRUE(box->Enabled());
    EXPECT_FALSE(nativeBox->isEnabled());
    group->SetEnabled(true);
    EXPECT_TRUE(nativeBox->isEnabled());
}

TEST_F(Forms, EnterPressesTheDefaultButton)
{
    TForm form(nullptr);
    auto* other = child<TButton>(&form, 0, 0, 80, 25);
    auto* copy = child<TButton>(&form, 0, 30, 80, 25);
    copy->SetDefault(true);
    int presses = 0;
    copy->OnClick = [&](TObject*) { ++presses; };
    form.Show();
    widgetOf(&form)->activateWindow();
    other->SetFocus();
    QTest::keyClick(widgetOf(&form), Qt::Key_Return);
    EXPECT_EQ(presses, 1);
    copy->SetEnabled(false);
    QTest::keyClick(widgetOf(&form), Qt::Key_Return);
    EXPECT_EQ(presses, 1);
}

TEST_F(Forms, MessageBoxAnswersOkAndCancel)
{
    // A real box, answered by pressing its Cancel button.
    QTimer answer;
    answer.setInterval(20);
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            EXPECT_EQ(box->text(), "Please now insert Page 2 to the scanner!");
            EXPECT_EQ(box->icon(), QMessageBox::Information);
            QMetaObject::invokeMethod(box->button(QMessageBox::Cancel), "click", Qt::QueuedConnection);
        }
    });
    answer.start();
    EXPECT_EQ(Application->MessageBox("Please now insert Page 2 to the scanner!", "Velmora Copier", 65), IDCANCEL);
    answer.stop();

    AnsiString shown;
    Application->SetMessageBoxHook([&](const AnsiString& text, const AnsiString&, UINT flags) {
        shown = text;
        return flags == (MB_OK | MB_ICONSTOP) ? IDOK : -1;
    });
    Application->ShowException(Exception("Failed to set data for 'Scale'"));
    EXPECT_EQ(shown, "Failed to set data for 'Scale'.");
}

TEST_F(Forms, AnErrorInAnEventHandlerIsShownAndTheLoopGoesOn)
{
    TForm form(nullptr);
    auto* button = child<TButton>(&form, 0, 0, 80, 25);
    button->OnClick = [](TObject*) { throw EConvertError("'abc' is not a valid integer value"); };
    AnsiString shown;
    Application->SetMessageBoxHook([&](const AnsiString& text, const AnsiString&, UINT) {
        shown = text;
        return IDOK;
    });
    form.Show();
    QTest::mouseClick(widgetOf(button), Qt::LeftButton);
    EXPECT_EQ(shown, "'abc' is not a valid integer value.");
}

TEST_F(Forms, AGraphicControlDrawsOnItsOwnSurfaceAndLeavesTheRestTransparent)
{
    TForm form(nullptr);
    auto* panel = child<TPanel>(&form, 0, 0, 100, 100);
    auto* graphic = child<TGraphicControl>(panel, 10, 10, 20, 10);
    TCanvas* canvas = graphic->Canvas();
    canvas->Brush()->SetColor(clRed);
    canvas->FillRect(TRect(-5, -5, 5, 5));  // clipped to the control
    canvas->FillRect(TRect(18, 8, 40, 40));
    HBITMAP surface = graphic->Surface();
    ASSERT_EQ(GdiBitmapWidth(surface), 20);
    uint32_t* bits = GdiBitmapBits(surface);
    int stride = GdiBitmapStride(surface) / 4;
    EXPECT_EQ(bits[0], 0xFFFF0000u);
    EXPECT_EQ(bits[4 * stride + 4], 0xFFFF0000u);
    EXPECT_EQ(bits[5 * stride + 5], 0u);  // nothing drawn: the parent shows through
    EXPECT_EQ(bits[9 * stride + 19], 0xFFFF0000u);
    EXPECT_EQ(bits[7 * stride + 19], 0u);
    // A new size gives a new, empty surface of that size.
    graphic->SetWidth(30);
    EXPECT_EQ(GdiBitmapWidth(graphic->Surface()), 30);
}

#include "platform/vcl/forms/SelectionDialog.h"
#include <QDialog>
#include <QListWidget>

TEST_F(Forms, TheSelectionDialogReturnsTheChosenEntryOrCancels)
{
    for (bool accept : { true, false }) {
        QTimer answer;
        answer.setInterval(20);
        QObject::connect(&answer, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            dialog->findChild<QListWidget*>()->setCurrentRow(1);
            QMetaObject::invokeMethod(dialog, accept ? "accept" : "reject", Qt::QueuedConnection);
        });
        answer.start();
        int index = 0;
        bool chosen = ShowSelectionDialog("Select Source", "Sources:", { "Virtual Scanner", "SANE: test:0" }, index);
        EXPECT_EQ(chosen, accept);
        EXPECT_EQ(index, accept ? 1 : 0);
    }
}
