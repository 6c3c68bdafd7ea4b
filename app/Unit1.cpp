#include "app/Unit1.h"
#include "app/Pictures.h"
#include "components/display/TVelDigianz.h"
#include "components/html/TVelHTML.h"
#include "components/registry/TVelReg.h"
#include "components/status/TVelStatus.h"
#include "platform/rtl/SysUtils.h"
#include "platform/vcl/dialogs/TSaveDialog.h"
#include "platform/vcl/forms/TApplication.h"
#include "platform/vcl/forms/TScreen.h"
#include "platform/vcl/printers/TPrinter.h"
#include "platform/vcl/printers/TPrinterSetupDialog.h"
#include "platform/win/core/Messages.h"
#include "print/TPrintDIB.h"
#include "twain/TTwainScanner.h"
#include <algorithm>
#include <filesystem>
#include <unistd.h>

AnsiString CopierName = "Velmora Copier";
bool ScanReadyFlag = false;
bool ClosingFlag = false;
bool PrintingFlag = false;
TForm1* Form1 = nullptr;

TForm1Parts TForm1Parts::Real()
{
    TForm1Parts parts;
    parts.MakeScanner = [](TComponent* owner) { return new TTwainScanner(owner); };
    parts.MakeDisplay = [](TComponent* owner) { return new TVelDigianz(owner); };
    parts.MakeRegistry = [](TComponent* owner) { return new TVelReg(owner); };
    parts.MakeHtml = [](TComponent* owner) { return new TVelHTML(owner); };
    parts.MakePrintDIB = [](TComponent* owner) { return new TPrintDIB(owner); };
    return parts;
}

TForm1Parts Form1Parts = TForm1Parts::Real();

AnsiString DocumentationUrl()
{
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    std::vector<fs::path> candidates;
    if (!ec) {
        candidates.push_back(exe.parent_path() / "../share/doc/velmora-copier/index.html");
        candidates.push_back(exe.parent_path() / "doc/index.html");
    }
#ifdef VEL_SOURCE_DOC
    candidates.push_back(VEL_SOURCE_DOC);
#endif
    for (const fs::path& p : candidates)
        if (fs::exists(p, ec))
            return "file://" + fs::weakly_canonical(p, ec).string();
    return "file:///usr/share/doc/velmora-copier/index.html";
}

namespace {

template<typename T>
T* make(TComponent* owner, TWinControl* parent, int left, int top, int width, int height)
{
    T* control = new T(owner);
    control->SetBounds(left, top, width, height);
    control->SetParent(parent);
    return control;
}

TFont fontOf(const char* name, int height, uint8_t style = 0, TColor color = clWindowText)
{
    TFont font;
    font.Name = name;
    font.Height = height;
    font.Style = style;
    font.Color = color;
    return font;
}

constexpr TColor LightBlue = RGB(102, 205, 255);

}

TForm1::TForm1(TComponent* owner)
    : TForm(owner)
{
    SetName("Form1");
    SetCaption("Velmora Copier 1.2");
    SetBorderStyle(bsSingle);
    SetBorderIcons(biSystemMenu | biMinimize);
    SetPosition(poScreenCenter);
    SetClientSize(611, 434);
    SetFont(fontOf("MS Sans Serif", -11));
    OnShow = [this](TObject* s) { FormShow(s); };
    OnPaint = [this](TObject* s) { FormPaint(s); };
    OnCloseQuery = [this](TObject* s, bool& canClose) { FormCloseQuery(s, canClose); };
    OnKeyDown = [this](TObject* s, unsigned short& key, unsigned shift) { FormKeyDown(s, key, shift); };

    CreateControls();
    CreatePictures();

    TWAIN1 = Form1Parts.MakeScanner(this);
    TWAIN1->SetName("TWAIN1");
    TWAIN1->SetShowUI(true);
    TWAIN1->OnScanReady = [this](TObject* s) { TWAIN1ScanReady(s); };
    SaveDialog1 = new TSaveDialog(this);
    SaveDialog1->SetOptions({ ofOverwritePrompt, ofHideReadOnly, ofPathMustExist, ofEnableSizing });
    PrinterSetupDialog1 = new TPrinterSetupDialog(this);
    VelReg1 = Form1Parts.MakeRegistry(this);
    VelReg1->SetProgrammname("Velmora Copier");
    VelHTML1 = Form1Parts.MakeHtml(this);
    PrintDIB1 = Form1Parts.MakePrintDIB(this);
    Timer1 = new TTimer(this);
    Timer1->SetInterval(1000);
    Timer1->OnTimer = [this](TObject* s) { Timer1Timer(s); };
    Timer1->SetEnabled(true);
}

TForm1::~TForm1()
{
    if (Form1 == this)
        Form1 = nullptr;
}

void TForm1::CreateControls()
{
    Panel4 = make<TPanel>(this, this, 0, 0, 57, 417);
    Panel4->SetColor(clBlack);
    Panel4->SetBevelOuter(bvNone);
    dxfLabel2 = make<TdxfLabel>(this, Panel4, 4, 64, 49, 345);
    dxfLabel2->SetCaption("Velmora Copier 1.2");
    dxfLabel2->SetFont(fontOf("Arial Black", -27, fsBold, LightBlue));
    Image1 = make<TImage>(this, Panel4, 12, 12, 32, 32);

    GroupBox2 = make<TGroupBox>(this, this, 64, 0, 265, 217);
    GroupBox2->SetCaption("Preview : ");
    Image4 = make<TImage>(this, GroupBox2, 8, 20, 32, 32);
    // The placeholders lie below the visible part of the group: never seen.
    Image9 = make<TImage>(this, GroupBox2, 8, 240, 32, 50);
    Image10 = make<TImage>(this, GroupBox2, 48, 240, 32, 50);
    Panel7 = make<TPanel>(this, GroupBox2, 48, 16, 209, 193);
    Panel7->SetBevelOuter(bvNone);
    PageControl1 = make<TPageControl>(this, Panel7, 8, -24, 201, 217);

    TabSheet1 = make<TTabSheet>(this, PageControl1, 0, 0, 193, 189);
    TabSheet1->SetCaption("1 -> 1");
    Panel1 = make<TPanel>(this, TabSheet1, 48, 32, 97, 121);
    Panel1->SetColor(LightBlue);
    Panel2 = make<TPanel>(this, Panel1, 8, 8, 82, 106);
    Panel2->SetColor(clWhite);
    Panel2->SetBevelOuter(bvLowered);
    Image2 = make<TImage>(this, Panel2, 1, 1, 80, 104);
    Image2->SetStretch(true);
    CheckBox5 = make<TCheckBox>(this, TabSheet1, 8, 164, 89, 17);
    CheckBox5->SetCaption("Scan Page 1");
    CheckBox5->SetChecked(true);
    CheckBox6 = make<TCheckBox>(this, TabSheet1, 100, 164, 89, 17);
    CheckBox6->SetCaption("Print Page 1");
    CheckBox6->SetChecked(true);

    TabSheet2 = make<TTabSheet>(this, PageControl1, 0, 0, 193, 189);
    TabSheet2->SetCaption("2 -> 1");
    Panel5 = make<TPanel>(this, TabSheet2, 5, 32, 183, 121);
    Panel5->SetColor(LightBlue);
    Panel6 = make<TPanel>(this, Panel5, 8, 8, 167, 106);
    Panel6->SetColor(clWhite);
    Panel6->SetBevelOuter(bvLowered);
    Image5 = make<TImage>(this, Panel6, 1, 1, 80, 104);
    Image5->SetStretch(true);
    Image6 = make<TImage>(this, Panel6, 82, 1, 81, 104);
    Image6->SetStretch(true);
    CheckBox2 = make<TCheckBox>(this, TabSheet2, 4, 156, 89, 17);
    CheckBox2->SetCaption("Scan Page 1");
    CheckBox2->SetChecked(true);
    CheckBox3 = make<TCheckBox>(this, TabSheet2, 100, 156, 89, 17);
    CheckBox3->SetCaption("Scan Page 2");
    CheckBox3->SetChecked(true);
    CheckBox4 = make<TCheckBox>(this, TabSheet2, 4, 172, 185, 17);
    CheckBox4->SetCaption("Print Page (1+2)");
    CheckBox4->SetChecked(true);

    TabSheet3 = make<TTabSheet>(this, PageControl1, 0, 0, 193, 189);
    PageControl1->SetActivePageIndex(0);

    GroupBox1 = make<TGroupBox>(this, this, 336, 0, 265, 193);
    GroupBox1->SetCaption("Scale : ");
    Panel3 = make<TPanel>(this, GroupBox1, 16, 16, 240, 81);
    Panel3->SetColor(clBlack);
    Panel3->SetBevelOuter(bvLowered);
    Panel3->OnResize = [this](TObject* s) { Panel3Resize(s); };
    VelDigianz1 = Form1Parts.MakeDisplay(this);
    VelDigianz1->SetName("VelDigianz1");
    VelDigianz1->SetBounds(6, 4, 230, 71);
    VelDigianz1->SetParent(Panel3);
    VelDigianz1->SetFBuchstabenanzahl(4);
    VelDigianz1->SetMatrixgroesse(80);
    VelDigianz1->SetFBuchstabenabstandkaestchen(1);
    VelDigianz1->SetHGrund(RGB(128, 128, 128));
    VelDigianz1->SetV1Grund(RGB(0, 64, 0));
    VelDigianz1->SetV2Grund(RGB(0, 255, 0));
    VelDigianz1->SetFText("100%");
    TrackBar1 = make<TTrackBar>(this, GroupBox1, 8, 99, 249, 25);
    TrackBar1->SetRange(0, 200);
    TrackBar1->SetPosition(1);
    TrackBar1->SetFrequency(1);
    TrackBar1->SetTickStyle(tsNone);
    TrackBar1->OnChange = [this](TObject* s) { TrackBar1Change(s); };
    BitBtn2 = make<TBitBtn>(this, GroupBox1, 16, 128, 113, 57);
    BitBtn2->OnClick = [this](TObject* s) { BitBtn2Click(s); };
    BitBtn1 = make<TBitBtn>(this, GroupBox1, 136, 128, 113, 57);
    BitBtn1->OnClick = [this](TObject* s) { BitBtn1Click(s); };

    GroupBox3 = make<TGroupBox>(this, this, 336, 208, 265, 193);
    GroupBox3->SetCaption("Scanner Settings : ");
    Image3 = make<TImage>(this, GroupBox3, 16, 24, 57, 57);
    RadioButton1 = make<TRadioButton>(this, GroupBox3, 88, 16, 17, 33);
    RadioButton1->SetChecked(true);
    RadioButton1->OnClick = [this](TObject* s) { RadioButton1Click(s); };
    Image7 = make<TImage>(this, GroupBox3, 104, 16, 57, 33);
    Image7->SetHint("copy one page to another");
    Image7->SetShowHint(true);
    Image7->OnClick = [this](TObject* s) { RadioButton1Click(s); };
    RadioButton2 = make<TRadioButton>(this, GroupBox3, 168, 16, 17, 33);
    RadioButton2->OnClick = [this](TObject* s) { RadioButton2Click(s); };
    Image8 = make<TImage>(this, GroupBox3, 184, 16, 73, 33);
    Image8->SetHint("copy two pages on a single one");
    Image8->SetShowHint(true);
    Image8->OnClick = [this](TObject* s) { RadioButton2Click(s); };
    // Every acquisition runs without the scanner's own dialog, so the option
    // is shown for what it is: not available.
    auto* checkBox7 = make<TCheckBox>(this, GroupBox3, 88, 72, 153, 17);
    checkBox7->SetName("CheckBox7");
    checkBox7->SetCaption("Display Scanner GUI");
    checkBox7->SetEnabled(false);
    CheckBox1 = make<TCheckBox>(this, GroupBox3, 88, 96, 161, 17);
    CheckBox1->SetCaption("Save Copy to (Image) File");
    Button2 = make<TButton>(this, GroupBox3, 88, 120, 161, 25);
    Button2->SetCaption("TWAIN Source ...");
    Button2->OnClick = [this](TObject* s) { Button2Click(s); };
    Button5 = make<TButton>(this, GroupBox3, 88, 152, 161, 25);
    Button5->SetCaption("Printer Settings ...");
    Button5->OnClick = [this](TObject* s) { Button5Click(s); };

    GroupBox4 = make<TGroupBox>(this, this, 64, 232, 265, 97);
    GroupBox4->SetCaption("Printer Settings : ");
    Image11 = make<TImage>(this, GroupBox4, 16, 24, 32, 32);
    Image12 = make<TImage>(this, GroupBox4, 76, 22, 16, 22);
    Image13 = make<TImage>(this, GroupBox4, 160, 26, 22, 16);
    Image14 = make<TImage>(this, GroupBox4, 16, 60, 32, 24);
    RadioButton3 = make<TRadioButton>(this, GroupBox4, 96, 24, 57, 17);
    RadioButton3->SetCaption("Portrait");
    RadioButton3->SetChecked(true);
    RadioButton4 = make<TRadioButton>(this, GroupBox4, 184, 24, 73, 17);
    RadioButton4->SetCaption("Landscape");
    Label1 = make<TLabel>(this, GroupBox4, 96, 68, 97, 13);
    Label1->SetCaption("Number of Copies :");
    CSpinEdit1 = make<TCSpinEdit>(this, GroupBox4, 200, 64, 49, 22);
    CSpinEdit1->SetRange(1, 200);
    CSpinEdit1->SetValue(1);

    BitBtn3 = make<TBitBtn>(this, this, 64, 344, 185, 57);
    BitBtn3->SetDefault(true);
    BitBtn3->OnClick = [this](TObject* s) { BitBtn3Click(s); };
    BitBtn4 = make<TBitBtn>(this, this, 256, 344, 73, 57);
    BitBtn4->OnClick = [this](TObject* s) { BitBtn4Click(s); };

    VelStatus1 = make<TVelStatus>(this, this, 0, 409, 611, 25);
    Label5 = make<TLabel>(this, VelStatus1, 400, 8, 85, 13);
    Label5->SetCaption("Visit our website :");
    Label4 = make<TLabel>(this, VelStatus1, 488, 8, 110, 13);
    Label4->SetCaption("Documentation");
    Label4->SetFont(fontOf("Tahoma", -11, fsUnderline, clBlue));
    Label4->SetCursor(crHandPoint);
    Label4->OnClick = [this](TObject* s) { Label4Click(s); };
}

void TForm1::CreatePictures()
{
    DrawProgramIcon(*Image1->Picture());
    DrawPreviewIcon(*Image4->Picture());
    DrawPlaceholder(*Image9->Picture(), 1);
    DrawPlaceholder(*Image10->Picture(), 2);
    DrawScannerIcon(*Image3->Picture());
    DrawModePicture(*Image7->Picture(), 1);
    DrawModePicture(*Image8->Picture(), 2);
    DrawPrinterIcon(*Image11->Picture());
    DrawOrientationIcon(*Image12->Picture(), false);
    DrawOrientationIcon(*Image13->Picture(), true);
    DrawCopiesIcon(*Image14->Picture());
    DrawMinusGlyph(*BitBtn2->Glyph());
    DrawPlusGlyph(*BitBtn1->Glyph());
    DrawCopyGlyph(*BitBtn3->Glyph());
    DrawDoorGlyph(*BitBtn4->Glyph());
    // The pictures were drawn after the buttons took their glyphs: hand them on.
    BitBtn1->SetGlyph(*BitBtn1->Glyph());
    BitBtn2->SetGlyph(*BitBtn2->Glyph());
    BitBtn3->SetGlyph(*BitBtn3->Glyph());
    BitBtn4->SetGlyph(*BitBtn4->Glyph());
}

AnsiString TForm1::ScaleText(int scale)
{
    AnsiString text = IntToStr(scale);
    if (text.size() < 2)
        text = "0" + text;
    if (text.size() < 3)
        text = "0" + text;
    return text + "%";
}

// --- showing, painting, closing ---------------------------------------------

void TForm1::FormShow(TObject*)
{
    // A scanner manager that cannot be opened is reported, but the scale is
    // still restored so the display and FScale agree.
    try {
        TWAIN1->InitTWAIN();
    } catch (...) {
        Application->HandleException(this);
    }
    AnsiString stored;
    try {
        stored = VelReg1->Pop("Scale");
    } catch (...) {
        // A stored value that cannot be read counts as nothing stored.
        Application->HandleException(this);
        stored.clear();
    }
    int32_t scale = 100;
    int32_t read = 0;
    if (TryStrToInt(stored, read))
        scale = read;
    FScale = std::clamp(scale, 1, 500);
    VelDigianz1->SetFText(ScaleText(FScale));
    TrackBar1->SetPosition(FScale);
    ResetPreview();
    VelDigianz1->Repaint();
}

void TForm1::FormPaint(TObject*)
{
    VelDigianz1->Repaint();
}

void TForm1::Panel3Resize(TObject*)
{
    VelDigianz1->Repaint();
}

void TForm1::FormCloseQuery(TObject*, bool&)
{
    ClosingFlag = true;
    AbandonScan();
}

void TForm1::FormKeyDown(TObject*, unsigned short& key, unsigned)
{
    if (key == VK_ESCAPE && FWaiting) {
        AbandonScan();
        key = 0;
    }
}

void TForm1::BitBtn4Click(TObject*)
{
    AbandonScan();
    Application->Terminate();
}

void TForm1::Timer1Timer(TObject*)
{
    PrintingFlag = Printer()->Printing();
}

void TForm1::TWAIN1ScanReady(TObject*)
{
    ScanReadyFlag = true;
}

// --- scale ------------------------------------------------------------------

void TForm1::StoreScale()
{
    VelReg1->Push("Scale", IntToStr(FScale));
}

void TForm1::ShowScale()
{
    VelDigianz1->SetFText(ScaleText(FScale));
    StoreScale();
    TrackBar1->SetPosition(FScale);
}

void TForm1::BitBtn1Click(TObject*)
{
    if (FScale < 200)
        ++FScale;
    ShowScale();
}

void TForm1::BitBtn2Click(TObject*)
{
    if (FScale > 1)
        --FScale;
    ShowScale();
}

void TForm1::TrackBar1Change(TObject*)
{
    if (!TrackBar1->Focused())
        return;
    FScale = TrackBar1->Position();
    VelDigianz1->SetFText(ScaleText(FScale));
    StoreScale();
}

// --- modes ------------------------------------------------------------------

void TForm1::RadioButton1Click(TObject*)
{
    PageControl1->SetActivePageIndex(0);
    RadioButton1->SetChecked(true);
    RadioButton3->SetChecked(true);
    CheckBox1->SetEnabled(true);
    ResetPreview();
}

void TForm1::RadioButton2Click(TObject*)
{
    PageControl1->SetActivePageIndex(1);
    RadioButton2->SetChecked(true);
    RadioButton4->SetChecked(true);
    CheckBox1->SetChecked(false);
    CheckBox1->SetEnabled(false);
    ResetPreview();
}

void TForm1::Button2Click(TObject*)
{
    TWAIN1->SelectDataSource();
}

void TForm1::Button5Click(TObject*)
{
    PrinterSetupDialog1->Execute();
}

void TForm1::Label4Click(TObject*)
{
    VelHTML1->CallExternUrl(DocumentationUrl());
}

// --- busy state and previews ----------------------------------------------

void TForm1::EnterBusy()
{
    GroupBox1->SetEnabled(false);
    GroupBox2->SetEnabled(false);
    GroupBox3->SetEnabled(false);
    GroupBox4->SetEnabled(false);
    Button2->SetEnabled(false);
    Button5->SetEnabled(false);
    Screen->SetCursor(crAppStart);
}

void TForm1::LeaveBusy()
{
    GroupBox1->SetEnabled(true);
    GroupBox2->SetEnabled(true);
    GroupBox3->SetEnabled(true);
    GroupBox4->SetEnabled(true);
    Button2->SetEnabled(true);
    Button5->SetEnabled(true);
    Screen->SetCursor(crDefault);
}

void TForm1::ResetPreview()
{
    Image2->Picture()->Assign(*Image9->Picture());
    Image5->Picture()->Assign(*Image9->Picture());
    Image6->Picture()->Assign(*Image10->Picture());
    CheckBox2->SetChecked(true);
    CheckBox3->SetChecked(true);
    CheckBox4->SetChecked(true);
    CheckBox5->SetChecked(true);
    CheckBox6->SetChecked(true);
}

// --- the copy workflow -------------------------------------------------------

void TForm1::AbandonScan()
{
    if (!FWaiting)
        return;
    FAbandoned = true;
    // Stop the acquisition; the source may already be gone, which is fine.
    try {
        if (TWAIN1->IsDataSourceEnabled())
            TWAIN1->DisableDataSource();
        if (TWAIN1->IsDataSourceOpen())
            TWAIN1->CloseDataSource();
    } catch (...) {
    }
    // Wake the waiting loop.
    PostMessage(nullptr, WM_NULL, 0, 0);
}

bool TForm1::ScanPage(const char* pageWord, TImage* target, bool busyFirst)
{
    ScanReadyFlag = false;
    TWAIN1->fSetProductname(CopierName + pageWord);
    TWAIN1->SetShowUI(false);
    if (busyFirst) {
        EnterBusy();
        TWAIN1->Acquire(target->Picture()->Bitmap());
    } else {
        TWAIN1->Acquire(target->Picture()->Bitmap());
        EnterBusy();
    }
    // Wait for the scanner's report. The scanner is served from this pumping;
    // between messages the loop sleeps instead of spinning.
    FWaiting = true;
    FAbandoned = false;
    try {
        while (!ScanReadyFlag) {
            Application->ProcessMessages();
            if (ScanReadyFlag)
                break;
            if (FAbandoned || Application->Terminated()) {
                FAbandoned = true;
                break;
            }
            Application->WaitMessage();
        }
    } catch (...) {
        FWaiting = false;
        throw;
    }
    FWaiting = false;
    LeaveBusy();
    if (FAbandoned)
        return false;
    // An acquisition that ended without an image (cancelled in the source)
    // ends the copy: nothing of an older picture is printed by mistake.
    return TWAIN1->ImageDelivered();
}

void TForm1::CopySequence()
{
    if (PageControl1->ActivePageIndex() == 0) {
        if (CheckBox5->Checked() && !ScanPage(" - Page 1", Image2, true))
            return;
        if (CheckBox6->Checked()) {
            if (CheckBox1->Checked())
                SaveCopy();
            else
                PrintOnePage();
        }
    }
    if (PageControl1->ActivePageIndex() != 1)
        return;
    if (CheckBox2->Checked()) {
        if (!ScanPage(" - Page 1", Image5, false))
            return;
        if (CheckBox3->Checked()) {
            int answer = Application->MessageBox("Please now insert Page 2 to the scanner!", "Velmora Copier", 65);
            if (answer == IDCANCEL) {
                ResetPreview();
                return;
            }
        }
    }
    if (CheckBox3->Checked() && !ScanPage(" - Page 2", Image6, false))
        return;
    if (CheckBox4->Checked())
        PrintTwoPages();
}

void TForm1::BitBtn3Click(TObject*)
{
    // A second press while a copy waits starts nothing.
    if (FCopyRunning)
        return;
    FCopyRunning = true;
    try {
        CopySequence();
    } catch (...) {
        // Leave the busy state before the error is shown, so the window stays usable.
        FCopyRunning = false;
        LeaveBusy();
        throw;
    }
    FCopyRunning = false;
}
