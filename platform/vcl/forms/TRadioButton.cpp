#include "platform/vcl/forms/TRadioButton.h"

TRadioButton::TRadioButton(TComponent* owner)
    : TButtonControl(owner)
{
}

void TRadioButton::SetChecked(bool checked)
{
    if (!StoreChecked(checked) || !checked)
        return;
    if (TWinControl* parent = Parent())
        for (int i = 0; i < parent->ControlCount(); ++i)
            if (auto* other = dynamic_cast<TRadioButton*>(parent->Controls(i)); other && other != this)
                other->SetChecked(false);
    Click();
}

void TRadioButton::WidgetToggled(bool checked)
{
    // The user can only tick a radio button; the others follow from SetChecked.
    if (checked)
        Guarded([this] { SetChecked(true); });
    else if (m_binding && Checked())
        m_binding->SetChecked(true);
}
