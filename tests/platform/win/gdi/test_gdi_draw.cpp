// Raster rules of the drawing calls: half-open areas, lines without their end
// point, opaque pixels, clipping, flood fill, and handle bookkeeping.
#include "platform/win/gdi/WinGdi.h"
#include "tests/platform/win/gdi/GdiTestSupport.h"
#include <gtest/gtest.h>

namespace {

constexpr uint32_t kRed = 0xFFFF0000u;
constexpr uint32_t kWhite = 0xFFFFFFFFu;

void SelectPen(HDC dc, COLORREF color, int width = 1)
{
    DeleteObject(SelectObject(dc, CreatePen(PS_SOLID, width, color)));
}

} // namespace

TEST(GdiDraw, ANewBitmapIsTransparentButReadsAsBlackAndDrawingIsOpaque)
{
    MemorySurface s(4, 3);
    EXPECT_EQ(s.At(2, 1), 0u);
    EXPECT_EQ(GetPixel(s.dc, 2, 1), RGB(0, 0, 0));
    SetPixel(s.dc, 2, 1, RGB(1, 2, 3));
    EXPECT_EQ(s.At(2, 1), 0xFF010203u);
    EXPECT_EQ(GetPixel(s.dc, 2, 1), RGB(1, 2, 3));
    EXPECT_EQ(GetPixel(s.dc, 4, 0), CLR_INVALID);
    EXPECT_EQ(GetPixel(s.dc, -1, 0), CLR_INVALID);
}

TEST(GdiDraw, FillRectLeavesOutTheRightAndBottomEdges)
{
    MemorySurface s(10, 10);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    RECT r { 2, 3, 5, 7 };
    FillRect(s.dc, &r, red);
    DeleteObject(red);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            EXPECT_EQ(s.At(x, y) == kRed, x >= 2 && x < 5 && y >= 3 && y < 7) << x << "," << y;
}

TEST(GdiDraw, LinesLeaveOutTheirEndPoint)
{
    struct Case { int x0, y0, x1, y1; std::vector<POINT> painted; POINT notPainted; };
    const Case cases[] = {
        { 1, 1, 5, 1, { { 1, 1 }, { 4, 1 } }, { 5, 1 } },  // horizontal
        { 5, 2, 1, 2, { { 5, 2 }, { 2, 2 } }, { 1, 2 } },  // leftwards
        { 3, 0, 3, 4, { { 3, 0 }, { 3, 3 } }, { 3, 4 } },  // vertical
        { 0, 0, 4, 4, { { 0, 0 }, { 3, 3 } }, { 4, 4 } },  // diagonal
        { 6, 6, 7, 7, { { 6, 6 } }, { 7, 7 } },            // the one-pixel dot of the plotter
    };
    for (const Case& c : cases) {
        MemorySurface s(10, 10);
        SelectPen(s.dc, RGB(255, 0, 0));
        MoveToEx(s.dc, c.x0, c.y0, nullptr);
        LineTo(s.dc, c.x1, c.y1);
        for (POINT p : c.painted)
            EXPECT_EQ(s.At(p.x, p.y), kRed) << c.x0 << "," << c.y0 << "->" << c.x1 << "," << c.y1 << " at " << p.x << "," << p.y;
        EXPECT_EQ(s.At(c.notPainted.x, c.notPainted.y), 0u);
        POINT pos;
        GetCurrentPositionEx(s.dc, &pos);
        EXPECT_EQ(pos.x, c.x1);
        EXPECT_EQ(pos.y, c.y1);
    }
}

TEST(GdiDraw, LinesFarOutsideTheSurfaceAreClippedNotWalked)
{
    MemorySurface s(10, 10);
    SelectPen(s.dc, RGB(255, 0, 0));
    MoveToEx(s.dc, 3, -2000000000, nullptr);
    LineTo(s.dc, 3, 2000000000);
    MoveToEx(s.dc, -2000000000, -1999999990, nullptr);
    LineTo(s.dc, 2000000000, 2000000000);
    EXPECT_EQ(s.At(3, 0), kRed);
    EXPECT_EQ(s.At(3, 9), kRed);
}

TEST(GdiDraw, ClipRectAndViewportOriginApplyToEveryCall)
{
    MemorySurface s(10, 10);
    IntersectClipRect(s.dc, 2, 2, 8, 8);
    IntersectClipRect(s.dc, 0, 0, 6, 6); // narrows to 2..6
    s.Fill(RGB(255, 255, 255));
    EXPECT_EQ(s.At(1, 1), 0u);
    EXPECT_EQ(s.At(2, 2), kWhite);
    EXPECT_EQ(s.At(5, 5), kWhite);
    EXPECT_EQ(s.At(6, 6), 0u);
    RECT box;
    EXPECT_EQ(GetClipBox(s.dc, &box), SIMPLEREGION);
    EXPECT_EQ(box.left, 2);
    EXPECT_EQ(box.right, 6);
    SelectClipRgn(s.dc, nullptr);
    SetViewportOrgEx(s.dc, 3, 4, nullptr);
    SetPixel(s.dc, 0, 0, RGB(255, 0, 0));
    EXPECT_EQ(s.At(3, 4), kRed);
    EXPECT_EQ(GetPixel(s.dc, 0, 0), RGB(255, 0, 0));
}

TEST(GdiDraw, RectangleOutlinesWithThePenAndFillsInsideWithTheBrush)
{
    MemorySurface s(8, 8);
    SelectPen(s.dc, RGB(255, 0, 0));
    HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
    HGDIOBJ old = SelectObject(s.dc, white);
    Rectangle(s.dc, 1, 1, 6, 5);
    EXPECT_EQ(s.At(1, 1), kRed);
    EXPECT_EQ(s.At(5, 4), kRed);
    EXPECT_EQ(s.At(6, 4), 0u);
    EXPECT_EQ(s.At(2, 2), kWhite);
    EXPECT_EQ(s.At(4, 3), kWhite);
    SelectObject(s.dc, old);
    DeleteObject(white);
}

TEST(GdiDraw, FloodFillBorderAndSurfaceModes)
{
    // A red ring around (5, 5) on white; a white island outside it.
    auto ring = [](MemorySurface& s) {
        s.Fill(RGB(255, 255, 255));
        SelectPen(s.dc, RGB(255, 0, 0));
        MoveToEx(s.dc, 2, 2, nullptr);
        LineTo(s.dc, 8, 2);
        LineTo(s.dc, 8, 8);
        LineTo(s.dc, 2, 8);
        LineTo(s.dc, 2, 2);
    };
    HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
    {
        MemorySurface s(12, 12);
        ring(s);
        SelectObject(s.dc, blue);
        // Border mode paints up to the red pixels and never across them.
        EXPECT_TRUE(ExtFloodFill(s.dc, 5, 5, RGB(255, 0, 0), FLOODFILLBORDER));
        EXPECT_EQ(GetPixel(s.dc, 5, 5), RGB(0, 0, 255));
        EXPECT_EQ(GetPixel(s.dc, 3, 7), RGB(0, 0, 255));
        EXPECT_EQ(GetPixel(s.dc, 2, 5), RGB(255, 0, 0));
        EXPECT_EQ(GetPixel(s.dc, 0, 0), RGB(255, 255, 255));
        // Starting on the border colour paints nothing.
        EXPECT_FALSE(ExtFloodFill(s.dc, 2, 2, RGB(255, 0, 0), FLOODFILLBORDER));
        SelectObject(s.dc, GetStockObject(WHITE_BRUSH));
    }
    {
        MemorySurface s(12, 12);
        ring(s);
        SelectObject(s.dc, blue);
        // Surface mode paints the connected white outside the ring only.
        EXPECT_TRUE(ExtFloodFill(s.dc, 0, 0, RGB(255, 255, 255), FLOODFILLSURFACE));
        EXPECT_EQ(GetPixel(s.dc, 11, 11), RGB(0, 0, 255));
        EXPECT_EQ(GetPixel(s.dc, 5, 5), RGB(255, 255, 255));
        EXPECT_FALSE(ExtFloodFill(s.dc, 2, 2, RGB(255, 255, 255), FLOODFILLSURFACE));
        SelectObject(s.dc, GetStockObject(WHITE_BRUSH));
    }
    {
        // Border mode with the brush in the border colour: the painted area
        // must not be visited twice (and the call must end).
        MemorySurface s(12, 12);
        s.Fill(RGB(0, 0, 0));
        HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
        SelectObject(s.dc, red);
        EXPECT_TRUE(ExtFloodFill(s.dc, 5, 5, RGB(0, 255, 0), FLOODFILLBORDER));
        EXPECT_EQ(GetPixel(s.dc, 11, 0), RGB(255, 0, 0));
        SelectObject(s.dc, GetStockObject(WHITE_BRUSH));
        DeleteObject(red);
    }
    DeleteObject(blue);
}

TEST(GdiDraw, HandlesAreCheckedAndSelectedObjectsAreNotDeleted)
{
    int before = GdiLiveObjectCount();
    {
        MemorySurface s(2, 2);
        EXPECT_FALSE(DeleteObject(s.bitmap)) << "a bitmap in a context stays";
        HDC other = CreateCompatibleDC(nullptr);
        EXPECT_EQ(SelectObject(other, s.bitmap), nullptr) << "one context at a time";
        DeleteDC(other);
        EXPECT_EQ(GetDeviceCaps(s.dc, BITSPIXEL), 32);
    }
    EXPECT_EQ(GdiLiveObjectCount(), before);
    HBRUSH brush = CreateSolidBrush(0);
    ASSERT_TRUE(DeleteObject(brush));
    EXPECT_FALSE(DeleteObject(brush)) << "a stale handle is refused";
    RECT r { 0, 0, 1, 1 };
    HDC dc = CreateCompatibleDC(nullptr);
    EXPECT_EQ(FillRect(dc, &r, brush), 0);
    DeleteDC(dc);
    EXPECT_FALSE(GdiIsDC(dc));
    EXPECT_EQ(GetDeviceCaps(dc, RASTERCAPS), 0);
}

TEST(GdiDraw, TheScreenIsTrueColourUnlessSwitchedToAPaletteDevice)
{
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(GetDeviceCaps(screen, RASTERCAPS) & RC_PALETTE, 0);
    PALETTEENTRY e[4];
    EXPECT_EQ(GetSystemPaletteEntries(screen, 0, 4, e), 0u);
    GdiSetScreenPaletteDevice(true);
    EXPECT_EQ(GetDeviceCaps(screen, RASTERCAPS) & RC_PALETTE, RC_PALETTE);
    EXPECT_EQ(GetDeviceCaps(screen, SIZEPALETTE), 256);
    ASSERT_EQ(GetSystemPaletteEntries(screen, 254, 10, e), 2u);
    EXPECT_EQ(e[1].peRed, 255); // white at the top
    EXPECT_EQ(e[1].peBlue, 255);

    // A realised palette's colours land in free entries; a colour the system
    // palette has already is not placed again.
    std::vector<uint8_t> block(sizeof(LOGPALETTE) + 2 * sizeof(PALETTEENTRY));
    auto* log = reinterpret_cast<LOGPALETTE*>(block.data());
    log->palVersion = 0x300;
    log->palNumEntries = 2;
    log->palPalEntry[0] = PALETTEENTRY { 12, 34, 56, 0 };
    log->palPalEntry[1] = PALETTEENTRY { 255, 255, 255, 0 };
    HPALETTE pal = CreatePalette(log);
    HPALETTE old = SelectPalette(screen, pal, TRUE);
    EXPECT_EQ(old, static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)));
    EXPECT_EQ(RealizePalette(screen), 1u);
    ASSERT_EQ(GetSystemPaletteEntries(screen, 10, 1, e), 1u);
    EXPECT_EQ(e[0].peRed, 12);
    EXPECT_EQ(e[0].peGreen, 34);
    EXPECT_EQ(e[0].peBlue, 56);
    EXPECT_EQ(SelectPalette(screen, old, TRUE), pal);
    EXPECT_TRUE(DeleteObject(pal));
    GdiSetScreenPaletteDevice(false);
    ReleaseDC(nullptr, screen);
}
