#pragma once
// A line of text; clicks run OnClick (a link label, say).
#include "platform/vcl/forms/TControl.h"

class TLabel : public TControl {
public:
    explicit TLabel(TComponent* owner);
};
