#pragma once
// The native side of TEdit. No toolkit type appears here, so the control's
// header stays free of Qt.
#include <memory>

class TEdit;
class TEditBinding;
class TWidgetBinding;

namespace qtedit {

// One object seen through both interfaces: the common one the control
// library drives, and the edit's own.
struct EditBindingParts {
    std::unique_ptr<TWidgetBinding> widget;
    TEditBinding* edit { nullptr };
};

EditBindingParts CreateEditBinding(TEdit* control, TWidgetBinding* parent);

// The virtual-key code and shift state the key handlers see for a toolkit
// key (a Qt::Key value) and its modifiers.
unsigned short VirtualKeyOf(int qtKey, unsigned qtModifiers);
unsigned ShiftStateOf(unsigned qtModifiers);

}
