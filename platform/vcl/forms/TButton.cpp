#include "platform/vcl/forms/TButton.h"

TButton::TButton(TComponent* owner)
    : TWinControl(owner)
{
}

void TButton::SetDefault(bool isDefault)
{
    if (m_default == isDefault)
        return;
    m_default = isDefault;
    if (m_binding)
        m_binding->SetDefault(m_default);
}

void TButton::ReplayState()
{
    TWinControl::ReplayState();
    m_binding->SetDefault(m_default);
}
