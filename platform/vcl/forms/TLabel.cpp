#include "platform/vcl/forms/TLabel.h"

TLabel::TLabel(TComponent* owner)
    : TControl(owner)
{
}
