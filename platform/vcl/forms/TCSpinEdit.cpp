#include "platform/vcl/forms/TCSpinEdit.h"

TCSpinEdit::TCSpinEdit(TComponent* owner)
    : TRangeControl(owner)
{
}
