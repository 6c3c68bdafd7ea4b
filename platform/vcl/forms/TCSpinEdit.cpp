#include "platform/vcl/forms/TCSpinEdit.h"
#include <algorithm>

TCSpinEdit::TCSpinEdit(TComponent* owner)
    : TWinControl(owner)
{
}

void TCSpinEdit::SetRange(int min, int max)
{
    if (max < min)
        max = min;
    if (m_min == min && m_max == max)
        return;
    m_min = min;
    m_max = max;
    if (m_binding)
        m_binding->SetRange(m_min, m_max);
    SetValue(m_value);
}

void TCSpinEdit::SetValue(int value)
{
    value = std::clamp(value, m_min, m_max);
    if (m_value == value)
        return;
    m_value = value;
    if (m_binding)
        m_binding->SetPosition(m_value);
    if (OnChange)
        OnChange(this);
}

void TCSpinEdit::WidgetValueChanged(int value)
{
    Guarded([&] { SetValue(value); });
}

void TCSpinEdit::ReplayState()
{
    TWinControl::ReplayState();
    m_binding->SetRange(m_min, m_max);
    m_binding->SetPosition(m_value);
}
