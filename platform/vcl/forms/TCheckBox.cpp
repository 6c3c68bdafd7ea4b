#include "platform/vcl/forms/TCheckBox.h"

TCheckBox::TCheckBox(TComponent* owner)
    : TButtonControl(owner)
{
}

void TCheckBox::SetChecked(bool checked)
{
    if (StoreChecked(checked))
        Click();
}

void TCheckBox::WidgetToggled(bool checked)
{
    Guarded([&] { SetChecked(checked); });
}
