#pragma once
// An LED dot-matrix display: each character of the text takes a cell of 5 by 7
// square dots, drawn lit or unlit. The control has no window of its own; it
// draws through its canvas onto the parent's surface.
#include "platform/rtl/AnsiString.h"
#include "platform/vcl/forms/TGraphicControl.h"
#include "platform/vcl/graphics/TCanvas.h"

class TVelDigianz : public TGraphicControl {
public:
    explicit TVelDigianz(TComponent* owner = nullptr);

    int NumChars() const { return FBuchstabenanzahl; }
    int MatixSize() const { return FMatrixgroesse; }
    int SpaceSquares() const { return FBuchstabenabstandkaestchen; }
    const AnsiString& Text() const { return FText; }
    TColor BackgroundColor() const { return FHGrund; }
    TColor ForegroundColorOff() const { return FV1Grund; }
    TColor ForegroundColorOn() const { return FV2Grund; }

    // Every setter redraws, also when the value does not change: the window
    // relies on writing the same text to bring the picture back.
    void SetFBuchstabenanzahl(int value);
    void SetMatrixgroesse(int value);
    void SetFBuchstabenabstandkaestchen(int value);
    virtual void SetFText(const AnsiString& value);
    void SetHGrund(TColor value);
    void SetV1Grund(TColor value);
    void SetV2Grund(TColor value);

    // Width of the whole display in dot pitches: five per cell plus the gaps.
    long long ColumnCount() const;

    void ValidateSize();
    void InitDigiAnz();
    void Punkt(int pos, int col, int row);
    void Matrix(int pos);
    void Zeichen(int pos, const AnsiString& dots);
    void PrintZeichen(int pos, const AnsiString& ch);
    void PrintZeichenkette(const AnsiString& text);

    virtual void Repaint();
    void Refresh() { Repaint(); }
    // Redraws with the geometry last computed; the hosting panel calls it.
    void OnResize() { PrintZeichenkette(FText); }

    // Derived geometry in pixels, valid after InitDigiAnz.
    int FPunktBreite { 0 };
    int FPunktLuecke { 0 };
    int FZeichenBreite { 0 };
    int FZeichenAbstand { 0 };
    int FPunktHoehe { 0 };
    int FZeilenLuecke { 0 };

protected:
    void Paint() override;

private:
    void Redraw();
    // A setter's work: store, then redraw whether or not the value changed.
    template<typename T>
    void Store(T& field, const T& value)
    {
        field = value;
        Redraw();
    }
    // The canvas to draw the dots on.
    TCanvas* DotCanvas();

    int FBuchstabenanzahl { 4 };
    int FMatrixgroesse { 80 };
    int FBuchstabenabstandkaestchen { 1 };
    AnsiString FText { "100%" };
    TColor FHGrund { RGB(128, 128, 128) };
    TColor FV1Grund { RGB(0, 128, 0) };
    TColor FV2Grund { RGB(0, 255, 0) };
    TCanvas* m_drawing { nullptr };
};
