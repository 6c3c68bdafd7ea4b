#pragma once
// The status line at the bottom of a window.
#include "platform/vcl/forms/TWinControl.h"

class TStatusBar : public TWinControl {
public:
    explicit TStatusBar(TComponent* owner);
};
