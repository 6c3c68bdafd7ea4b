#pragma once
// A control's font: the name asked for (substituted by the toolkit when the
// machine lacks it), the height in pixels (negative: character height, as the
// window descriptions give it), style and colour.
#include "platform/rtl/AnsiString.h"
#include "platform/vcl/graphics/TColor.h"
#include <cstdint>

enum TFontStyle : uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

class TFont {
public:
    AnsiString Name { "MS Sans Serif" };
    int Height { -11 };
    uint8_t Style { 0 };
    TColor Color { clWindowText };

    bool operator==(const TFont&) const = default;
};
