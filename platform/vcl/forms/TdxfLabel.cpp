#include "platform/vcl/forms/TdxfLabel.h"

TdxfLabel::TdxfLabel(TComponent* owner)
    : TControl(owner)
{
}
