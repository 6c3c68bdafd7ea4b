#include "platform/vcl/forms/TWinControl.h"
#include "platform/rtl/Exceptions.h"
#include <algorithm>

TWinControl::TWinControl(TComponent* owner)
    : TControl(owner)
{
}

TWinControl::~TWinControl()
{
    // Children that outlive us (owned by someone else) lose their parent.
    while (!m_controls.empty())
        m_controls.back()->SetParent(nullptr);
}

TControl* TWinControl::Controls(int index) const
{
    if (index < 0 || index >= ControlCount())
        throw EListError::IndexOutOfBounds(index);
    return m_controls[static_cast<size_t>(index)];
}

void TWinControl::InsertControl(TControl* control)
{
    m_controls.push_back(control);
}

void TWinControl::RemoveControl(TControl* control)
{
    m_controls.erase(std::remove(m_controls.begin(), m_controls.end(), control), m_controls.end());
}

bool TWinControl::Focused() const
{
    return m_binding && m_binding->Focused();
}

void TWinControl::SetFocus()
{
    if (m_binding)
        m_binding->SetFocus();
}

bool TWinControl::CanFocus() const
{
    for (const TControl* c = this; c; c = c->Parent())
        if (!c->Visible() || !c->Enabled())
            return false;
    return true;
}

void TWinControl::CreateHandle()
{
    if (m_binding)
        return;
    TControl::CreateHandle();
    if (!m_binding)
        return;
    for (TControl* child : m_controls)
        child->CreateHandle();
}

void TWinControl::DestroyHandle()
{
    for (TControl* child : m_controls)
        child->DestroyHandle();
    TControl::DestroyHandle();
}

void TWinControl::Resize()
{
    for (TControl* child : m_controls)
        if (child->Align() == alClient)
            child->SetBounds(0, 0, Width(), Height());
    TControl::Resize();
}
