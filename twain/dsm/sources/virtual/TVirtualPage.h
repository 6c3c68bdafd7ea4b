#pragma once
// The virtual scanner's test page: an A4 sheet at 150 dpi (1240 by 1754
// pixels, 24 bits) with a grid, a row of colour bars and the page number in
// large seven-segment digits, delivered as a packed DIB (bottom-up rows).
// The geometry is public so that a test can look at single pixels.
#include "platform/rtl/AnsiString.h"
#include <cstdint>
#include <vector>

class TVirtualPage {
public:
    static constexpr int kWidth = 1240;
    static constexpr int kHeight = 1754;
    static constexpr int kGridStep = 59; // about a centimetre
    static constexpr uint32_t kGridColour = 0xB4C8DC;  // 0xRRGGBB
    static constexpr uint32_t kPaperColour = 0xFFFFFF;
    static constexpr uint32_t kInkColour = 0x102040;
    static constexpr int kBarTop = 80, kBarHeight = 120, kBarLeft = 60, kBarWidth = 160;
    static constexpr uint32_t kBarColours[7] = { 0xFF0000, 0x00FF00, 0x0000FF, 0x00FFFF, 0xFF00FF, 0xFFFF00, 0x000000 };
    static constexpr int kDigitWidth = 360, kDigitHeight = 640, kDigitGap = 80, kStroke = 70, kDigitTop = 600;

    // The page number shown for a product name: the digits at its end
    // ("Velmora Copier - Page 2" gives "2"), "1" when it ends in none. At most
    // three digits are shown.
    static AnsiString PageNumber(const AnsiString& productName);

    // Segments a to g (0 to 6) of a seven-segment digit.
    static bool SegmentLit(char digit, int segment);
    // The segment's rectangle (top-down page coordinates, half-open) for digit
    // index of count digits centred on the page.
    struct Rect {
        int left, top, right, bottom;
    };
    static Rect SegmentRect(int index, int count, int segment);
    // The rectangles of every lit segment of the number.
    static std::vector<Rect> LitSegments(const AnsiString& number);

    // The packed DIB of the page showing number.
    static std::vector<uint8_t> Render(const AnsiString& number);
    // The colour (0xRRGGBB) the page has at a point (top-down coordinates).
    static uint32_t ColourAt(const AnsiString& number, int x, int y);
};
