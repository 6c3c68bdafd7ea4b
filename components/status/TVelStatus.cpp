#include "components/status/TVelStatus.h"

TVelStatus::TVelStatus(TComponent* owner)
    : TStatusBar(owner)
{
    SetControlStyle(ControlStyle() | csAcceptsControls);
}
