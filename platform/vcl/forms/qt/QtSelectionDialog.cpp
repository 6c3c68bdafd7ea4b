#include "platform/vcl/forms/SelectionDialog.h"
#include "platform/vcl/forms/qt/QtRuntime.h"
#include "platform/vcl/forms/qt/QtWidgetBinding.h"
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

bool ShowSelectionDialog(const AnsiString& title, const AnsiString& label, const std::vector<AnsiString>& items,
    int& index)
{
    qtrt::EnsureApplication(0, nullptr);
    QDialog dialog;
    dialog.setWindowTitle(qtbind::ToQString(title));
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(qtbind::ToQString(label), &dialog));
    auto* list = new QListWidget(&dialog);
    for (const AnsiString& item : items)
        list->addItem(qtbind::ToQString(item));
    if (index >= 0 && index < list->count())
        list->setCurrentRow(index);
    else if (list->count() > 0)
        list->setCurrentRow(0);
    layout->addWidget(list);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Ok)->setText("Select");
    buttons->button(QDialogButtonBox::Ok)->setEnabled(list->count() > 0);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(list, &QListWidget::itemDoubleClicked, &dialog, &QDialog::accept);
    layout->addWidget(buttons);
    dialog.resize(320, 240);
    if (dialog.exec() != QDialog::Accepted || list->currentRow() < 0)
        return false;
    index = list->currentRow();
    return true;
}
