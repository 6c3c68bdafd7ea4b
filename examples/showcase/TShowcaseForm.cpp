#include "examples/showcase/TShowcaseForm.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/TStringList.h"
#include <iterator>

TShowcaseForm* ShowcaseForm = nullptr;

namespace {

template<typename T>
T* Place(TWinControl* parent, TComponent* owner, int left, int top, int width, int height)
{
    T* control = new T(owner);
    control->SetParent(parent);
    control->SetBounds(left, top, width, height);
    return control;
}

const TStringList& CityNames()
{
    static const TStringList cities {
        "Aachen", "Amsterdam", "Athen", "Barcelona", "Basel", "Berlin", "Bern", "Bonn",
        "Bordeaux", "Bremen", "Brüssel", "Budapest", "Dresden", "Dublin", "Düsseldorf",
        "Frankfurt", "Genf", "Graz", "Hamburg", "Hannover", "Helsinki", "Innsbruck",
        "Köln", "Kopenhagen", "Leipzig", "Lissabon", "London", "Luzern", "Lyon", "Madrid",
        "Mailand", "München", "Münster", "Neapel", "Nürnberg", "Oslo", "Paris", "Prag",
        "Rom", "Salzburg", "Stockholm", "Stuttgart", "Warschau", "Wien", "Zürich",
    };
    return cities;
}

}

TShowcaseForm::TShowcaseForm(TComponent* owner)
    : TForm(owner)
{
    SetCaption("Velmora Components");
    SetBounds(120, 120, 660, 330);
    SetBorderStyle(bsSingle);

    GroupBox1 = Place<TGroupBox>(this, this, 8, 8, 272, 150);
    GroupBox1->SetCaption("Dot-matrix display");
    Panel1 = Place<TPanel>(GroupBox1, this, 16, 24, 240, 81);
    Panel1->SetColor(clBlack);
    Panel1->SetBevelOuter(bvLowered);
    Panel1->OnResize = [this](TObject*) { VelDigianz1->Repaint(); };
    VelDigianz1 = Place<TVelDigianz>(Panel1, this, 6, 4, 230, 71);
    Label1 = Place<TLabel>(GroupBox1, this, 16, 118, 60, 17);
    Label1->SetCaption("Value:");
    CSpinEdit1 = Place<TCSpinEdit>(GroupBox1, this, 80, 114, 80, 24);
    CSpinEdit1->SetRange(0, 999);
    CSpinEdit1->SetValue(100);
    CSpinEdit1->OnChange = [this](TObject* s) { CSpinEdit1Change(s); };

    GroupBox2 = Place<TGroupBox>(this, this, 8, 166, 272, 150);
    GroupBox2->SetCaption("Auto-completing edit");
    Label2 = Place<TLabel>(GroupBox2, this, 16, 28, 240, 17);
    Label2->SetCaption("City (try B, Be, M, Zü):");
    VelEdit1 = Place<TVelEdit>(GroupBox2, this, 16, 48, 240, 24);
    VelEdit1->SetDataList(&CityNames());
    VelEdit1->OnSelect = [this](TObject* s, AnsiString& text, int& pos) { VelEdit1Select(s, text, pos); };
    Label3 = Place<TLabel>(GroupBox2, this, 16, 84, 240, 17);

    GroupBox3 = Place<TGroupBox>(this, this, 288, 8, 364, 308);
    GroupBox3->SetCaption("Function plotter");
    Label4 = Place<TLabel>(GroupBox3, this, 16, 28, 332, 17);
    Label4->SetCaption("Formulas in x, separated by \";\":");
    Edit1 = Place<TEdit>(GroupBox3, this, 16, 48, 252, 24);
    Edit1->SetText("sin(x); x^2/4 - 2; 1/x");
    Button1 = Place<TButton>(GroupBox3, this, 276, 47, 72, 26);
    Button1->SetCaption("Plot");
    Button1->SetDefault(true);
    Button1->OnClick = [this](TObject* s) { Button1Click(s); };

    Panel2 = Place<TPanel>(GroupBox3, this, 16, 84, 332, 196);
    Panel2->SetBevelOuter(bvLowered);
    Image1 = Place<TImage>(Panel2, this, 2, 2, 328, 192);
    Label5 = Place<TLabel>(GroupBox3, this, 16, 284, 332, 17);

    VelGraphics1 = new TVelGraphics(this);
    VelGraphics1->SetDestWidth(Image1->Width());
    VelGraphics1->SetDestHeight(Image1->Height());
    VelGraphics1->SetMinusX(-8);
    VelGraphics1->SetPlusX(8);
    VelGraphics1->SetMinusY(-5);
    VelGraphics1->SetPlusY(5);
    VelGraphics1->SetGrid(true);
    VelGraphics1->SetGridSpace(1);
    VelGraphics1->SetPointsOnly(false);
    // A jump of a pole (1/x at 0) breaks the line instead of joining it.
    VelGraphics1->SetAbstand(50);

    CSpinEdit1Change(CSpinEdit1);
    Button1Click(Button1);
}

void TShowcaseForm::CSpinEdit1Change(TObject*)
{
    VelDigianz1->SetFText(Format("%03d%%", CSpinEdit1->Value()));
}

void TShowcaseForm::VelEdit1Select(TObject*, AnsiString& selText, int&)
{
    Label3->SetCaption("Completed to " + selText);
}

void TShowcaseForm::Button1Click(TObject*)
{
    // One colour each, in turn: red, blue, green, purple, teal.
    static const char* const colours[] = { "255", "16711680", "32768", "8388736", "8421376" };
    std::vector<AnsiString> formulas = SplitFormulas(Edit1->Text());
    TStringList expressions, colourLines, steps;
    for (size_t i = 0; i < formulas.size(); ++i) {
        expressions.Add(formulas[i]);
        colourLines.Add(colours[i % std::size(colours)]);
        steps.Add("0.02");
    }
    VelGraphics1->SetExpressions(&expressions);
    VelGraphics1->SetColors(&colourLines);
    VelGraphics1->SetSteps(&steps);

    TBitmap* bitmap = Image1->Picture()->Bitmap();
    bitmap->SetSize(Image1->Width(), Image1->Height());
    int result = VelGraphics1->DrawToCanvas(bitmap->Canvas());
    bitmap->Changed();

    if (formulas.empty())
        Label5->SetCaption("Type a formula in x, such as sin(x)*x.");
    else if (result > 0)
        Label5->SetCaption(Format("Formula %d could not be read.", result));
    else
        Label5->SetCaption(Format("%d formula%s plotted.", static_cast<int>(formulas.size()), formulas.size() == 1 ? "" : "s"));
}

std::vector<AnsiString> TShowcaseForm::SplitFormulas(const AnsiString& text)
{
    std::vector<AnsiString> formulas;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(';', start);
        if (end == AnsiString::npos)
            end = text.size();
        AnsiString part = Trim(std::string_view(text).substr(start, end - start));
        if (!part.empty())
            formulas.push_back(part);
        start = end + 1;
    }
    return formulas;
}
