// Raw SANE frames to a packed DIB: channel order, bottom-up rows, padding,
// 16-bit samples, line art, three separate colour frames, wasted bytes at the
// end of each line.
#include "twain/TDibLayout.h"
#include "twain/dsm/sources/sane/TSaneScan.h"
#include <gtest/gtest.h>

namespace {

struct Packed {
    std::vector<uint8_t> bytes;
    TDibLayout layout;
};

Packed Pack(SANE_Frame format, int depth, int width, int lines, int bytesPerLine,
            const std::vector<std::vector<uint8_t>>& frames, bool threePass = false)
{
    SANE_Parameters p {};
    p.format = format;
    p.depth = depth;
    p.pixels_per_line = width;
    p.lines = lines;
    p.bytes_per_line = bytesPerLine;
    std::vector<const uint8_t*> pointers;
    for (const auto& f : frames)
        pointers.push_back(f.data());
    HGLOBAL block = TSaneScan::Pack(p, lines, pointers, threePass);
    Packed result;
    if (!block)
        return result;
    auto* data = static_cast<const uint8_t*>(GlobalLock(block));
    result.bytes.assign(data, data + GlobalSize(block));
    GlobalUnlock(block);
    GlobalFree(block);
    AnsiString why;
    EXPECT_TRUE(TDibLayout::Check(result.bytes.data(), result.bytes.size(), result.layout, why)) << why;
    return result;
}

// The bytes of the pixel at (x, y), y counted from the top.
const uint8_t* At(const Packed& p, int x, int y)
{
    int rows = p.layout.height;
    size_t row = size_t(rows - 1 - y) * p.layout.rowBytes;
    return &p.bytes[p.layout.pixelOffset + row + size_t(x) * p.layout.bitCount / 8];
}

TEST(SanePack, RgbBecomesBottomUpBgrWithPaddedRows)
{
    // 2 by 2, one byte wasted at the end of each line.
    std::vector<uint8_t> raw = { 1, 2, 3, 4, 5, 6, 0xEE, 7, 8, 9, 10, 11, 12, 0xEE };
    Packed p = Pack(SANE_FRAME_RGB, 8, 2, 2, 7, { raw });
    ASSERT_FALSE(p.bytes.empty());
    EXPECT_EQ(p.layout.bitCount, 24);
    EXPECT_EQ(p.layout.rowBytes, 8u);
    const uint8_t* first = At(p, 0, 0);
    EXPECT_EQ(first[0], 3);
    EXPECT_EQ(first[1], 2);
    EXPECT_EQ(first[2], 1);
    const uint8_t* last = At(p, 1, 1);
    EXPECT_EQ(last[0], 12);
    EXPECT_EQ(last[2], 10);
    EXPECT_EQ(p.bytes[p.layout.pixelOffset + 6], 0) << "padding is zero";
}

TEST(SanePack, EveryPixelOfAWideRgbRow)
{
    for (int width : { 5, 6, 11, 21 }) {
        SCOPED_TRACE(width);
        int stride = width * 3 + 2;
        std::vector<uint8_t> raw(size_t(stride) * 2);
        for (size_t i = 0; i < raw.size(); ++i)
            raw[i] = uint8_t(i * 7 + 1);
        Packed p = Pack(SANE_FRAME_RGB, 8, width, 2, stride, { raw });
        ASSERT_FALSE(p.bytes.empty());
        for (int y = 0; y < 2; ++y) {
            for (int x = 0; x < width; ++x) {
                const uint8_t* in = &raw[size_t(y) * stride + size_t(x) * 3];
                const uint8_t* out = At(p, x, y);
                EXPECT_EQ(out[0], in[2]) << x << "," << y;
                EXPECT_EQ(out[1], in[1]) << x << "," << y;
                EXPECT_EQ(out[2], in[0]) << x << "," << y;
            }
        }
    }
}

TEST(SanePack, GreyDepthsAndLineArt)
{
    // 16 bits: the high byte of each native-endian sample.
    uint16_t words[] = { 0x1234, 0xABCD };
    std::vector<uint8_t> raw16(reinterpret_cast<uint8_t*>(words), reinterpret_cast<uint8_t*>(words) + 4);
    Packed grey16 = Pack(SANE_FRAME_GRAY, 16, 2, 1, 4, { raw16 });
    ASSERT_FALSE(grey16.bytes.empty());
    EXPECT_EQ(grey16.layout.bitCount, 8);
    EXPECT_EQ(grey16.layout.colorCount, 256u);
    EXPECT_EQ(*At(grey16, 0, 0), 0x12);
    EXPECT_EQ(*At(grey16, 1, 0), 0xAB);
    EXPECT_EQ(grey16.bytes[40 + 4 * 0x80], 0x80) << "grey palette";

    Packed art = Pack(SANE_FRAME_GRAY, 1, 10, 1, 2, { { 0xA5, 0xC0 } });
    ASSERT_FALSE(art.bytes.empty());
    EXPECT_EQ(art.layout.bitCount, 1);
    EXPECT_EQ(art.bytes[art.layout.pixelOffset], 0xA5);
    EXPECT_EQ(art.bytes[40], 0xFF) << "index 0 is white";
    EXPECT_EQ(art.bytes[44], 0x00) << "index 1 (a set bit) is black";
}

TEST(SanePack, ThreeColourFrames)
{
    Packed p = Pack(SANE_FRAME_RED, 8, 1, 1, 1, { { 0x10 }, { 0x20 }, { 0x30 } }, true);
    ASSERT_FALSE(p.bytes.empty());
    const uint8_t* px = At(p, 0, 0);
    EXPECT_EQ(px[0], 0x30);
    EXPECT_EQ(px[1], 0x20);
    EXPECT_EQ(px[2], 0x10);
}

TEST(SanePack, RefusesParametersThatDoNotAddUp)
{
    std::vector<uint8_t> raw(64, 0);
    EXPECT_TRUE(Pack(SANE_FRAME_RGB, 8, 4, 2, 11, { raw }).bytes.empty()) << "line shorter than its pixels";
    EXPECT_TRUE(Pack(SANE_FRAME_RGB, 1, 4, 2, 12, { raw }).bytes.empty()) << "1-bit colour";
    EXPECT_TRUE(Pack(SANE_FRAME_GRAY, 8, 0, 2, 4, { raw }).bytes.empty());
}

}
