#pragma once
// A radio button, exclusive among the radio buttons of its parent. Ticking it,
// from the user or from code, clears the others and runs OnClick.
#include "platform/vcl/forms/TWinControl.h"

class TRadioButton : public TWinControl {
public:
    explicit TRadioButton(TComponent* owner);
    bool Checked() const { return m_checked; }
    void SetChecked(bool checked);

    void WidgetToggled(bool checked);

protected:
    void ReplayState() override;

private:
    bool m_checked { false };
};
