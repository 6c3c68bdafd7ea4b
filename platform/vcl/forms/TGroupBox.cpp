#include "platform/vcl/forms/TGroupBox.h"

TGroupBox::TGroupBox(TComponent* owner)
    : TWinControl(owner)
{
    SetControlStyle(ControlStyle() | csAcceptsControls);
}
