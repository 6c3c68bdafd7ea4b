#include "twain/dsm/sources/virtual/TVirtualPage.h"
#include <cctype>
#include <cstring>

namespace {

// Segment masks for 0-9, bit 0 = a (top) ... bit 6 = g (middle).
constexpr uint8_t kDigits[10] = { 0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F };

constexpr size_t kRowBytes = (size_t(TVirtualPage::kWidth) * 3 + 3) / 4 * 4;

}

AnsiString TVirtualPage::PageNumber(const AnsiString& productName)
{
    size_t end = productName.size();
    size_t begin = end;
    while (begin > 0 && std::isdigit(static_cast<unsigned char>(productName[begin - 1])))
        --begin;
    if (begin == end)
        return "1";
    AnsiString digits = productName.substr(begin);
    return digits.size() > 3 ? digits.substr(digits.size() - 3) : digits;
}

bool TVirtualPage::SegmentLit(char digit, int segment)
{
    if (digit < '0' || digit > '9' || segment < 0 || segment > 6)
        return false;
    return kDigits[digit - '0'] & (1 << segment);
}

TVirtualPage::Rect TVirtualPage::SegmentRect(int index, int count, int segment)
{
    int total = count * kDigitWidth + (count - 1) * kDigitGap;
    int left = (kWidth - total) / 2 + index * (kDigitWidth + kDigitGap);
    int right = left + kDigitWidth;
    int top = kDigitTop;
    int middle = kDigitTop + kDigitHeight / 2;
    int bottom = kDigitTop + kDigitHeight;
    switch (segment) {
    case 0: return { left, top, right, top + kStroke };                          // a
    case 1: return { right - kStroke, top, right, middle };                      // b
    case 2: return { right - kStroke, middle, right, bottom };                   // c
    case 3: return { left, bottom - kStroke, right, bottom };                    // d
    case 4: return { left, middle, left + kStroke, bottom };                     // e
    case 5: return { left, top, left + kStroke, middle };                        // f
    default: return { left, middle - kStroke / 2, right, middle + kStroke / 2 }; // g
    }
}

std::vector<TVirtualPage::Rect> TVirtualPage::LitSegments(const AnsiString& number)
{
    std::vector<Rect> lit;
    int count = static_cast<int>(number.size());
    for (int i = 0; i < count; ++i)
        for (int s = 0; s < 7; ++s)
            if (SegmentLit(number[i], s))
                lit.push_back(SegmentRect(i, count, s));
    return lit;
}

uint32_t TVirtualPage::ColourAt(const AnsiString& number, int x, int y)
{
    for (const Rect& r : LitSegments(number))
        if (x >= r.left && x < r.right && y >= r.top && y < r.bottom)
            return kInkColour;
    if (y >= kBarTop && y < kBarTop + kBarHeight && x >= kBarLeft && x < kBarLeft + 7 * kBarWidth)
        return kBarColours[(x - kBarLeft) / kBarWidth];
    if (x % kGridStep == 0 || y % kGridStep == 0)
        return kGridColour;
    return kPaperColour;
}

std::vector<uint8_t> TVirtualPage::Render(const AnsiString& number)
{
    const uint32_t header = 40;
    std::vector<uint8_t> dib(header + kRowBytes * kHeight, 0);
    auto put32 = [&](size_t at, uint32_t v) { std::memcpy(&dib[at], &v, 4); };
    put32(0, header);
    put32(4, kWidth);
    put32(8, kHeight);
    uint16_t planes = 1, bits = 24;
    std::memcpy(&dib[12], &planes, 2);
    std::memcpy(&dib[14], &bits, 2);
    put32(20, uint32_t(kRowBytes * kHeight));
    put32(24, 5906); // 150 dpi in pixels per metre
    put32(28, 5906);

    // Paint row by row: one row template per kind of row, then the digits.
    auto pixel = [](uint8_t* p, uint32_t rgb) {
        p[0] = uint8_t(rgb);
        p[1] = uint8_t(rgb >> 8);
        p[2] = uint8_t(rgb >> 16);
    };
    // Four kinds of row: plain or on a grid line, each with or without the bars.
    std::vector<uint8_t> rows[2][2];
    for (int grid = 0; grid < 2; ++grid) {
        for (int bars = 0; bars < 2; ++bars) {
            std::vector<uint8_t>& row = rows[grid][bars];
            row.assign(kRowBytes, 0);
            for (int x = 0; x < kWidth; ++x) {
                bool inBars = bars && x >= kBarLeft && x < kBarLeft + 7 * kBarWidth;
                uint32_t c = inBars ? kBarColours[(x - kBarLeft) / kBarWidth]
                                    : (grid || x % kGridStep == 0 ? kGridColour : kPaperColour);
                pixel(&row[x * 3], c);
            }
        }
    }
    for (int y = 0; y < kHeight; ++y) {
        uint8_t* row = &dib[header + size_t(kHeight - 1 - y) * kRowBytes];
        bool bar = y >= kBarTop && y < kBarTop + kBarHeight;
        std::memcpy(row, rows[y % kGridStep == 0][bar].data(), kRowBytes);
    }
    for (const Rect& r : LitSegments(number)) {
        for (int y = r.top; y < r.bottom; ++y) {
            uint8_t* row = &dib[header + size_t(kHeight - 1 - y) * kRowBytes];
            for (int x = r.left; x < r.right; ++x)
                pixel(&row[x * 3], kInkColour);
        }
    }
    return dib;
}
