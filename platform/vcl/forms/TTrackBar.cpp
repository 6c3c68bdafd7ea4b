#include "platform/vcl/forms/TTrackBar.h"

TTrackBar::TTrackBar(TComponent* owner)
    : TRangeControl(owner)
{
    SetRange(0, 10);
}
