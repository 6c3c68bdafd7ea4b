#pragma once
// A framed container with a caption; disabling it disables everything inside.
#include "platform/vcl/forms/TWinControl.h"

class TGroupBox : public TWinControl {
public:
    explicit TGroupBox(TComponent* owner);
};
