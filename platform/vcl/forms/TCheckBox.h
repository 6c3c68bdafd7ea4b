#pragma once
// A check box. Setting Checked, from the user or from code, runs OnClick when
// the state changes.
#include "platform/vcl/forms/TWinControl.h"

class TCheckBox : public TWinControl {
public:
    explicit TCheckBox(TComponent* owner);
    bool Checked() const { return m_checked; }
    void SetChecked(bool checked);

    void WidgetToggled(bool checked);

protected:
    void ReplayState() override;

private:
    bool m_checked { false };
};
