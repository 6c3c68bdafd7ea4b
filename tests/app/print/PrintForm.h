#pragma once
// The main window as the print tests drive it: real controls and pictures,
// a printing component that logs (and may fail) or draws for real.
#include "app/Unit1.h"
#include "platform/vcl/forms/TApplication.h"
#include "platform/vcl/printers/TPrinter.h"
#include "print/TPrintDIB.h"
#include <string>
#include <vector>

inline std::vector<std::string> Log;

class LoggingPrintDIB : public TPrintDIB {
public:
    using TPrintDIB::TPrintDIB;
    void StretchDrawDIB(TCanvas* canvas, int left, int top, int width, int height, TBitmap* bitmap) override
    {
        Log.push_back("Draw " + std::to_string(left) + "," + std::to_string(top) + " " + std::to_string(width) + "x"
            + std::to_string(height) + (canvas == Printer()->Canvas() ? "" : " (not the printer's canvas)"));
        Bitmaps.push_back(bitmap);
        if (Fail)
            throw Exception("The printer ran out of paper");
        if (DrawForReal)
            TPrintDIB::StretchDrawDIB(canvas, left, top, width, height, bitmap);
    }
    std::vector<TBitmap*> Bitmaps;
    bool Fail { false };
    bool DrawForReal { false };
};

// Fills a picture's bitmap with one colour.
inline void Scan(TImage* image, int width, int height, TColor color)
{
    TBitmap* b = image->Picture()->Bitmap();
    b->SetSize(width, height);
    b->Canvas()->Brush()->SetColor(color);
    b->Canvas()->FillRect(Rect(0, 0, width, height));
}

inline TForm1* MakeForm()
{
    Form1Parts.MakePrintDIB = [](TComponent* owner) { return new LoggingPrintDIB(owner); };
    auto* form = new TForm1(nullptr);
    form->Timer1->OnTimer = [form](TObject* s) {
        Log.push_back("tick");
        form->Timer1Timer(s);
    };
    return form;
}

inline LoggingPrintDIB* DibOf(TForm1* form) { return static_cast<LoggingPrintDIB*>(form->PrintDIB1); }
