#pragma once
// A track bar. Position always lies within Min..Max; OnChange runs on every
// change of the position, from the user or from code.
#include "platform/vcl/forms/TWinControl.h"

enum TTickStyle { tsNone, tsAuto, tsManual };

class TTrackBar : public TWinControl {
public:
    explicit TTrackBar(TComponent* owner);
    int Min() const { return m_min; }
    int Max() const { return m_max; }
    int Position() const { return m_position; }
    void SetMin(int min) { SetRange(min, m_max); }
    void SetMax(int max) { SetRange(m_min, max); }
    void SetRange(int min, int max);
    void SetPosition(int position);
    int Frequency() const { return m_frequency; }
    void SetFrequency(int frequency) { m_frequency = frequency; }
    TTickStyle TickStyle() const { return m_tickStyle; }
    void SetTickStyle(TTickStyle style) { m_tickStyle = style; }

    TNotifyEvent OnChange;

    void WidgetValueChanged(int position);

protected:
    void ReplayState() override;

private:
    int m_min { 0 };
    int m_max { 10 };
    int m_position { 0 };
    int m_frequency { 1 };
    TTickStyle m_tickStyle { tsAuto };
};
