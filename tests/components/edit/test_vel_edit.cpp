// The completing edit driven through a shown window: keys go to the window
// system, which routes them to the focused control.
#include "components/edit/TVelEdit.h"
#include "platform/rtl/TStringList.h"
#include "tests/platform/vcl/edit/EditTestWindow.h"
#include <QPushButton>
#include <QTest>
#include <memory>

namespace {

TStringList ToList(const QStringList& items)
{
    TStringList list;
    for (const QString& item : items)
        list.Add(item.toStdString());
    return list;
}

struct Window : EditTestWindow<TVelEdit> {
    Window(const QStringList& data, const QStringList& exclusion = {})
    {
        TStringList d = ToList(data);
        TStringList e = ToList(exclusion);
        Edit()->SetDataList(&d);
        Edit()->SetExclusionList(&e);
    }

    // Text set without typing, the caret at `caret` (default: the end).
    void Preset(const QString& text, int caret = -1) const
    {
        Edit()->SetText(text.toStdString());
        Edit()->SetSelStart(caret < 0 ? static_cast<int>(text.size()) : caret);
    }
};

QString TextOf(const TEdit* edit)
{
    return QString::fromStdString(edit->Text());
}

}

class VelEditTest : public QObject {
    Q_OBJECT

private slots:
    void completion_data()
    {
        QTest::addColumn<QStringList>("data");
        QTest::addColumn<QStringList>("exclusion");
        QTest::addColumn<bool>("unequivocal");
        QTest::addColumn<bool>("caseData");
        QTest::addColumn<bool>("caseExclusion");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("selStart");
        QTest::addColumn<int>("selLength");

        const QStringList cities { "Berlin", "Bern" };
        const QStringList withBonn { "Berlin", "Bonn" };
        const QStringList none;
        QTest::newRow("first entry filled in") << cities << none << false << false << true << "Be" << "Berlin" << 2 << 4;
        QTest::newRow("unequivocal: two match") << cities << none << true << false << true << "Ber" << "Ber" << 3 << 0;
        QTest::newRow("unequivocal: Berl") << cities << none << true << false << true << "Berl" << "Berlin" << 4 << 2;
        QTest::newRow("unequivocal: Bern") << cities << none << true << false << true << "Bern" << "Bern" << 4 << 0;
        QTest::newRow("typed letters take the entry's case") << cities << none << false << false << true << "ber" << "Berlin" << 3 << 3;
        QTest::newRow("case-sensitive data") << cities << none << false << true << true << "be" << "be" << 2 << 0;
        QTest::newRow("case beyond ASCII") << QStringList { "Århus" } << none << false << false << true << "år" << "Århus" << 2 << 3;
        QTest::newRow("excluded: B") << withBonn << QStringList { "Bo" } << false << false << true << "B" << "B" << 1 << 0;
        QTest::newRow("excluded: Bo") << withBonn << QStringList { "Bo" } << false << false << true << "Bo" << "Bo" << 2 << 0;
        QTest::newRow("not excluded: Be") << withBonn << QStringList { "Bo" } << false << false << true << "Be" << "Berlin" << 2 << 4;
        QTest::newRow("shorter exclusion differs: Bon") << withBonn << QStringList { "Bo" } << false << false << true << "Bon" << "Bonn" << 3 << 1;
        QTest::newRow("exclusion case-sensitive") << withBonn << QStringList { "bo" } << false << false << true << "Bo" << "Bonn" << 2 << 2;
        QTest::newRow("exclusion ignoring case") << withBonn << QStringList { "bo" } << false << false << false << "Bo" << "Bo" << 2 << 0;
        QTest::newRow("whole entry") << QStringList { "Bern" } << none << false << false << true << "Bern" << "Bern" << 4 << 0;
        QTest::newRow("whole entry, longer one first") << QStringList { "Berne", "Bern" } << none << false << false << true << "Bern" << "Berne" << 4 << 1;
        QTest::newRow("whole entry, unequivocal") << QStringList { "Berne", "Bern" } << none << true << false << true << "Bern" << "Bern" << 4 << 0;
        QTest::newRow("longer than every entry") << QStringList { "Bonn" } << none << false << false << true << "Bonnx" << "Bonnx" << 5 << 0;
        QTest::newRow("empty lists") << none << none << false << false << true << "Be" << "Be" << 2 << 0;
    }

    void completion()
    {
        QFETCH(QStringList, data);
        QFETCH(QStringList, exclusion);
        QFETCH(bool, unequivocal);
        QFETCH(bool, caseData);
        QFETCH(bool, caseExclusion);
        QFETCH(QString, typed);
        QFETCH(QString, text);
        QFETCH(int, selStart);
        QFETCH(int, selLength);

        Window w(data, exclusion);
        w.Edit()->SetOnlyIfUnequivocal(unequivocal);
        w.Edit()->SetCaseSensitiveData(caseData);
        w.Edit()->SetCaseSensitiveExlusion(caseExclusion);
        QVERIFY(w.ShowAndFocus());
        w.Type(typed);

        QCOMPARE(TextOf(w.Edit()), text);
        QCOMPARE(w.Edit()->SelStart(), selStart);
        QCOMPARE(w.Edit()->SelLength(), selLength);
        // The window shows what the control holds.
        QCOMPARE(w.EditWidget()->text(), text);
        QCOMPARE(w.EditWidget()->selectedText(), text.mid(selStart, selLength));
    }

    // Which key releases complete: the text before the release would
    // complete to "Berlin" (or, with a space typed, to "Be here").
    void releases_data()
    {
        QTest::addColumn<QString>("preset");
        QTest::addColumn<int>("caret");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("text");

        QTest::newRow("Space") << "Be" << 2 << int(Qt::Key_Space) << 0 << "Be ";
        QTest::newRow("Backspace") << "Ber" << 3 << int(Qt::Key_Backspace) << 0 << "Be";
        QTest::newRow("Delete") << "Bex" << 2 << int(Qt::Key_Delete) << 0 << "Be";
        QTest::newRow("Left") << "Be" << 2 << int(Qt::Key_Left) << 0 << "Be";
        QTest::newRow("Right") << "Be" << 1 << int(Qt::Key_Right) << 0 << "Be";
        QTest::newRow("Up") << "Be" << 2 << int(Qt::Key_Up) << 0 << "Be";
        QTest::newRow("Down") << "Be" << 2 << int(Qt::Key_Down) << 0 << "Be";
        QTest::newRow("Home") << "Be" << 2 << int(Qt::Key_Home) << 0 << "Be";
        QTest::newRow("Escape") << "Be" << 2 << int(Qt::Key_Escape) << 0 << "Be";
        QTest::newRow("F5") << "Be" << 2 << int(Qt::Key_F5) << 0 << "Be";
        QTest::newRow("Shift") << "Be" << 2 << int(Qt::Key_Shift) << 0 << "Be";
        QTest::newRow("Tab") << "Be" << 2 << int(Qt::Key_Tab) << 0 << "Berlin";
        QTest::newRow("Ctrl") << "Be" << 2 << int(Qt::Key_Control) << 0 << "Berlin";
        QTest::newRow("Alt") << "Be" << 2 << int(Qt::Key_Alt) << 0 << "Berlin";
    }

    void releases()
    {
        QFETCH(QString, preset);
        QFETCH(int, caret);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QString, text);

        Window w({ "Berlin", "Be here" });
        // Tab keeps the focus here, so its release reaches the edit.
        w.Edit()->SetExitAfterTab(false);
        QVERIFY(w.ShowAndFocus());
        w.Preset(preset, caret);
        w.Click(Qt::Key(key), Qt::KeyboardModifiers(modifiers));

        QCOMPARE(TextOf(w.Edit()), text);
    }

    void emptyTextCompletesToFirstEntry_data()
    {
        QTest::addColumn<QStringList>("data");
        QTest::addColumn<QStringList>("exclusion");
        QTest::addColumn<bool>("unequivocal");
        QTest::addColumn<QString>("text");

        QTest::newRow("every entry matches") << QStringList { "Berlin", "Bonn" } << QStringList {} << false << "Berlin";
        QTest::newRow("any exclusion excludes") << QStringList { "Berlin" } << QStringList { "Xanten" } << false << "";
        QTest::newRow("unequivocal, two entries") << QStringList { "Berlin", "Bonn" } << QStringList {} << true << "";
        QTest::newRow("unequivocal, one entry") << QStringList { "Bonn" } << QStringList {} << true << "Bonn";
    }

    void emptyTextCompletesToFirstEntry()
    {
        QFETCH(QStringList, data);
        QFETCH(QStringList, exclusion);
        QFETCH(bool, unequivocal);
        QFETCH(QString, text);

        Window w(data, exclusion);
        w.Edit()->SetOnlyIfUnequivocal(unequivocal);
        QVERIFY(w.ShowAndFocus());
        // As after cutting all the text: Ctrl is the last key let go.
        w.Preset("");
        w.Click(Qt::Key_Control);

        QCOMPARE(TextOf(w.Edit()), text);
        QCOMPARE(w.Edit()->SelStart(), 0);
        QCOMPARE(w.Edit()->SelLength(), int(text.size()));
    }

    void onSelectAdjustsCompletion_data()
    {
        QTest::addColumn<QString>("newText");
        QTest::addColumn<int>("newPos");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("selStart");
        QTest::addColumn<int>("selLength");

        QTest::newRow("unchanged") << QString() << -1 << "Berlin" << 2 << 4;
        QTest::newRow("whole text selected") << QString() << 0 << "Berlin" << 0 << 6;
        QTest::newRow("other text") << "Paris" << -1 << "Paris" << 2 << 3;
        QTest::newRow("start beyond the text") << "Bo" << 5 << "Bo" << 2 << 0;
    }

    void onSelectAdjustsCompletion()
    {
        QFETCH(QString, newText);
        QFETCH(int, newPos);
        QFETCH(QString, text);
        QFETCH(int, selStart);
        QFETCH(int, selLength);

        Window w({ "Berlin" });
        TObject* sender = nullptr;
        AnsiString seenText;
        int seenPos = -1;
        w.Edit()->OnSelect = [&](TObject* s, AnsiString& selText, int& selPos) {
            sender = s;
            seenText = selText;
            seenPos = selPos;
            if (!newText.isNull())
                selText = newText.toStdString();
            if (newPos >= 0)
                selPos = newPos;
        };
        QVERIFY(w.ShowAndFocus());
        w.Preset("B");
        w.Type("e");

        QCOMPARE(sender, static_cast<TObject*>(w.Edit()));
        QCOMPARE(seenText, AnsiString("Berlin"));
        QCOMPARE(seenPos, 2);
        QCOMPARE(TextOf(w.Edit()), text);
        QCOMPARE(w.Edit()->SelStart(), selStart);
        QCOMPARE(w.Edit()->SelLength(), selLength);
    }

    void keyUpEventRunsAfterCompletion()
    {
        Window w({ "Berlin" });
        QStringList seen;
        w.Edit()->OnKeyUp = [&](TObject*, unsigned short& key, unsigned) {
            seen << QString("%1:%2").arg(key).arg(TextOf(w.Edit()));
        };
        QVERIFY(w.ShowAndFocus());
        w.Type("b");
        w.Click(Qt::Key_Right);
        QCOMPARE(seen, (QStringList { "66:Berlin", "39:Berlin" }));
    }

    void keyDownPassesOn()
    {
        Window w({});
        QList<int> seen;
        w.Edit()->OnKeyDown = [&](TObject*, unsigned short& key, unsigned) { seen << key; };
        QVERIFY(w.ShowAndFocus());
        w.Type("a1");
        QCOMPARE(seen, (QList<int> { 'A', '1' }));
        QCOMPARE(TextOf(w.Edit()), QString("a1"));
    }

    void focus_data()
    {
        QTest::addColumn<bool>("exitAfterTab");
        QTest::addColumn<bool>("byMouse");

        QTest::newRow("Tab leaves") << true << false;
        QTest::newRow("click leaves") << true << true;
        QTest::newRow("Tab kept") << false << false;
        QTest::newRow("click kept") << false << true;
    }

    void focus()
    {
        QFETCH(bool, exitAfterTab);
        QFETCH(bool, byMouse);

        Window w({ "Berlin" });
        int exits = 0;
        w.Edit()->OnExit = [&](TObject*) { ++exits; };
        w.Edit()->SetExitAfterTab(exitAfterTab);
        QVERIFY(w.ShowAndFocus());

        QWidget* target;
        if (byMouse) {
            target = NativeOf(w.Button());
            QTest::mouseClick(target, Qt::LeftButton);
        } else {
            target = NativeOf(w.Other());
            w.Click(Qt::Key_Tab);
        }
        QApplication::processEvents();

        if (exitAfterTab) {
            QCOMPARE(QApplication::focusWidget(), target);
            QCOMPARE(exits, 1);
        } else {
            QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.EditWidget()));
            QVERIFY(w.Edit()->Focused());
            QCOMPARE(exits, 0);
            // And again: the edit does not let go on the second try either.
            w.Click(Qt::Key_Backtab, Qt::ShiftModifier);
            QApplication::processEvents();
            QVERIFY(w.Edit()->Focused());
            QCOMPARE(exits, 0);
        }
    }

    void listsAreCopied()
    {
        TVelEdit edit(nullptr);
        TStringList mine { "Berlin", "Bonn" };
        edit.SetDataList(&mine);
        edit.SetExclusionList(&mine);
        mine.Put(0, "Paris");
        mine.Add("Rom");
        for (TStrings* list : { edit.DataList(), edit.ExclusionList() }) {
            QCOMPARE(list->Count(), 2);
            QCOMPARE(list->Get(0), AnsiString("Berlin"));
        }
        // Assigning again replaces, rather than appends to, the edit's texts.
        TStringList other { "Köln" };
        edit.SetDataList(&other);
        QCOMPARE(edit.DataList()->Count(), 1);
        QCOMPARE(edit.DataList()->Get(0), AnsiString("Köln"));
        QCOMPARE(edit.ExclusionList()->Count(), 2);
    }

    void defaults()
    {
        TVelEdit edit(nullptr);
        QVERIFY(edit.ExitAfterTab());
        QVERIFY(!edit.OnlyIfUnequivocal());
        QVERIFY(edit.CaseSensitiveExlusion());
        QVERIFY(!edit.CaseSensitiveData());
        QCOMPARE(edit.DataList()->Count(), 0);
        QCOMPARE(edit.ExclusionList()->Count(), 0);
    }
};

int main(int argc, char** argv)
{
    StartApplication(argc, argv);
    VelEditTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_vel_edit.moc"
