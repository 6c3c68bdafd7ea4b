#pragma once
// One window with the package's visual components at work: the dot-matrix
// display driven by a spin box, the edit box completing city names, and the
// function plotter drawing the formulas the user types.
#include "components/display/TVelDigianz.h"
#include "components/edit/TVelEdit.h"
#include "components/graphics/TVelGraphics.h"
#include "platform/vcl/edit/TEdit.h"
#include "platform/vcl/forms/TButton.h"
#include "platform/vcl/forms/TCSpinEdit.h"
#include "platform/vcl/forms/TForm.h"
#include "platform/vcl/forms/TGroupBox.h"
#include "platform/vcl/forms/TImage.h"
#include "platform/vcl/forms/TLabel.h"
#include "platform/vcl/forms/TPanel.h"

class TShowcaseForm : public TForm {
public:
    explicit TShowcaseForm(TComponent* owner);

    TGroupBox* GroupBox1;
    TPanel* Panel1;
    TVelDigianz* VelDigianz1;
    TLabel* Label1;
    TCSpinEdit* CSpinEdit1;

    TGroupBox* GroupBox2;
    TLabel* Label2;
    TVelEdit* VelEdit1;
    TLabel* Label3;

    TGroupBox* GroupBox3;
    TLabel* Label4;
    TEdit* Edit1;
    TButton* Button1;
    TPanel* Panel2;
    TImage* Image1;
    TLabel* Label5;
    TVelGraphics* VelGraphics1;

    // The display shows the spin box's value as a percentage, "042%".
    void CSpinEdit1Change(TObject* sender);
    void VelEdit1Select(TObject* sender, AnsiString& selText, int& selPos);
    void Button1Click(TObject* sender);

    // The formulas of the plotter's edit, one per ";"-separated part, trimmed,
    // empty parts left out.
    static std::vector<AnsiString> SplitFormulas(const AnsiString& text);
};

extern TShowcaseForm* ShowcaseForm;
