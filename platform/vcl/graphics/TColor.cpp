#include "platform/vcl/graphics/TColor.h"

COLORREF ColorToRGB(TColor color)
{
    if ((static_cast<uint32_t>(color) & 0xFF000000u) == 0xFF000000u) {
        // A classic light-grey scheme.
        static constexpr COLORREF scheme[25] = {
            RGB(200, 200, 200), RGB(0, 0, 0), RGB(0, 84, 227), RGB(122, 150, 223), RGB(240, 240, 240),
            RGB(255, 255, 255), RGB(0, 0, 0), RGB(0, 0, 0), RGB(0, 0, 0), RGB(255, 255, 255),
            RGB(212, 208, 200), RGB(212, 208, 200), RGB(128, 128, 128), RGB(49, 106, 197), RGB(255, 255, 255),
            RGB(240, 240, 240), RGB(160, 160, 160), RGB(109, 109, 109), RGB(0, 0, 0), RGB(0, 0, 0),
            RGB(255, 255, 255), RGB(105, 105, 105), RGB(227, 227, 227), RGB(0, 0, 0), RGB(255, 255, 225),
        };
        uint32_t index = static_cast<uint32_t>(color) & 0xFF;
        return index < 25 ? scheme[index] : 0;
    }
    if (color == clNone || color == clDefault)
        return 0;
    return static_cast<COLORREF>(color) & 0xFFFFFF;
}
