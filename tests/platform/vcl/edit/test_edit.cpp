// The edit control with its native line edit: stored state replayed into the
// widget, the user's typing reported back, key and focus handlers.
#include "platform/vcl/edit/qt/QtEditBinding.h"
#include "tests/platform/vcl/edit/EditTestWindow.h"
#include <QTest>

namespace {

QString TextOf(const TEdit* edit)
{
    return QString::fromStdString(edit->Text());
}

}

class EditTest : public QObject {
    Q_OBJECT

private slots:
    void stateSetBeforeTheWidgetIsReplayed()
    {
        EditTestWindow<TEdit> w;
        w.Edit()->SetText("Zürich");
        w.Edit()->SetSelStart(1);
        w.Edit()->SetSelLength(3);
        w.Edit()->SetMaxLength(10);
        QCOMPARE(w.Edit()->SelText(), AnsiString("üri"));
        QVERIFY(w.ShowAndFocus());

        QCOMPARE(w.EditWidget()->text(), QString("Zürich"));
        QCOMPARE(w.EditWidget()->selectedText(), QString("üri"));
        QCOMPARE(w.EditWidget()->maxLength(), 10);
        QCOMPARE(w.Edit()->SelStart(), 1);
        QCOMPARE(w.Edit()->SelLength(), 3);
    }

    void selectionCountsCharactersNotBytesOrUnits()
    {
        EditTestWindow<TEdit> w;
        QVERIFY(w.ShowAndFocus());
        // Two bytes, then four bytes and two UTF-16 units, then one.
        w.Edit()->SetText("é\U0001F600x");
        w.Edit()->SetSelStart(1);
        w.Edit()->SetSelLength(1);
        QCOMPARE(w.EditWidget()->selectedText(), QString::fromUtf8("\U0001F600"));
        QCOMPARE(w.Edit()->SelText(), AnsiString("\U0001F600"));
        w.EditWidget()->setSelection(3, 1);
        QCOMPARE(w.Edit()->SelStart(), 2);
        QCOMPARE(w.Edit()->SelText(), AnsiString("x"));
    }

    void typingUpdatesTextAndRunsOnChange()
    {
        EditTestWindow<TEdit> w;
        int changes = 0;
        w.Edit()->OnChange = [&](TObject* sender) {
            QCOMPARE(sender, static_cast<TObject*>(w.Edit()));
            ++changes;
        };
        QVERIFY(w.ShowAndFocus());
        w.Type("ab");
        QCOMPARE(TextOf(w.Edit()), QString("ab"));
        QCOMPARE(changes, 2);
        QCOMPARE(w.Edit()->SelStart(), 2);

        w.Edit()->SetText("ab");
        QCOMPARE(changes, 2);
        w.Edit()->SetText("xyz");
        QCOMPARE(changes, 3);
        QCOMPARE(w.EditWidget()->text(), QString("xyz"));
        // New text puts the caret at the start, as the native edit does.
        QCOMPARE(w.Edit()->SelStart(), 0);
    }

    void keyDownHandlerCanSwallowAKey()
    {
        EditTestWindow<TEdit> w;
        QList<int> downs;
        w.Edit()->OnKeyDown = [&](TObject*, unsigned short& key, unsigned shift) {
            downs << key;
            if (key == 'B' && shift == 0)
                key = 0;
        };
        QVERIFY(w.ShowAndFocus());
        w.Type("abc");
        QCOMPARE(TextOf(w.Edit()), QString("ac"));
        QCOMPARE(downs, (QList<int> { 'A', 'B', 'C' }));
    }

    void keyUpSeesKeyAndShiftState()
    {
        EditTestWindow<TEdit> w;
        QStringList ups;
        w.Edit()->OnKeyUp = [&](TObject*, unsigned short& key, unsigned shift) {
            ups << QString("%1/%2").arg(key).arg(shift);
        };
        QVERIFY(w.ShowAndFocus());
        w.Click(Qt::Key_A, Qt::ShiftModifier | Qt::ControlModifier);
        w.Click(Qt::Key_F12);
        // The chord's modifiers are let go after the letter, each with the
        // state of the keys still held.
        QCOMPARE(ups, (QStringList { "65/5", "17/1", "16/0", "123/0" }));
    }

    void tabMovesTheFocusAndRunsExitAndEnter()
    {
        EditTestWindow<TEdit> w;
        QStringList events;
        w.Edit()->OnKeyDown = [&](TObject*, unsigned short& key, unsigned) { events << QString("down %1").arg(key); };
        w.Edit()->OnExit = [&](TObject*) { events << "exit"; };
        w.Other()->OnEnter = [&](TObject*) { events << "enter other"; };
        QVERIFY(w.ShowAndFocus());
        w.Click(Qt::Key_Tab);
        QVERIFY(w.Other()->Focused());
        QCOMPARE(events, (QStringList { "down 9", "exit", "enter other" }));
    }

    void virtualKeys_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("vk");

        QTest::newRow("letter") << int(Qt::Key_Q) << 0 << 0x51;
        QTest::newRow("digit") << int(Qt::Key_7) << 0 << 0x37;
        QTest::newRow("keypad digit") << int(Qt::Key_7) << int(Qt::KeypadModifier) << 0x67;
        QTest::newRow("shifted digit") << int(Qt::Key_Exclam) << int(Qt::ShiftModifier) << 0x31;
        QTest::newRow("Backtab") << int(Qt::Key_Backtab) << int(Qt::ShiftModifier) << 0x09;
        QTest::newRow("Clear") << int(Qt::Key_Clear) << 0 << 0x0C;
        QTest::newRow("Select") << int(Qt::Key_Select) << 0 << 0x29;
        QTest::newRow("Print") << int(Qt::Key_Printer) << 0 << 0x2A;
        QTest::newRow("Execute") << int(Qt::Key_Execute) << 0 << 0x2B;
        QTest::newRow("Print Screen") << int(Qt::Key_Print) << 0 << 0x2C;
        QTest::newRow("left Windows key") << int(Qt::Key_Super_L) << 0 << 0x5B;
        QTest::newRow("right Windows key") << int(Qt::Key_Super_R) << 0 << 0x5C;
        QTest::newRow("Applications") << int(Qt::Key_Menu) << 0 << 0x5D;
        QTest::newRow("F1") << int(Qt::Key_F1) << 0 << 0x70;
        QTest::newRow("F12") << int(Qt::Key_F12) << 0 << 0x7B;
        QTest::newRow("letter beyond ASCII") << int(Qt::Key_Adiaeresis) << 0 << 0xDF;
    }

    void virtualKeys()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, vk);
        QCOMPARE(int(qtedit::VirtualKeyOf(key, unsigned(modifiers))), vk);
    }
};

int main(int argc, char** argv)
{
    StartApplication(argc, argv);
    EditTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_edit.moc"
