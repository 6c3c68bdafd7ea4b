// "Printer Settings ...": the toolkit's print dialog, answered by the test;
// what is confirmed there becomes the printer object's settings.
#include "platform/vcl/forms/TApplication.h"
#include "platform/vcl/printers/TPrinter.h"
#include "platform/vcl/printers/TPrinterSetupDialog.h"
#include <QApplication>
#include <QDialog>
#include <QSpinBox>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace {

// Runs answer on the dialog once it is up; gives up (rejecting) after a few seconds.
void AnswerDialog(std::function<void(QDialog*)> answer)
{
    auto* poll = new QTimer;
    auto started = std::make_shared<int>(0);
    QObject::connect(poll, &QTimer::timeout, [poll, answer, started] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            if (++*started > 250) {
                poll->stop();
                poll->deleteLater();
            }
            return;
        }
        poll->stop();
        poll->deleteLater();
        QMetaObject::invokeMethod(dialog, [dialog, answer] { answer(dialog); }, Qt::QueuedConnection);
    });
    poll->start(20);
}

QSpinBox* Copies(QDialog* dialog)
{
    for (QSpinBox* box : dialog->findChildren<QSpinBox*>())
        if (box->objectName() == "copies")
            return box;
    return nullptr;
}

class SetupDialog : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        setenv("HOME", "/tmp", 0);
        Application->Initialize();
    }
    void SetUp() override { previous = SetPrinter(new TPrinter); }
    void TearDown() override { delete SetPrinter(previous); }
    TPrinter* previous { nullptr };
};

} // namespace

TEST_F(SetupDialog, ConfirmedChoicesBecomeThePrintersSettings)
{
    Printer()->SetNumCopies(3);
    Printer()->SetOrientation(poLandscape);
    TPrinterSetupDialog dialog;
    int shownCopies = 0;
    AnswerDialog([&](QDialog* d) {
        QSpinBox* copies = Copies(d);
        if (copies) {
            shownCopies = copies->value();
            copies->setValue(5);
        }
        d->accept();
    });
    ASSERT_TRUE(dialog.Execute());
    EXPECT_EQ(shownCopies, 3) << "the dialog opens with the printer's settings";
    EXPECT_EQ(Printer()->NumCopies(), 5);
    EXPECT_EQ(Printer()->Orientation(), poLandscape);
    EXPECT_EQ(Printer()->Destination().kind, TPrinterDestination::Kind::File);
    EXPECT_TRUE(Printer()->Destination().fileName.empty()) << "the offered file means a new file per job";
}

TEST_F(SetupDialog, CancelChangesNothing)
{
    Printer()->SetNumCopies(2);
    TPrinterSetupDialog dialog;
    AnswerDialog([](QDialog* d) {
        if (QSpinBox* copies = Copies(d))
            copies->setValue(9);
        d->reject();
    });
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(Printer()->NumCopies(), 2);
}
