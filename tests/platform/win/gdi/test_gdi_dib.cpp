// Device-independent bitmaps: GetDIBits, CreateDIBitmap, StretchDIBits and
// the recording context of printers.
#include "platform/win/gdi/GdiRecording.h"
#include "platform/win/gdi/WinGdi.h"
#include "tests/platform/win/gdi/GdiTestSupport.h"
#include <gtest/gtest.h>

namespace {

// A 32-bit pixel value for position (x, y) that differs at every pixel.
uint32_t Distinct(int x, int y) { return 0xFF000000u | (uint32_t(x * 7 + 1) << 16) | (uint32_t(y * 5 + 2) << 8) | uint32_t((x + y) & 0xFF); }

void Paint(MemorySurface& s, int w, int h)
{
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            GdiBitmapBits(s.bitmap)[y * w + x] = Distinct(x, y);
}

} // namespace

TEST(GdiDib, GetDIBits24PadsRowsAndStoresThemBottomUp)
{
    const int w = 101, h = 3;
    MemorySurface s(w, h);
    Paint(s, w, h);
    DibBlock dib(w, h, 24);
    dib.Info()->bmiHeader.biSizeImage = 1; // whatever the caller says first
    ASSERT_NE(GetDIBits(s.dc, s.bitmap, 0, h, nullptr, dib.Info(), DIB_RGB_COLORS), 0);
    EXPECT_EQ(dib.Info()->bmiHeader.biSizeImage, 304u * h);
    ASSERT_EQ(GdiDibRowBytes(w, 24), 304u);
    std::fill(dib.bits.begin(), dib.bits.end(), 0xAB);
    ASSERT_EQ(GetDIBits(s.dc, s.bitmap, 0, h, dib.bits.data(), dib.Info(), DIB_RGB_COLORS), h);
    for (int y = 0; y < h; ++y) {
        const uint8_t* scan = dib.Scan(h - 1 - y);
        for (int x : { 0, 50, 100 }) {
            uint32_t p = Distinct(x, y);
            EXPECT_EQ(scan[3 * x], uint8_t(p));
            EXPECT_EQ(scan[3 * x + 1], uint8_t(p >> 8));
            EXPECT_EQ(scan[3 * x + 2], uint8_t(p >> 16));
        }
        EXPECT_EQ(scan[303], 0) << "pad byte";
    }
    // Asking for the bitmap's own format fills the header only.
    BITMAPINFO own {};
    own.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    ASSERT_NE(GetDIBits(s.dc, s.bitmap, 0, 0, nullptr, &own, DIB_RGB_COLORS), 0);
    EXPECT_EQ(own.bmiHeader.biWidth, w);
    EXPECT_EQ(own.bmiHeader.biHeight, h);
    EXPECT_EQ(own.bmiHeader.biBitCount, 32);
}

TEST(GdiDib, GetDIBits8OnAPaletteScreenUsesTheSystemPalette)
{
    GdiSetScreenPaletteDevice(true);
    MemorySurface s(3, 2);
    HDC screen = GetDC(nullptr);
    // A realised colour takes the first free entry, 10.
    LOGPALETTE log { 0x300, 1, { { 12, 34, 56, 0 } } };
    HPALETTE pal = CreatePalette(&log);
    HPALETTE old = SelectPalette(screen, pal, TRUE);
    RealizePalette(screen);
    SelectPalette(screen, old, TRUE);
    DeleteObject(pal);
    PALETTEENTRY sys[256];
    ASSERT_EQ(GetSystemPaletteEntries(screen, 0, 256, sys), 256u);
    const int picks[] = { 1, 10, 250 };
    for (int x = 0; x < 3; ++x)
        SetPixel(s.dc, x, 0, RGB(sys[picks[x]].peRed, sys[picks[x]].peGreen, sys[picks[x]].peBlue));
    DibBlock dib(3, 2, 8, 256);
    GetDIBits(s.dc, s.bitmap, 0, 2, nullptr, dib.Info(), DIB_RGB_COLORS);
    EXPECT_EQ(dib.Info()->bmiHeader.biSizeImage, 8u);
    for (int i : { 0, 9, 10, 255 }) {
        EXPECT_EQ(dib.Info()->bmiColors[i].rgbRed, sys[i].peRed) << i;
        EXPECT_EQ(dib.Info()->bmiColors[i].rgbBlue, sys[i].peBlue) << i;
    }
    ASSERT_EQ(GetDIBits(s.dc, s.bitmap, 0, 2, dib.bits.data(), dib.Info(), DIB_RGB_COLORS), 2);
    const uint8_t* top = dib.Scan(1);
    for (int x = 0; x < 3; ++x)
        EXPECT_EQ(top[x], picks[x]);
    ReleaseDC(nullptr, screen);
    GdiSetScreenPaletteDevice(false);
}

TEST(GdiDib, CreateDIBitmapReadsEveryDepthAndBothHeaders)
{
    // A 3 by 2 image: top-left red, bottom-right blue, the rest white.
    struct Case { int bpp; bool core; bool topDown; };
    const Case cases[] = {
        { 1, false, false }, { 4, false, false }, { 8, false, false }, { 24, false, false }, { 32, false, false },
        { 8, false, true }, { 24, false, true },
        { 1, true, false }, { 4, true, false }, { 8, true, false }, { 24, true, false },
    };
    for (const Case& c : cases) {
        const int w = 3, h = 2;
        uint32_t row = GdiDibRowBytes(w, c.bpp);
        std::vector<uint8_t> bits(row * h, 0);
        // Colour indexes: 0 white, 1 red (1 bit has only these two), 2 blue.
        auto put = [&](int x, int y, int index, COLORREF rgb) {
            int scan = c.topDown ? y : h - 1 - y;
            uint8_t* p = bits.data() + scan * row;
            switch (c.bpp) {
            case 1: if (index) p[x / 8] |= uint8_t(0x80 >> (x % 8)); break;
            case 4: p[x / 2] |= uint8_t(x % 2 ? index : index << 4); break;
            case 8: p[x] = uint8_t(index); break;
            default: {
                int bytes = c.bpp / 8;
                p[x * bytes] = GetBValue(rgb);
                p[x * bytes + 1] = GetGValue(rgb);
                p[x * bytes + 2] = GetRValue(rgb);
            }
            }
        };
        COLORREF white = RGB(255, 255, 255), red = RGB(255, 0, 0), blue = RGB(0, 0, 255);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                put(x, y, 0, white);
        put(0, 0, 1, red);
        if (c.bpp != 1)
            put(2, 1, 2, blue);
        std::vector<uint8_t> info(64 + 256 * 4, 0);
        COLORREF table[3] = { white, red, blue };
        if (c.core) {
            auto* hd = reinterpret_cast<BITMAPCOREHEADER*>(info.data());
            *hd = BITMAPCOREHEADER { 12, WORD(w), WORD(h), 1, WORD(c.bpp) };
            for (int i = 0; i < 3; ++i)
                reinterpret_cast<RGBTRIPLE*>(info.data() + 12)[i] = RGBTRIPLE { GetBValue(table[i]), GetGValue(table[i]), GetRValue(table[i]) };
        } else {
            auto* hd = reinterpret_cast<BITMAPINFOHEADER*>(info.data());
            *hd = BITMAPINFOHEADER { 40, w, c.topDown ? -h : h, 1, WORD(c.bpp), BI_RGB, 0, 0, 0, 0, 0 };
            for (int i = 0; i < 3; ++i)
                reinterpret_cast<RGBQUAD*>(info.data() + 40)[i] = RGBQUAD { GetBValue(table[i]), GetGValue(table[i]), GetRValue(table[i]), 0 };
        }
        HDC screen = GetDC(nullptr);
        HBITMAP bm = CreateDIBitmap(screen, reinterpret_cast<BITMAPINFOHEADER*>(info.data()), CBM_INIT, bits.data(),
            reinterpret_cast<BITMAPINFO*>(info.data()), DIB_RGB_COLORS);
        ReleaseDC(nullptr, screen);
        ASSERT_NE(bm, nullptr) << c.bpp << (c.core ? " core" : "");
        ASSERT_EQ(GdiBitmapWidth(bm), w);
        ASSERT_EQ(GdiBitmapHeight(bm), h);
        const uint32_t* px = GdiBitmapBits(bm);
        EXPECT_EQ(px[0], 0xFFFF0000u) << c.bpp << (c.core ? " core" : "") << (c.topDown ? " top-down" : "");
        EXPECT_EQ(px[1], 0xFFFFFFFFu) << c.bpp;
        if (c.bpp != 1) {
            EXPECT_EQ(px[5], 0xFF0000FFu) << c.bpp << (c.core ? " core" : "") << (c.topDown ? " top-down" : "");
        }
        DeleteObject(bm);
    }
}

TEST(GdiDib, CreateDIBitmapRefusesWhatItCannotRead)
{
    uint8_t bits[64] = {};
    struct Case { const char* what; BITMAPINFOHEADER h; };
    const Case cases[] = {
        { "two planes", { 40, 2, 2, 2, 24, BI_RGB, 0, 0, 0, 0, 0 } },
        { "7 bits", { 40, 2, 2, 1, 7, BI_RGB, 0, 0, 0, 0, 0 } },
        { "run-length", { 40, 2, 2, 1, 8, BI_RLE8, 0, 0, 0, 0, 0 } },
        { "short header", { 20, 2, 2, 1, 24, BI_RGB, 0, 0, 0, 0, 0 } },
        { "height INT_MIN", { 40, 2, INT32_MIN, 1, 24, BI_RGB, 0, 0, 0, 0, 0 } },
        { "4 GiB of pixels", { 40, 65536, 65536, 1, 32, BI_RGB, 0, 0, 0, 0, 0 } },
    };
    for (const Case& c : cases) {
        BITMAPINFO info {};
        info.bmiHeader = c.h;
        EXPECT_EQ(CreateDIBitmap(nullptr, &info.bmiHeader, CBM_INIT, bits, &info, DIB_RGB_COLORS), nullptr) << c.what;
    }
}

TEST(GdiDib, StretchDIBitsMapsDestinationPixelsToSourcePixels)
{
    // A 4 by 2 bottom-up 24-bit DIB with a distinct colour per pixel.
    const int w = 4, h = 2;
    DibBlock dib(w, h, 24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint32_t p = Distinct(x, y);
            uint8_t* q = dib.Scan(h - 1 - y) + 3 * x;
            q[0] = uint8_t(p);
            q[1] = uint8_t(p >> 8);
            q[2] = uint8_t(p >> 16);
        }
    struct Case { const char* what; int x, y, dw, dh; int sx, sy, sw, sh; int probeX, probeY, srcX, srcY; };
    const Case cases[] = {
        { "own size", 1, 1, 4, 2, 0, 0, 4, 2, 4, 2, 3, 1 },
        { "own size, origin", 1, 1, 4, 2, 0, 0, 4, 2, 1, 1, 0, 0 },
        { "doubled", 0, 0, 8, 4, 0, 0, 4, 2, 7, 3, 3, 1 },
        { "doubled, second pixel", 0, 0, 8, 4, 0, 0, 4, 2, 2, 1, 1, 0 },
        { "halved", 0, 0, 2, 1, 0, 0, 4, 2, 1, 0, 3, 1 },
        { "negative origin", -2, -1, 4, 2, 0, 0, 4, 2, 0, 0, 2, 1 },
        { "mirrored", 4, 0, -4, 2, 0, 0, 4, 2, 0, 0, 3, 0 },
        // Rows of a bottom-up DIB count from the bottom: ySrc 1 is the top row.
        { "source rectangle", 0, 0, 2, 1, 2, 1, 2, 1, 1, 0, 3, 0 },
    };
    for (const Case& c : cases) {
        MemorySurface s(10, 6);
        EXPECT_EQ(StretchDIBits(s.dc, c.x, c.y, c.dw, c.dh, c.sx, c.sy, c.sw, c.sh, dib.bits.data(), dib.Info(),
                      DIB_RGB_COLORS, SRCCOPY), c.sh) << c.what;
        EXPECT_EQ(s.At(c.probeX, c.probeY), Distinct(c.srcX, c.srcY)) << c.what;
    }
    // Nothing is drawn outside the destination rectangle or the device.
    MemorySurface s(5, 5);
    StretchDIBits(s.dc, 3, 3, 40, 40, 0, 0, w, h, dib.bits.data(), dib.Info(), DIB_RGB_COLORS, SRCCOPY);
    EXPECT_EQ(s.At(2, 2), 0u);
    EXPECT_EQ(s.At(4, 4), Distinct(0, 0));
    EXPECT_EQ(StretchDIBits(s.dc, 0, 0, 4, 2, 0, 0, 4, 2, dib.bits.data(), dib.Info(), DIB_RGB_COLORS, 0x00EE0086), 0)
        << "raster operations other than a copy are refused";
}

TEST(GdiDib, ARecordingContextKeepsTheImageInsteadOfRasterising)
{
    GdiRecording page(1000, 800, 600, 600);
    HDC dc = GdiCreateRecordingDC(&page);
    EXPECT_EQ(GetDeviceCaps(dc, HORZRES), 1000);
    EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSY), 600);
    EXPECT_EQ(GetDeviceCaps(dc, TECHNOLOGY), DT_RASPRINTER);
    EXPECT_EQ(GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE, 0);
    DibBlock dib(5, 3, 24);
    dib.Scan(2)[0] = 0x11; // top-left pixel's blue
    // The left two source columns lie outside the page: they are dropped,
    // and the destination shrinks with them.
    EXPECT_EQ(StretchDIBits(dc, -400, 100, 1000, 300, -2, 0, 7, 3, dib.bits.data(), dib.Info(), DIB_RGB_COLORS, SRCCOPY), 3);
    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    RECT r { 990, 790, 1200, 1200 };
    FillRect(dc, &r, brush);
    DeleteObject(brush);
    StretchDIBits(dc, 2000, 0, 10, 10, 0, 0, 5, 3, dib.bits.data(), dib.Info(), DIB_RGB_COLORS, SRCCOPY);
    DeleteDC(dc);

    ASSERT_EQ(page.Ops().size(), 2u) << "the image beyond the page is not kept";
    const GdiRecordedOp& image = page.Ops()[0];
    ASSERT_EQ(image.kind, GdiRecordedOp::Kind::Image);
    EXPECT_EQ(image.rect.left, -400 + 2 * 1000 / 7);
    EXPECT_EQ(image.rect.right, 600);
    EXPECT_EQ(image.rect.top, 100);
    EXPECT_EQ(image.rect.bottom, 400);
    EXPECT_EQ(image.clip.right, 1000);
    ASSERT_EQ(image.image->Width, 5);
    EXPECT_EQ(image.image->BitsPerPixel, 24);
    EXPECT_EQ(image.image->Step, 16);
    EXPECT_EQ(image.image->Row(0)[0], 0x11) << "stored top-down";
    const GdiRecordedOp& fill = page.Ops()[1];
    EXPECT_EQ(fill.kind, GdiRecordedOp::Kind::FillRect);
    EXPECT_EQ(fill.rect.right, 1000);
    EXPECT_EQ(fill.color, RGB(1, 2, 3));
}

TEST(GdiDib, ARecordingKeepsDibBitsFromTheGdiWithoutCopyingThem)
{
    GdiRecording page(100, 100, 600, 600);
    HDC dc = GdiCreateRecordingDC(&page);
    DibBlock dib(4, 3, 24);
    auto* bits = static_cast<uint8_t*>(GdiAllocDibBits(dib.bits.size()));
    ASSERT_NE(bits, nullptr);
    std::fill(bits, bits + dib.bits.size(), 0);
    bits[2 * 12] = 0x77; // the top row's first blue (bottom-up: scan line 2)
    StretchDIBits(dc, 0, 0, 8, 6, 0, 0, 4, 3, bits, dib.Info(), DIB_RGB_COLORS, SRCCOPY);
    // A buffer of its own is copied.
    dib.Scan(2)[0] = 0x55;
    StretchDIBits(dc, 0, 0, 8, 6, 0, 0, 4, 3, dib.bits.data(), dib.Info(), DIB_RGB_COLORS, SRCCOPY);
    DeleteDC(dc);
    const GdiRecordedImage& kept = *page.Ops()[0].image;
    EXPECT_EQ(kept.Row(0), bits + 24) << "the recording points into the block";
    EXPECT_EQ(kept.Step, -12);
    EXPECT_TRUE(GdiFreeDibBits(bits));
    EXPECT_FALSE(GdiFreeDibBits(bits)) << "freed once";
    EXPECT_EQ(kept.Row(0)[0], 0x77) << "still there after the caller let go";
    const GdiRecordedImage& copied = *page.Ops()[1].image;
    EXPECT_NE(copied.Row(0), dib.Scan(2));
    dib.Scan(2)[0] = 0;
    EXPECT_EQ(copied.Row(0)[0], 0x55);
    page.Clear();
    int dummy;
    EXPECT_FALSE(GdiFreeDibBits(&dummy));
}

TEST(GdiDib, GetDIBits8OnATrueColourScreenOffersAColourCube)
{
    MemorySurface s(2, 1);
    SetPixel(s.dc, 0, 0, RGB(102, 153, 204));
    SetPixel(s.dc, 1, 0, RGB(100, 150, 200));
    DibBlock dib(2, 1, 8, 256);
    ASSERT_EQ(GetDIBits(s.dc, s.bitmap, 0, 1, dib.bits.data(), dib.Info(), DIB_RGB_COLORS), 1);
    const RGBQUAD& exact = dib.Info()->bmiColors[dib.bits[0]];
    EXPECT_EQ(exact.rgbRed, 102);
    EXPECT_EQ(exact.rgbGreen, 153);
    EXPECT_EQ(exact.rgbBlue, 204);
    EXPECT_EQ(dib.bits[1], dib.bits[0]) << "the nearest colour";
}

TEST(GdiDib, ExtremeRectanglesAreClippedWithoutOverflow)
{
    DibBlock dib(2, 2, 24);
    dib.Scan(1)[2] = 0xFF; // top-left red
    MemorySurface s(4, 4);
    struct Case { int x, y, dw, dh, sx, sy, sw, sh; };
    const Case cases[] = {
        { INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, 0, 0, 2, 2 },
        { 0, 0, 4, 4, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX },
        { 3, 3, INT32_MIN, INT32_MIN, 0, 0, 2, 2 },
        { 0, 0, 4, 4, INT32_MAX, 0, INT32_MIN, 2 },
        { INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX, 0, 0, 2, 2 },
    };
    for (const Case& c : cases)
        StretchDIBits(s.dc, c.x, c.y, c.dw, c.dh, c.sx, c.sy, c.sw, c.sh, dib.bits.data(), dib.Info(), DIB_RGB_COLORS, SRCCOPY);
    // A 2 by 2 image stretched over 2^31 columns shows its left column near the start.
    MemorySurface t(4, 1);
    StretchDIBits(t.dc, -10, 0, INT32_MAX, 1, 0, 1, 2, 1, dib.bits.data(), dib.Info(), DIB_RGB_COLORS, SRCCOPY);
    EXPECT_EQ(t.At(0, 0), 0xFFFF0000u);
}
