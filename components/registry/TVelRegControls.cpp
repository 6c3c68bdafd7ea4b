// The operations of TVelReg that read and set the forms library's controls;
// kept apart so the store itself does not depend on the widget toolkit.
#include "components/registry/TVelReg.h"
#include "platform/vcl/forms/TCheckBox.h"
#include "platform/vcl/forms/TRadioButton.h"

void TVelReg::PushRadioButtonList(const AnsiString& name, const std::vector<TRadioButton*>& buttons)
{
    std::vector<bool> selected;
    for (TRadioButton* button : buttons)
        selected.push_back(button && button->Checked());
    PushSelection(name, selected);
}

void TVelReg::PopRadioButtonList(const AnsiString& name, const std::vector<TRadioButton*>& buttons, int defaultPosition)
{
    int position = PopSelection(name, buttons.size(), defaultPosition);
    // Checking one button clears the others of its container.
    if (position > 0 && buttons[static_cast<size_t>(position - 1)])
        buttons[static_cast<size_t>(position - 1)]->SetChecked(true);
}

void TVelReg::PushCheckBox(AnsiString name, TCheckBox* box)
{
    Push(name, box && box->Checked() ? "1" : "0");
}
