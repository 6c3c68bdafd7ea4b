#pragma once
// The copier's status bar: the platform's status bar that accepts child
// controls, so labels can sit on it.
#include "platform/vcl/forms/TStatusBar.h"

class TVelStatus : public TStatusBar {
public:
    explicit TVelStatus(TComponent* owner);
};
