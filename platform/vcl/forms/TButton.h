#pragma once
// A push button. `Default`: the window's Enter key presses it.
#include "platform/vcl/forms/TWinControl.h"

class TButton : public TWinControl {
public:
    explicit TButton(TComponent* owner);
    bool Default() const { return m_default; }
    void SetDefault(bool isDefault);

protected:
    void ReplayState() override;

private:
    bool m_default { false };
};
