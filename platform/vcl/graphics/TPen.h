#pragma once
// The canvas's pen: colour, width and style of lines and outlines.
#include "platform/rtl/TObject.h"
#include "platform/vcl/graphics/TColor.h"

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };

class TPen : public TObject {
public:
    TColor Color() const { return m_color; }
    void SetColor(TColor color);
    int Width() const { return m_width; }
    void SetWidth(int width);
    TPenStyle Style() const { return m_style; }
    void SetStyle(TPenStyle style);
    void Assign(const TPen& source);

    // Bumped by every change, so a canvas knows when to make a new GDI pen.
    unsigned Revision() const { return m_revision; }

private:
    TColor m_color { clBlack };
    int m_width { 1 };
    TPenStyle m_style { psSolid };
    unsigned m_revision { 0 };
};
