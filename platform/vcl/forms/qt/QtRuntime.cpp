#include "platform/vcl/forms/qt/QtRuntime.h"
#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCursor>
#include <QFont>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <time.h>
#include <vector>

namespace qtrt {

namespace {
int s_argc = 1;
char s_arg0[] = "velmora";
char* s_argv[] = { s_arg0, nullptr };

void addFontSubstitutions()
{
    // The window descriptions ask for the classic names; map them to fonts
    // every Debian machine has, so the picture does not depend on luck.
    QFont::insertSubstitutions("MS Sans Serif", { "Liberation Sans", "DejaVu Sans" });
    QFont::insertSubstitutions("Arial", { "Liberation Sans", "DejaVu Sans" });
    QFont::insertSubstitutions("Arial Black", { "DejaVu Sans", "Liberation Sans" });
    QFont::insertSubstitutions("Tahoma", { "DejaVu Sans", "Liberation Sans" });
    QFont::insertSubstitutions("Courier New", { "Liberation Mono", "DejaVu Sans Mono" });
}
}

void EnsureApplication(int argc, char** argv)
{
    if (QCoreApplication::instance())
        return;
    if (argc > 0 && argv) {
        s_argc = argc;
        new QApplication(s_argc, argv);
    } else {
        new QApplication(s_argc, s_argv);
    }
    addFontSubstitutions();
    QApplication::setFont(QFont("MS Sans Serif", 8));
}

bool HasApplication() { return QCoreApplication::instance() != nullptr; }

void SetApplicationName(const AnsiString& title)
{
    // The task bar's name for the program; window titles stay the forms' own.
    if (QCoreApplication::instance())
        QCoreApplication::setApplicationName(QString::fromStdString(title));
}

void ProcessEvents()
{
    if (!QCoreApplication::instance())
        return;
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void WaitForEvents(int timeoutMs)
{
    if (!QCoreApplication::instance())
        return;
    // A single-shot timer bounds the sleep when asked to.
    QTimer bound;
    bound.setSingleShot(true);
    if (timeoutMs >= 0)
        bound.start(timeoutMs);
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void Wake()
{
    if (!QCoreApplication::instance())
        return;
    if (auto* dispatcher = QAbstractEventDispatcher::instance(QCoreApplication::instance()->thread()))
        dispatcher->wakeUp();
}

int MessageBox(const AnsiString& text, const AnsiString& caption, unsigned flags)
{
    EnsureApplication(0, nullptr);
    QMessageBox box;
    box.setWindowTitle(QString::fromStdString(caption));
    box.setText(QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size())));
    switch (flags & 0xF0) {
    case 0x10: box.setIcon(QMessageBox::Critical); break;
    case 0x20: box.setIcon(QMessageBox::Question); break;
    case 0x30: box.setIcon(QMessageBox::Warning); break;
    case 0x40: box.setIcon(QMessageBox::Information); break;
    default: break;
    }
    struct Choice { QMessageBox::StandardButton button; int result; };
    std::vector<Choice> choices;
    switch (flags & 0x0F) {
    case 1: choices = { { QMessageBox::Ok, 1 }, { QMessageBox::Cancel, 2 } }; break;
    case 2: choices = { { QMessageBox::Abort, 3 }, { QMessageBox::Retry, 4 }, { QMessageBox::Ignore, 5 } }; break;
    case 3: choices = { { QMessageBox::Yes, 6 }, { QMessageBox::No, 7 }, { QMessageBox::Cancel, 2 } }; break;
    case 4: choices = { { QMessageBox::Yes, 6 }, { QMessageBox::No, 7 } }; break;
    case 5: choices = { { QMessageBox::Retry, 4 }, { QMessageBox::Cancel, 2 } }; break;
    default: choices = { { QMessageBox::Ok, 1 } }; break;
    }
    QMessageBox::StandardButtons buttons;
    for (const Choice& c : choices)
        buttons |= c.button;
    box.setStandardButtons(buttons);
    box.setDefaultButton(choices.front().button);
    int escapeResult = choices.size() == 1 ? choices.front().result : 2;
    for (const Choice& c : choices)
        if (c.button == QMessageBox::Cancel || c.button == QMessageBox::No)
            box.setEscapeButton(c.button);
    int answer = box.exec();
    for (const Choice& c : choices)
        if (answer == c.button)
            return c.result;
    return escapeResult;
}

void SetCursor(int cursor)
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return;
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
    switch (cursor) {
    case 0: break;                                                      // crDefault
    case -19: QApplication::setOverrideCursor(Qt::BusyCursor); break;  // crAppStart
    case -11: QApplication::setOverrideCursor(Qt::WaitCursor); break;  // crHourGlass
    case -21: QApplication::setOverrideCursor(Qt::PointingHandCursor); break;
    default: QApplication::setOverrideCursor(Qt::ArrowCursor); break;
    }
}

int64_t CoarseMilliseconds()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC_COARSE, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

}
