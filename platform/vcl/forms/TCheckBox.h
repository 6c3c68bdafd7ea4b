#pragma once
// A check box. Setting Checked, from the user or from code, runs OnClick when
// the state changes.
#include "platform/vcl/forms/TButtonControl.h"

class TCheckBox : public TButtonControl {
public:
    explicit TCheckBox(TComponent* owner);
    void SetChecked(bool checked) override;
    void WidgetToggled(bool checked) override;
};
