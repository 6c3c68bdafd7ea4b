#include "platform/vcl/forms/TCheckBox.h"

TCheckBox::TCheckBox(TComponent* owner)
    : TWinControl(owner)
{
}

void TCheckBox::SetChecked(bool checked)
{
    if (m_checked == checked)
        return;
    m_checked = checked;
    if (m_binding)
        m_binding->SetChecked(m_checked);
    Click();
}

void TCheckBox::WidgetToggled(bool checked)
{
    Guarded([&] { SetChecked(checked); });
}

void TCheckBox::ReplayState()
{
    TWinControl::ReplayState();
    m_binding->SetChecked(m_checked);
}
