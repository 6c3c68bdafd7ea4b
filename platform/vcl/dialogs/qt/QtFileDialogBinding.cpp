#include "platform/vcl/dialogs/qt/QtFileDialogBinding.h"
#include "platform/rtl/Exceptions.h"
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace {

QString FromAnsi(const AnsiString& text)
{
    return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}

AnsiString ToAnsi(const QString& text)
{
    return text.toLocal8Bit().toStdString();
}

// "JPEG-Format" and "*.jpg;*.jpeg" become "JPEG-Format (*.jpg *.jpeg)"; the
// dialog is told to hide the part in parentheses, so the list shows the name
// exactly as given.
QString ToNameFilter(const TFileFilter& filter)
{
    QString patterns = FromAnsi(filter.patterns).replace(QLatin1Char(';'), QLatin1Char(' ')).simplified();
    if (patterns.isEmpty())
        patterns = QStringLiteral("*");
    return FromAnsi(filter.name) + QStringLiteral(" (") + patterns + QLatin1Char(')');
}

// The toolkit's dialog asks before replacing a file, but has no idea of a
// folder or file that must exist; those checks run before it accepts, and a
// failed check keeps the dialog open, as the native dialogs do.
class SaveFileDialog : public QFileDialog {
public:
    SaveFileDialog(QWidget* parent, TOpenOptions options)
        : QFileDialog(parent)
        , m_options(options)
    {
    }

    void accept() override
    {
        const QStringList files = selectedFiles();
        if (!files.isEmpty()) {
            const QFileInfo info(files.first());
            if (!info.isDir()) {
                if (m_options.Contains(ofPathMustExist) && !QFileInfo(info.absolutePath()).isDir()) {
                    Refuse(tr("The folder of \"%1\" does not exist.\nCheck the name and try again.").arg(info.absoluteFilePath()));
                    return;
                }
                if (m_options.Contains(ofFileMustExist) && !info.exists()) {
                    Refuse(tr("\"%1\" does not exist.\nCheck the name and try again.").arg(info.absoluteFilePath()));
                    return;
                }
            }
        }
        QFileDialog::accept();
    }

private:
    void Refuse(const QString& text) { QMessageBox::warning(this, windowTitle(), text); }

    TOpenOptions m_options;
};

} // namespace

std::unique_ptr<TFileDialogBinding> TFileDialogBinding::Create()
{
    return std::make_unique<QtFileDialogBinding>();
}

TFileDialogAnswer QtFileDialogBinding::ExecuteSave(const TFileDialogRequest& request)
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        throw Exception("Cannot show a file dialog before the application is initialised");

    SaveFileDialog dialog(QApplication::activeWindow(), request.options);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.options.Contains(ofOverwritePrompt));
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    dialog.setWindowTitle(request.title.empty() ? QFileDialog::tr("Save As") : FromAnsi(request.title));
    dialog.setDefaultSuffix(FromAnsi(request.defaultExt));

    QStringList nameFilters;
    for (const TFileFilter& filter : request.filters)
        nameFilters << ToNameFilter(filter);
    if (!nameFilters.isEmpty()) {
        dialog.setNameFilters(nameFilters);
        dialog.selectNameFilter(nameFilters.value(request.filterIndex, nameFilters.first()));
    }

    // A name with a folder opens that folder; a bare name opens the initial
    // folder (or the working folder when none is set).
    const QString fileName = FromAnsi(request.fileName);
    QString folder = FromAnsi(request.initialDir);
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QDir::currentPath();
    const QFileInfo chosen(QDir(folder), fileName);
    if (fileName.contains(QLatin1Char('/'))) {
        dialog.setDirectory(chosen.absolutePath());
        dialog.selectFile(chosen.fileName());
    } else {
        dialog.setDirectory(folder);
        if (!fileName.isEmpty())
            dialog.selectFile(fileName);
    }

    if (!request.options.Contains(ofEnableSizing)) {
        dialog.setSizeGripEnabled(false);
        dialog.setFixedSize(dialog.sizeHint());
    }

    TFileDialogAnswer answer;
    if (dialog.exec() != QDialog::Accepted)
        return answer;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty())
        return answer;
    answer.accepted = true;
    answer.fileName = ToAnsi(QFileInfo(files.first()).absoluteFilePath());

    // With the details hidden the dialog may report the entry by its name
    // alone; either form identifies it.
    const QString selected = dialog.selectedNameFilter();
    answer.filterIndex = request.filterIndex;
    for (qsizetype i = 0; i < nameFilters.size(); ++i) {
        if (nameFilters[i] == selected || FromAnsi(request.filters[static_cast<size_t>(i)].name).trimmed() == selected.trimmed()) {
            answer.filterIndex = static_cast<int>(i);
            break;
        }
    }
    return answer;
}
