#include "platform/vcl/forms/TRangeControl.h"
#include <algorithm>

TRangeControl::TRangeControl(TComponent* owner)
    : TWinControl(owner)
{
}

void TRangeControl::SetRangeLimits(int min, int max)
{
    if (max < min)
        max = min;
    if (m_min == min && m_max == max)
        return;
    m_min = min;
    m_max = max;
    if (m_binding)
        m_binding->SetRange(m_min, m_max);
    SetRangeValue(m_value);
}

void TRangeControl::SetRangeValue(int value)
{
    value = std::clamp(value, m_min, m_max);
    if (m_value == value)
        return;
    m_value = value;
    if (m_binding)
        m_binding->SetPosition(m_value);
    Changed();
}

void TRangeControl::WidgetValueChanged(int value)
{
    Guarded([&] { SetRangeValue(value); });
}

void TRangeControl::ReplayState()
{
    TWinControl::ReplayState();
    m_binding->SetRange(m_min, m_max);
    m_binding->SetPosition(m_value);
}
