#pragma once
// A number entry with up and down arrows; Value stays within MinValue..MaxValue.
#include "platform/vcl/forms/TWinControl.h"

class TCSpinEdit : public TWinControl {
public:
    explicit TCSpinEdit(TComponent* owner);
    int Value() const { return m_value; }
    void SetValue(int value);
    int MinValue() const { return m_min; }
    int MaxValue() const { return m_max; }
    void SetMinValue(int min) { SetRange(min, m_max); }
    void SetMaxValue(int max) { SetRange(m_min, max); }
    void SetRange(int min, int max);

    TNotifyEvent OnChange;

    void WidgetValueChanged(int value);

protected:
    void ReplayState() override;

private:
    int m_value { 0 };
    int m_min { 0 };
    int m_max { 100 };
};
