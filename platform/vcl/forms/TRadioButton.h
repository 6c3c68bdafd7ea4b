#pragma once
// A radio button, exclusive among the radio buttons of its parent. Ticking it,
// from the user or from code, clears the others and runs OnClick.
#include "platform/vcl/forms/TButtonControl.h"

class TRadioButton : public TButtonControl {
public:
    explicit TRadioButton(TComponent* owner);
    void SetChecked(bool checked) override;
    void WidgetToggled(bool checked) override;
};
