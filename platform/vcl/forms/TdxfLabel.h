#pragma once
// A caption turned by 90 degrees (read from bottom to top) with a raised 3-D effect.
#include "platform/vcl/forms/TControl.h"

class TdxfLabel : public TControl {
public:
    explicit TdxfLabel(TComponent* owner);
};
