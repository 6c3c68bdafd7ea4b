#include "platform/vcl/forms/TPanel.h"

TPanel::TPanel(TComponent* owner)
    : TWinControl(owner)
{
    SetControlStyle(ControlStyle() | csAcceptsControls);
}

void TPanel::SetBevelOuter(TBevelCut bevel)
{
    if (m_bevelOuter == bevel)
        return;
    m_bevelOuter = bevel;
    if (m_binding)
        m_binding->SetBevel(m_bevelOuter, m_bevelInner);
}

void TPanel::SetBevelInner(TBevelCut bevel)
{
    if (m_bevelInner == bevel)
        return;
    m_bevelInner = bevel;
    if (m_binding)
        m_binding->SetBevel(m_bevelOuter, m_bevelInner);
}

void TPanel::ReplayState()
{
    TWinControl::ReplayState();
    m_binding->SetBevel(m_bevelOuter, m_bevelInner);
}
