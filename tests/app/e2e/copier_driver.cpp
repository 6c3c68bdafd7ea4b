// Runs the copier as its main() does and plays a script on its window once it
// shows, then closes the window the way the user does. On the way out it
// prints what the window showed, for the end-to-end test to check.
//   copier_driver plus        press the plus button, then quit
//   copier_driver copy        press COPY ("1 -> 1"), wait for the print job, quit
//   copier_driver copy2       switch to "2 -> 1", press COPY, answer the prompt, quit
//   copier_driver show        just show the window and quit
#include "app/CopierMain.h"
#include "app/Unit1.h"
#include "components/display/TVelDigianz.h"
#include "platform/vcl/forms/TApplication.h"
#include "platform/vcl/printers/TPrinter.h"
#include "platform/win/module/Module.h"
#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <string>

namespace {

QWidget* widget(TControl* control) { return static_cast<QWidget*>(control->Binding()->NativeWidget()); }

void report()
{
    std::printf("scale=%d\ndisplay=%s\ntrackbar=%d\nmode=%d\n", Form1->FScale, Form1->VelDigianz1->Text().c_str(),
        Form1->TrackBar1->Position(), Form1->PageControl1->ActivePageIndex());
    std::fflush(stdout);
}

void quit()
{
    report();
    widget(Form1)->close();
}

// Answers every modal box with OK while a script runs.
void answerBoxes()
{
    auto* timer = new QTimer(qApp);
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            std::printf("box=%s\n", box->text().toLocal8Bit().constData());
            std::fflush(stdout);
            QAbstractButton* ok = box->button(QMessageBox::Ok);
            QMetaObject::invokeMethod(ok ? ok : box->buttons().value(0), "click", Qt::QueuedConnection);
        }
    });
    timer->start();
}

void play(const std::string& script)
{
    // A box shown while the window opened (an error, say) goes first.
    if (QApplication::activeModalWidget() || !Form1->Visible()) {
        QTimer::singleShot(50, [script] { play(script); });
        return;
    }
    if (script == "plus") {
        QTest::mouseClick(widget(Form1->BitBtn1), Qt::LeftButton);
    } else if (script == "copy" || script == "copy2") {
        if (script == "copy2")
            QTest::mouseClick(widget(Form1->RadioButton2), Qt::LeftButton);
        // The click returns when the copy is done: scanned and handed to the printer.
        QTest::mouseClick(widget(Form1->BitBtn3), Qt::LeftButton);
        while (Printer()->Printing())
            Application->HandleMessage();
        std::printf("printed=%s\n", Printer()->LastFileName().c_str());
    }
    quit();
}

}

int main(int argc, char** argv)
{
    std::string script = argc > 1 ? argv[1] : "show";
    // Once the message loop runs (the window is up), play the script.
    // The manager and the data sources of the build tree.
    SetDllDirectoryA(VEL_TWAIN_LIBDIR);
    return RunCopier(1, argv, [script] {
        answerBoxes();
        QTimer::singleShot(0, [script] { play(script); });
    });
}
