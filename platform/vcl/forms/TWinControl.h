#pragma once
// A control that can hold other controls and take the keyboard focus.
#include "platform/vcl/forms/TControl.h"
#include <vector>

class TWinControl : public TControl {
public:
    explicit TWinControl(TComponent* owner);
    ~TWinControl() override;

    int ControlCount() const { return static_cast<int>(m_controls.size()); }
    TControl* Controls(int index) const;

    // True when this control has the keyboard focus.
    virtual bool Focused() const;
    virtual void SetFocus();
    bool CanFocus() const;

    void CreateHandle() override;
    void DestroyHandle() override;

    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;

    void InsertControl(TControl* control);
    void RemoveControl(TControl* control);

protected:
    void Resize() override;

private:
    std::vector<TControl*> m_controls;
};
