#pragma once
// The common part of check boxes and radio buttons: a checked state that the
// native button mirrors. What ticking does is the subclass's.
#include "platform/vcl/forms/TWinControl.h"

class TButtonControl : public TWinControl {
public:
    explicit TButtonControl(TComponent* owner) : TWinControl(owner) { }
    bool Checked() const { return m_checked; }
    virtual void SetChecked(bool checked) = 0;

    // The user toggled the native button.
    virtual void WidgetToggled(bool checked) = 0;

protected:
    // Stores the state and shows it; false when nothing changed.
    bool StoreChecked(bool checked)
    {
        if (m_checked == checked)
            return false;
        m_checked = checked;
        if (m_binding)
            m_binding->SetChecked(m_checked);
        return true;
    }
    void ReplayState() override
    {
        TWinControl::ReplayState();
        m_binding->SetChecked(m_checked);
    }

private:
    bool m_checked { false };
};
