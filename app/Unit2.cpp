#include "app/Unit2.h"

TForm2* Form2 = nullptr;

TForm2::TForm2(TComponent* owner)
    : TForm(owner)
{
    SetName("Form2");
    SetCaption("Print Preview");
    SetPosition(poScreenCenter);
    SetClientSize(694, 519);
    Image1 = new TImage(this);
    Image1->SetBounds(0, 0, 49, 49);
    Image1->SetParent(this);
}
