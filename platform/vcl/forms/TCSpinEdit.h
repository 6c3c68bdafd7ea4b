#pragma once
// A number entry with up and down arrows; Value stays within MinValue..MaxValue.
#include "platform/vcl/forms/TRangeControl.h"

class TCSpinEdit : public TRangeControl {
public:
    explicit TCSpinEdit(TComponent* owner);
    int Value() const { return RangeValue(); }
    void SetValue(int value) { SetRangeValue(value); }
    int MinValue() const { return RangeMin(); }
    int MaxValue() const { return RangeMax(); }
    void SetMinValue(int min) { SetRange(min, MaxValue()); }
    void SetMaxValue(int max) { SetRange(MinValue(), max); }
    void SetRange(int min, int max) { SetRangeLimits(min, max); }

    TNotifyEvent OnChange;

protected:
    void Changed() override
    {
        if (OnChange)
            OnChange(this);
    }
};
