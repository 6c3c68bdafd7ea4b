#pragma once
// The canvas's brush: how areas are filled.
#include "platform/rtl/TObject.h"
#include "platform/vcl/graphics/TColor.h"

enum TBrushStyle { bsSolid, bsClear };

class TBrush : public TObject {
public:
    TColor Color() const { return m_color; }
    void SetColor(TColor color);
    TBrushStyle Style() const { return m_style; }
    void SetStyle(TBrushStyle style);
    void Assign(const TBrush& source);

    unsigned Revision() const { return m_revision; }

private:
    TColor m_color { clWhite };
    TBrushStyle m_style { bsSolid };
    unsigned m_revision { 0 };
};
