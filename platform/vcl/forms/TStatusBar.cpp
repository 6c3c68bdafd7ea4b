#include "platform/vcl/forms/TStatusBar.h"

TStatusBar::TStatusBar(TComponent* owner)
    : TWinControl(owner)
{
}
