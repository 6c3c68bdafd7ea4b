#pragma once
// The copier's main window: scale, the two copy modes, the copy workflow, and
// the print and save routines (Unit1Print.cpp, Unit1Save.cpp).
#include "platform/vcl/forms/TBitBtn.h"
#include "platform/vcl/forms/TCSpinEdit.h"
#include "platform/vcl/forms/TCheckBox.h"
#include "platform/vcl/forms/TForm.h"
#include "platform/vcl/forms/TGroupBox.h"
#include "platform/vcl/forms/TImage.h"
#include "platform/vcl/forms/TLabel.h"
#include "platform/vcl/forms/TPageControl.h"
#include "platform/vcl/forms/TPanel.h"
#include "platform/vcl/forms/TRadioButton.h"
#include "platform/vcl/forms/TTimer.h"
#include "platform/vcl/forms/TTrackBar.h"
#include "platform/vcl/forms/TdxfLabel.h"
#include <functional>

class TTwainScanner;
class TVelDigianz;
class TVelReg;
class TVelHTML;
class TPrintDIB;
class TVelStatus;
class TSaveDialog;
class TPrinterSetupDialog;

// The programme name, set before start-up; first part of the scanner's product name.
extern AnsiString CopierName;
extern bool ScanReadyFlag;
extern bool ClosingFlag;
extern bool PrintingFlag;

// How the window makes the components it drives. The program uses the real
// ones; tests put doubles here before creating the window.
struct TForm1Parts {
    std::function<TTwainScanner*(TComponent* owner)> MakeScanner;
    std::function<TVelDigianz*(TComponent* owner)> MakeDisplay;
    std::function<TVelReg*(TComponent* owner)> MakeRegistry;
    std::function<TVelHTML*(TComponent* owner)> MakeHtml;
    std::function<TPrintDIB*(TComponent* owner)> MakePrintDIB;

    static TForm1Parts Real();
};
extern TForm1Parts Form1Parts;

// The page the web-site link opens: the installed documentation.
AnsiString DocumentationUrl();

class TForm1 : public TForm {
public:
    explicit TForm1(TComponent* owner);
    ~TForm1() override;

    // Handlers.
    void FormShow(TObject* sender);
    void FormPaint(TObject* sender);
    void FormCloseQuery(TObject* sender, bool& canClose);
    void FormKeyDown(TObject* sender, unsigned short& key, unsigned shift);
    void Panel3Resize(TObject* sender);
    void BitBtn1Click(TObject* sender);
    void BitBtn2Click(TObject* sender);
    void TrackBar1Change(TObject* sender);
    void RadioButton1Click(TObject* sender);
    void RadioButton2Click(TObject* sender);
    void Button2Click(TObject* sender);
    void Button5Click(TObject* sender);
    void BitBtn3Click(TObject* sender);
    void BitBtn4Click(TObject* sender);
    void Label4Click(TObject* sender);
    void Timer1Timer(TObject* sender);
    void TWAIN1ScanReady(TObject* sender);

    // Routines of the copy workflow.
    void EnterBusy();
    void LeaveBusy();
    void ResetPreview();
    // Virtual so the workflow can be tested apart from printer and file system.
    virtual void PrintOnePage();
    virtual void PrintTwoPages();
    virtual void SaveCopy();

    // The scale text: at least three digits, then "%".
    static AnsiString ScaleText(int scale);

    // True while the copy button's handler runs (a second press starts nothing).
    bool CopyRunning() const { return FCopyRunning; }
    // Ends a wait for the scanner that has not reported (Esc, exit, close).
    void AbandonScan();

    int FScale { 0 };

    TPanel* Panel4;
    TdxfLabel* dxfLabel2;
    TImage* Image1;
    TGroupBox* GroupBox2;
    TImage* Image4;
    TImage* Image9;
    TImage* Image10;
    TPanel* Panel7;
    TPageControl* PageControl1;
    TTabSheet* TabSheet1;
    TTabSheet* TabSheet2;
    TTabSheet* TabSheet3;
    TPanel* Panel1;
    TPanel* Panel2;
    TImage* Image2;
    TCheckBox* CheckBox5;
    TCheckBox* CheckBox6;
    TPanel* Panel5;
    TPanel* Panel6;
    TImage* Image5;
    TImage* Image6;
    TCheckBox* CheckBox2;
    TCheckBox* CheckBox3;
    TCheckBox* CheckBox4;
    TGroupBox* GroupBox1;
    TPanel* Panel3;
    TVelDigianz* VelDigianz1;
    TTrackBar* TrackBar1;
    TBitBtn* BitBtn2;
    TBitBtn* BitBtn1;
    TGroupBox* GroupBox3;
    TImage* Image3;
    TRadioButton* RadioButton1;
    TImage* Image7;
    TRadioButton* RadioButton2;
    TImage* Image8;
    TCheckBox* CheckBox1;
    TButton* Button2;
    TButton* Button5;
    TGroupBox* GroupBox4;
    TImage* Image11;
    TImage* Image12;
    TImage* Image13;
    TImage* Image14;
    TRadioButton* RadioButton3;
    TRadioButton* RadioButton4;
    TLabel* Label1;
    TCSpinEdit* CSpinEdit1;
    TBitBtn* BitBtn3;
    TBitBtn* BitBtn4;
    TVelStatus* VelStatus1;
    TLabel* Label5;
    TLabel* Label4;

    TTwainScanner* TWAIN1;
    TSaveDialog* SaveDialog1;
    TPrinterSetupDialog* PrinterSetupDialog1;
    TVelReg* VelReg1;
    TVelHTML* VelHTML1;
    TTimer* Timer1;
    TPrintDIB* PrintDIB1;

private:
    void CreateControls();
    void CreatePictures();
    void ShowScale();
    void StoreScale();
    // One scan into target: false when the wait was abandoned.
    bool ScanPage(const char* pageWord, TImage* target, bool busyFirst);
    void CopySequence();

    bool FCopyRunning { false };
    bool FWaiting { false };
    bool FAbandoned { false };
};

extern TForm1* Form1;
