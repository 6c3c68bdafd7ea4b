#include "components/display/TVelDigianz.h"
#include "components/display/DigiGlyphs.h"
#include <algorithm>
#include <climits>

namespace {

// Geometry is computed in 64 bits or floating point; absurd property values
// (a dot size of a billion percent) must not wrap around into small numbers.
int Saturate(long long value)
{
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

int Truncate(double value)
{
    if (!(value == value))
        return 0;
    return static_cast<int>(std::clamp<double>(value, INT_MIN, INT_MAX));
}

}

TVelDigianz::TVelDigianz(TComponent* owner)
    : TGraphicControl(owner)
{
}

void TVelDigianz::Redraw()
{
    ValidateSize();
    InitDigiAnz();
    PrintZeichenkette(FText);
}

void TVelDigianz::SetFBuchstabenanzahl(int value) { Store(FBuchstabenanzahl, value); }
void TVelDigianz::SetMatrixgroesse(int value) { Store(FMatrixgroesse, value); }
void TVelDigianz::SetFBuchstabenabstandkaestchen(int value) { Store(FBuchstabenabstandkaestchen, value); }
void TVelDigianz::SetFText(const AnsiString& value) { Store(FText, value); }
void TVelDigianz::SetHGrund(TColor value) { Store(FHGrund, value); }
void TVelDigianz::SetV1Grund(TColor value) { Store(FV1Grund, value); }
void TVelDigianz::SetV2Grund(TColor value) { Store(FV2Grund, value); }

void TVelDigianz::Repaint()
{
    Redraw();
}

void TVelDigianz::Paint()
{
    // The window system asks when the display is first shown or got a new
    // size (and with it a blank surface): draw the picture for the size it
    // has now, without trimming the width in the middle of a paint.
    InitDigiAnz();
    PrintZeichenkette(FText);
}

long long TVelDigianz::ColumnCount() const
{
    long long cells = FBuchstabenanzahl;
    return cells * 5 + (cells - 1) * FBuchstabenabstandkaestchen;
}

void TVelDigianz::ValidateSize()
{
    long long columns = ColumnCount();
    // Nothing sensible to trim to without a positive column count.
    if (columns <= 0)
        return;
    long long width = Width();
    long long trimmed = columns * (width / columns);
    if (trimmed != width)
        SetWidth(static_cast<int>(trimmed));
}

void TVelDigianz::InitDigiAnz()
{
    long long columns = ColumnCount();
    if (columns <= 0) {
        FPunktBreite = FPunktLuecke = FZeichenBreite = FZeichenAbstand = 0;
        FPunktHoehe = FZeilenLuecke = 0;
        return;
    }
    // The dot pitch in single precision; after ValidateSize it is whole.
    float u = static_cast<float>(Width()) / static_cast<float>(columns);
    FPunktBreite = Truncate(FMatrixgroesse * static_cast<double>(u) * 0.01);
    FPunktLuecke = Truncate(static_cast<double>(u) - FPunktBreite);
    FZeichenBreite = Truncate(5.0 * u);
    FZeichenAbstand = Truncate(static_cast<double>(FBuchstabenabstandkaestchen) * u);

    long long r = Height() / 7;
    FPunktHoehe = Saturate(r * FMatrixgroesse / 100);
    FZeilenLuecke = Saturate((100LL - FMatrixgroesse) * r / 100);
}

void TVelDigianz::Punkt(int pos, int col, int row)
{
    long long x = (pos - 1LL) * (static_cast<long long>(FZeichenAbstand) + FZeichenBreite)
        + (col - 1LL) * (static_cast<long long>(FPunktBreite) + FPunktLuecke);
    long long y = (row - 1LL) * FPunktHoehe + static_cast<long long>(row) * FZeilenLuecke;
    DotCanvas()->FillRect(TRect(Saturate(x), Saturate(y), Saturate(x + FPunktBreite), Saturate(y + FPunktHoehe)));
}

void TVelDigianz::Matrix(int pos)
{
    DotCanvas()->Brush()->SetColor(FV1Grund);
    // The sixth column lies in the gap after the cell, so unlit dots run on
    // evenly from one cell into the next.
    for (int col = 1; col <= 6; ++col) {
        for (int row = 1; row <= 7; ++row)
            Punkt(pos, col, row);
    }
}

void TVelDigianz::Zeichen(int pos, const AnsiString& dots)
{
    DotCanvas()->Brush()->SetColor(FV2Grund);
    int column = 0;
    int row = 0;
    bool haveColumn = false;
    for (char c : dots) {
        if (c == ',') {
            column = 0;
            row = 0;
            haveColumn = false;
            continue;
        }
        // A character that is not a digit keeps the value it would replace.
        bool digit = c >= '0' && c <= '9';
        if (!haveColumn) {
            if (digit)
                column = c - '0';
            haveColumn = true;
        } else {
            if (digit)
                row = c - '0';
            Punkt(pos, column, row);
        }
    }
}

void TVelDigianz::PrintZeichen(int pos, const AnsiString& ch)
{
    Matrix(pos);
    Zeichen(pos, DigiGlyphDots(ch));
}

void TVelDigianz::PrintZeichenkette(const AnsiString& text)
{
    if (FBuchstabenanzahl < 1 || FMatrixgroesse < 1 || ColumnCount() <= 0)
        return;
    // The background is left transparent on purpose: between the dots the
    // surface beneath shows through (in the copier, the black panel).
    TCanvas* canvas = Canvas();
    canvas->Brush()->SetColor(FHGrund);
    // One canvas for the whole text: asking for it makes sure of the
    // surface and schedules the update, once is enough.
    struct Scope {
        TCanvas*& slot;
        TCanvas* outer;
        ~Scope() { slot = outer; }
    } scope { m_drawing, m_drawing };
    m_drawing = canvas;

    long long step = static_cast<long long>(FZeichenAbstand) + FZeichenBreite;
    for (size_t i = 0; i < text.size(); ++i) {
        // A cell that starts beyond the control is clipped away whole, and so
        // is every one after it; a long text must not cost a fill per dot.
        if (step > 0 && static_cast<long long>(i) * step >= Width())
            break;
        if (i >= static_cast<size_t>(INT_MAX))
            break;
        PrintZeichen(static_cast<int>(i) + 1, text.substr(i, 1));
    }
}

TCanvas* TVelDigianz::DotCanvas()
{
    return m_drawing ? m_drawing : Canvas();
}
