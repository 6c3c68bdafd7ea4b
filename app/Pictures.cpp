#include "app/Pictures.h"
#include "platform/vcl/graphics/TBitmap.h"
#include "platform/vcl/graphics/TCanvas.h"
#include "platform/vcl/graphics/TPicture.h"
#include <cstring>

namespace {

constexpr TColor Face = RGB(212, 208, 200);
constexpr TColor Dark = RGB(64, 64, 64);
constexpr TColor LightBlue = RGB(102, 205, 255);

// 5 by 7 letters for the few words the pictures carry; bit 4 is the left column.
struct Letter {
    char c;
    unsigned char rows[7];
};
constexpr Letter Letters[] = {
    { '1', { 0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E } },
    { '2', { 0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F } },
    { 'C', { 0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E } },
    { 'O', { 0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E } },
    { 'P', { 0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10 } },
    { 'Y', { 0x11, 0x11, 0x0A, 0x04, 0x04, 0x04, 0x04 } },
};

TCanvas* begin(TPicture& picture, int width, int height, TColor background)
{
    TBitmap* bitmap = picture.Bitmap();
    bitmap->SetSize(width, height);
    TCanvas* canvas = bitmap->Canvas();
    canvas->Brush()->SetColor(background);
    canvas->FillRect(TRect(0, 0, width, height));
    return canvas;
}

void box(TCanvas* canvas, int left, int top, int right, int bottom, TColor color)
{
    canvas->Brush()->SetColor(color);
    canvas->FillRect(TRect(left, top, right, bottom));
}

void frame(TCanvas* canvas, int left, int top, int right, int bottom, TColor color)
{
    box(canvas, left, top, right, top + 1, color);
    box(canvas, left, bottom - 1, right, bottom, color);
    box(canvas, left, top, left + 1, bottom, color);
    box(canvas, right - 1, top, right, bottom, color);
}

void text(TCanvas* canvas, int x, int y, const char* word, int scale, TColor color)
{
    for (const char* p = word; *p; ++p, x += 6 * scale)
        for (const Letter& letter : Letters) {
            if (letter.c != *p)
                continue;
            for (int row = 0; row < 7; ++row)
                for (int col = 0; col < 5; ++col)
                    if (letter.rows[row] & (0x10 >> col))
                        box(canvas, x + col * scale, y + row * scale, x + (col + 1) * scale, y + (row + 1) * scale, color);
        }
}

void sheet(TCanvas* canvas, int left, int top, int width, int height)
{
    box(canvas, left, top, left + width, top + height, clWhite);
    frame(canvas, left, top, left + width, top + height, Dark);
}

void printer(TCanvas* canvas, int left, int top, int width, int height)
{
    int paperWidth = width * 3 / 5;
    int paperLeft = left + (width - paperWidth) / 2;
    sheet(canvas, paperLeft, top, paperWidth, height / 3 + 2);
    box(canvas, left, top + height / 3, left + width, top + height * 5 / 6, RGB(96, 96, 96));
    frame(canvas, left, top + height / 3, left + width, top + height * 5 / 6, clBlack);
    box(canvas, left + width - width / 6, top + height / 3 + 3, left + width - width / 6 + 3, top + height / 3 + 6, clLime);
    sheet(canvas, paperLeft, top + height * 2 / 3, paperWidth, height / 3);
}

}

void DrawProgramIcon(TPicture& picture)
{
    TCanvas* c = begin(picture, 32, 32, clBlack);
    sheet(c, 4, 2, 16, 22);
    sheet(c, 12, 8, 16, 22);
    box(c, 15, 12, 25, 14, LightBlue);
    box(c, 15, 17, 25, 19, LightBlue);
    box(c, 15, 22, 22, 24, LightBlue);
}

void DrawPreviewIcon(TPicture& picture)
{
    TCanvas* c = begin(picture, 32, 32, Face);
    sheet(c, 6, 2, 20, 28);
    frame(c, 10, 10, 22, 22, clNavy);
    box(c, 20, 20, 28, 23, clNavy);
}

void DrawScannerIcon(TPicture& picture)
{
    TCanvas* c = begin(picture, 57, 57, Face);
    box(c, 4, 22, 53, 40, RGB(96, 96, 96));
    frame(c, 4, 22, 53, 40, clBlack);
    box(c, 6, 18, 51, 22, Dark);
    box(c, 8, 30, 49, 32, clLime);
    box(c, 44, 35, 48, 37, clRed);
}

void DrawPrinterIcon(TPicture& picture)
{
    TCanvas* c = begin(picture, 32, 32, Face);
    printer(c, 2, 2, 28, 28);
}

void DrawCopiesIcon(TPicture& picture)
{
    TCanvas* c = begin(picture, 32, 24, Face);
    sheet(c, 2, 2, 14, 18);
    sheet(c, 8, 4, 14, 18);
    sheet(c, 14, 6, 14, 18);
}

void DrawOrientationIcon(TPicture& picture, bool landscape)
{
    int width = landscape ? 22 : 16;
    int height = landscape ? 16 : 22;
    TCanvas* c = begin(picture, width, height, Face);
    sheet(c, 0, 0, width, height);
    box(c, 3, 3, width - 3, 5, Dark);
}

void DrawPlaceholder(TPicture& picture, int page)
{
    TCanvas* c = begin(picture, 32, 50, clWhite);
    frame(c, 0, 0, 32, 50, RGB(160, 160, 160));
    text(c, 9, 11, page == 1 ? "1" : "2", 4, RGB(160, 160, 160));
}

void DrawModePicture(TPicture& picture, int pages)
{
    int width = pages == 1 ? 57 : 73;
    TCanvas* c = begin(picture, width, 33, Face);
    sheet(c, 2, 4, 16, 24);
    text(c, 6, 10, "1", 2, Dark);
    int x = 20;
    if (pages == 2) {
        sheet(c, x, 4, 16, 24);
        text(c, x + 4, 10, "2", 2, Dark);
        x += 18;
    }
    // The arrow.
    box(c, x + 1, 15, x + 11, 17, clBlack);
    for (int i = 0; i < 4; ++i)
        box(c, x + 8 + i, 12 + i, x + 9 + i, 20 - i, clBlack);
    sheet(c, width - 19, 4, 17, 24);
    box(c, width - 16, 8, width - 10, 14, LightBlue);
    if (pages == 2)
        box(c, width - 10, 8, width - 5, 14, LightBlue);
}

void DrawPlusGlyph(TPicture& picture)
{
    TCanvas* c = begin(picture, 32, 32, Face);
    box(c, 4, 13, 28, 19, clBlack);
    box(c, 13, 4, 19, 28, clBlack);
}

void DrawMinusGlyph(TPicture& picture)
{
    TCanvas* c = begin(picture, 32, 32, Face);
    box(c, 4, 13, 28, 19, clBlack);
}

void DrawCopyGlyph(TPicture& picture)
{
    TCanvas* c = begin(picture, 120, 44, Face);
    printer(c, 2, 2, 40, 40);
    text(c, 50, 15, "COPY", 3, clBlack);
}

void DrawDoorGlyph(TPicture& picture)
{
    TCanvas* c = begin(picture, 36, 40, Face);
    // The frame, the dark opening and the door swung open towards us.
    frame(c, 6, 2, 26, 38, Dark);
    box(c, 7, 3, 25, 37, RGB(30, 30, 30));
    box(c, 18, 4, 32, 38, RGB(176, 112, 48));
    frame(c, 18, 4, 32, 38, clBlack);
    box(c, 21, 20, 23, 22, clYellow);
}
