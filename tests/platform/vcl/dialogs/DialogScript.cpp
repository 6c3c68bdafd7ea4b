#include "tests/platform/vcl/dialogs/DialogScript.h"
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>

namespace {

constexpr int kPollMs = 20;

QComboBox* FilterCombo(QFileDialog* dialog)
{
    return dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
}

QLineEdit* NameEdit(QFileDialog* dialog)
{
    return dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
}

} // namespace

DialogScript::DialogScript(int timeoutMs)
    : m_timeoutMs(timeoutMs)
{
    connect(&m_timer, &QTimer::timeout, this, [this] { Poll(); });
    m_timer.start(kPollMs);
}

DialogScript::~DialogScript() = default;

DialogScript& DialogScript::Step(QString what, std::function<bool(QWidget*)> matches, std::function<void(QWidget*)> act)
{
    m_steps.push_back({ std::move(what), std::move(matches), std::move(act) });
    return *this;
}

DialogScript& DialogScript::OnFileDialog(std::function<void(QFileDialog*)> act)
{
    return Step(
        QStringLiteral("file dialog"), [](QWidget* w) { return qobject_cast<QFileDialog*>(w) != nullptr; },
        [act](QWidget* w) { act(qobject_cast<QFileDialog*>(w)); });
}

DialogScript& DialogScript::OnMessageBox(std::function<void(QMessageBox*)> act)
{
    return Step(
        QStringLiteral("message box"), [](QWidget* w) { return qobject_cast<QMessageBox*>(w) != nullptr; },
        [act](QWidget* w) { act(qobject_cast<QMessageBox*>(w)); });
}

DialogScript& DialogScript::SaveAs(const QString& name, const QString& filterName)
{
    return OnFileDialog([name, filterName](QFileDialog* dialog) {
        // The entry first: choosing an entry rewrites the extension typed.
        if (!filterName.isEmpty()) {
            QComboBox* combo = FilterCombo(dialog);
            int index = combo ? combo->findText(filterName) : -1;
            if (index < 0) {
                dialog->reject(); // the entry is not there: the test sees a cancelled dialog
                return;
            }
            combo->setCurrentIndex(index);
            // A user's choice arrives as an activation, which the dialog follows.
            emit combo->activated(index);
        }
        // Typed, as a user would: typing (unlike setting the text) also drops
        // the selection the list kept from an earlier name.
        // The box must have the focus for that, and a box closed a moment ago
        // (the overwrite question) leaves the dialog inactive.
        QLineEdit* edit = NameEdit(dialog);
        dialog->activateWindow();
        // Typing below works either way; the wait only gives the focus a chance.
        (void)QTest::qWaitForWindowActive(dialog, 2000);
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, name);
        static_cast<QDialog*>(dialog)->accept(); // the Save button's slot
    });
}

DialogScript& DialogScript::Cancel()
{
    return OnFileDialog([](QFileDialog* dialog) { dialog->reject(); });
}

DialogScript& DialogScript::Press(int standardButton)
{
    return OnMessageBox([standardButton](QMessageBox* box) {
        QAbstractButton* button = box->button(static_cast<QMessageBox::StandardButton>(standardButton));
        if (button)
            button->click();
        else
            box->reject();
    });
}

QString DialogScript::Problem() const
{
    if (Finished())
        return {};
    QString text = QStringLiteral("dialog script stopped before step %1 (%2)").arg(m_next + 1).arg(m_steps[m_next].what);
    if (m_timedOut)
        text += QStringLiteral(": timed out");
    return text;
}

void DialogScript::Poll()
{
    if (m_busy)
        return;
    m_elapsedMs += kPollMs;
    QWidget* modal = QApplication::activeModalWidget();
    if (m_elapsedMs > m_timeoutMs && !Finished()) {
        m_timedOut = true;
        if (modal)
            modal->close();
        return;
    }
    if (modal != m_lastActedOn)
        m_lastGone = true;
    if (Finished() || !modal)
        return;
    if (!m_lastGone)
        return;
    const Entry& entry = m_steps[m_next];
    if (!entry.matches(modal))
        return;
    m_lastActedOn = modal;
    m_lastGone = false;
    m_busy = true;
    ++m_next;
    QPointer<QWidget> target(modal);
    QMetaObject::invokeMethod(
        this,
        [this, target, act = entry.act] {
            m_busy = false;
            if (target)
                act(target);
        },
        Qt::QueuedConnection);
}

FileDialogView ViewOf(QFileDialog* dialog)
{
    FileDialogView view;
    view.title = dialog->windowTitle();
    if (QComboBox* combo = FilterCombo(dialog)) {
        for (int i = 0; i < combo->count(); ++i)
            view.filterNames << combo->itemText(i);
        view.currentFilter = combo->currentText();
    }
    if (QLineEdit* edit = NameEdit(dialog))
        view.typedName = edit->text();
    view.folder = dialog->directory().absolutePath();
    view.fixedSize = dialog->minimumSize() == dialog->maximumSize();
    return view;
}
