#include "platform/vcl/forms/TTrackBar.h"
#include <algorithm>

TTrackBar::TTrackBar(TComponent* owner)
    : TWinControl(owner)
{
}

void TTrackBar::SetRange(int min, int max)
{
    if (max < min)
        max = min;
    if (m_min == min && m_max == max)
        return;
    m_min = min;
    m_max = max;
    if (m_binding)
        m_binding->SetRange(m_min, m_max);
    SetPosition(m_position);
}

void TTrackBar::SetPosition(int position)
{
    position = std::clamp(position, m_min, m_max);
    if (m_position == position)
        return;
    m_position = position;
    if (m_binding)
        m_binding->SetPosition(m_position);
    if (OnChange)
        OnChange(this);
}

void TTrackBar::WidgetValueChanged(int position)
{
    Guarded([&] { SetPosition(position); });
}

void TTrackBar::ReplayState()
{
    TWinControl::ReplayState();
    m_binding->SetRange(m_min, m_max);
    m_binding->SetPosition(m_position);
}
