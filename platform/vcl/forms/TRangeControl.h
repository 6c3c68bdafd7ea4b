#pragma once
// The common part of a track bar and a spin edit: a value kept within a
// range. A change of the value, from the user or from code, runs Changed().
#include "platform/vcl/forms/TWinControl.h"

class TRangeControl : public TWinControl {
public:
    explicit TRangeControl(TComponent* owner);

    void WidgetValueChanged(int value);

protected:
    int RangeMin() const { return m_min; }
    int RangeMax() const { return m_max; }
    int RangeValue() const { return m_value; }
    void SetRangeLimits(int min, int max);
    void SetRangeValue(int value);
    virtual void Changed() { }
    void ReplayState() override;

private:
    int m_min { 0 };
    int m_max { 100 };
    int m_value { 0 };
};
