#pragma once
// Answers the modal dialogs that code under test opens, one step per dialog,
// the way a user would: a timer looks at the active modal widget; when it is
// of the kind the next step expects, the step acts on it. A step never runs
// inside the timer's own slot (it is queued), so a step that opens a nested
// box (the overwrite question) does not stop the script from answering it.
// After a step, the next one waits until another modal widget is active, so
// one dialog is not answered twice by mistake. A script that is not finished
// after its time limit rejects every dialog still open and reports it.
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <vector>

class QFileDialog;
class QMessageBox;
class QWidget;

class DialogScript : public QObject {
public:
    explicit DialogScript(int timeoutMs = 10000);
    ~DialogScript() override;

    // Waits for a widget for which matches is true, then runs act on it.
    DialogScript& Step(QString what, std::function<bool(QWidget*)> matches, std::function<void(QWidget*)> act);
    // Steps on a file dialog or a message box.
    DialogScript& OnFileDialog(std::function<void(QFileDialog*)> act);
    DialogScript& OnMessageBox(std::function<void(QMessageBox*)> act);

    // Common answers: pick the filter entry shown as filterName (empty: keep
    // it), type name into the name box, press Save; or press Cancel; or press
    // the message box's button.
    DialogScript& SaveAs(const QString& name, const QString& filterName = {});
    DialogScript& Cancel();
    DialogScript& Press(int standardButton);

    // True once every step ran; otherwise Problem() says where it stopped.
    bool Finished() const { return m_next == m_steps.size(); }
    QString Problem() const;

private:
    struct Entry {
        QString what;
        std::function<bool(QWidget*)> matches;
        std::function<void(QWidget*)> act;
    };
    void Poll();

    std::vector<Entry> m_steps;
    size_t m_next { 0 };
    QPointer<QWidget> m_lastActedOn;
    bool m_lastGone { true };
    bool m_busy { false };
    bool m_timedOut { false };
    int m_elapsedMs { 0 };
    int m_timeoutMs;
    QTimer m_timer;
};

// What the file dialog shows, for tests that look before they answer.
struct FileDialogView {
    QString title;
    QStringList filterNames;   // as listed
    QString currentFilter;
    QString typedName;
    QString folder;
    bool fixedSize { false };
};
FileDialogView ViewOf(QFileDialog* dialog);
