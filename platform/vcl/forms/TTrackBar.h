#pragma once
// A track bar. Position always lies within Min..Max; OnChange runs on every
// change of the position, from the user or from code.
#include "platform/vcl/forms/TRangeControl.h"

enum TTickStyle { tsNone, tsAuto, tsManual };

class TTrackBar : public TRangeControl {
public:
    explicit TTrackBar(TComponent* owner);
    int Min() const { return RangeMin(); }
    int Max() const { return RangeMax(); }
    int Position() const { return RangeValue(); }
    void SetMin(int min) { SetRange(min, Max()); }
    void SetMax(int max) { SetRange(Min(), max); }
    void SetRange(int min, int max) { SetRangeLimits(min, max); }
    void SetPosition(int position) { SetRangeValue(position); }
    int Frequency() const { return m_frequency; }
    void SetFrequency(int frequency) { m_frequency = frequency; }
    TTickStyle TickStyle() const { return m_tickStyle; }
    void SetTickStyle(TTickStyle style) { m_tickStyle = style; }

    TNotifyEvent OnChange;

protected:
    void Changed() override
    {
        if (OnChange)
            OnChange(this);
    }

private:
    int m_frequency { 1 };
    TTickStyle m_tickStyle { tsAuto };
};
