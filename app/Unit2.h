#pragma once
// "Print Preview": created at start-up and kept hidden.
#include "platform/vcl/forms/TForm.h"
#include "platform/vcl/forms/TImage.h"

class TForm2 : public TForm {
public:
    explicit TForm2(TComponent* owner);
    TImage* Image1;
};

extern TForm2* Form2;
