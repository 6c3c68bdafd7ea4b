// StretchDrawDIB: the DIB it builds, what reaches the target, and that the
// bitmap gets its image and palette back on every path.
#include "platform/win/gdi/GdiRecording.h"
#include "print/TPrintDIB.h"
#include <cstring>
#include <gtest/gtest.h>
#include <map>
#include <vector>

namespace {

// Keeps a copy of every block when it is freed, and can make the n-th allocation fail.
class ProbedPrintDIB : public TPrintDIB {
public:
    std::vector<size_t> sizes;
    std::map<void*, size_t> live;
    std::vector<std::vector<uint8_t>> freed;
    int failAt { 0 }; // 1-based allocation to fail, 0 for none

protected:
    void* AllocBlock(size_t size) override
    {
        sizes.push_back(size);
        if (failAt == static_cast<int>(sizes.size()))
            throw Exception("Out of memory");
        void* p = TPrintDIB::AllocBlock(size);
        live[p] = size;
        return p;
    }
    void FreeBlock(void* block) override
    {
        auto* bytes = static_cast<uint8_t*>(block);
        freed.emplace_back(bytes, bytes + live.at(block));
        live.erase(block);
        TPrintDIB::FreeBlock(block);
    }
};

// A picture with a distinct colour per pixel.
void Paint(TBitmap& b, int w, int h)
{
    b.SetSize(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.Canvas()->SetPixel(x, y, TColor(RGB(x * 2, y * 3, (x ^ y) & 0xFF)));
}

BITMAPINFOHEADER HeaderOf(const std::vector<uint8_t>& block)
{
    BITMAPINFOHEADER h;
    std::memcpy(&h, block.data(), sizeof h);
    return h;
}

struct RecordingCanvas {
    GdiRecording page { 2000, 3000, 600, 600 };
    HDC dc { GdiCreateRecordingDC(&page) };
    TCanvas canvas;
    RecordingCanvas() { canvas.SetHandle(dc); }
    ~RecordingCanvas()
    {
        canvas.SetHandle(nullptr);
        DeleteDC(dc);
    }
};

class PrintDIB : public ::testing::Test {
protected:
    void TearDown() override { GdiSetScreenPaletteDevice(false); }
};

} // namespace

TEST_F(PrintDIB, A24BitDibHasPaddedRowsAndTheBufferHoldsThemAll)
{
    TBitmap bitmap;
    Paint(bitmap, 101, 7);
    RecordingCanvas target;
    ProbedPrintDIB dib;
    dib.StretchDrawDIB(&target.canvas, 10, 20, 300, 400, &bitmap);
    ASSERT_EQ(dib.sizes, (std::vector<size_t> { 44, 304 * 7 }));
    EXPECT_TRUE(dib.live.empty()) << "every block is freed";
    // Freed in the order bits, header.
    ASSERT_EQ(dib.freed.size(), 2u);
    BITMAPINFOHEADER h = HeaderOf(dib.freed[1]);
    EXPECT_EQ(h.biSize, 40u);
    EXPECT_EQ(h.biWidth, 101);
    EXPECT_EQ(h.biHeight, 7);
    EXPECT_EQ(h.biPlanes, 1);
    EXPECT_EQ(h.biBitCount, 24);
    EXPECT_EQ(h.biCompression, BI_RGB);
    EXPECT_EQ(h.biSizeImage, 304u * 7);
    EXPECT_EQ(h.biClrUsed, 0u);
    // The last row of the buffer is the top row of the picture (bottom-up).
    const uint8_t* top = dib.freed[0].data() + 6 * 304;
    EXPECT_EQ(top[3 * 100 + 2], 200) << "red of (100, 0)";
    // The printer page got the image once, where it was asked to go.
    ASSERT_EQ(target.page.Ops().size(), 1u);
    const GdiRecordedOp& op = target.page.Ops()[0];
    EXPECT_EQ(op.rect.left, 10);
    EXPECT_EQ(op.rect.top, 20);
    EXPECT_EQ(op.rect.right, 310);
    EXPECT_EQ(op.rect.bottom, 420);
    EXPECT_EQ(op.image->Width, 101);
    EXPECT_EQ(op.image->BitsPerPixel, 24);
}

TEST_F(PrintDIB, ARectangleOfTheBitmapsOwnSizeReproducesItAndTheBitmapDrawsAgain)
{
    TBitmap source, target;
    Paint(source, 13, 9);
    target.SetSize(20, 18);
    HBITMAP image = source.Handle();
    TPrintDIB dib;
    dib.StretchDrawDIB(target.Canvas(), 3, 1, 13, 9, &source);
    EXPECT_EQ(source.Handle(), image) << "the bitmap has its own image back";
    // Drawn a second time, partly off the device: the visible part matches too.
    dib.StretchDrawDIB(target.Canvas(), -6, 10, 13, 9, &source);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 13; ++x) {
            ASSERT_EQ(target.Canvas()->Pixels(x + 3, y + 1), source.Canvas()->Pixels(x, y)) << x << "," << y;
            if (x >= 6 && y < 8) {
                ASSERT_EQ(target.Canvas()->Pixels(x - 6, y + 10), source.Canvas()->Pixels(x, y)) << x << "," << y;
            }
        }
    EXPECT_EQ(target.Canvas()->Pixels(2, 1), clBlack);
    EXPECT_EQ(target.Canvas()->Pixels(16, 1), clBlack);
}

TEST_F(PrintDIB, OnAPaletteScreenTheDibIs8BitWithTheSystemPaletteAsColours)
{
    GdiSetScreenPaletteDevice(true);
    TBitmap bitmap;
    bitmap.SetSize(4, 2);
    const COLORREF a = RGB(11, 22, 33), b = RGB(44, 55, 66);
    for (int x = 0; x < 4; ++x) {
        bitmap.Canvas()->SetPixel(x, 0, TColor(a));
        bitmap.Canvas()->SetPixel(x, 1, TColor(x < 2 ? b : RGB(255, 255, 255)));
    }
    std::vector<uint8_t> block(sizeof(LOGPALETTE) + 2 * sizeof(PALETTEENTRY));
    auto* log = reinterpret_cast<LOGPALETTE*>(block.data());
    log->palVersion = 0x300;
    log->palNumEntries = 2;
    log->palPalEntry[0] = PALETTEENTRY { 11, 22, 33, 0 };
    log->palPalEntry[1] = PALETTEENTRY { 44, 55, 66, 0 };
    bitmap.SetPalette(CreatePalette(log));
    HPALETTE palette = bitmap.Palette();

    RecordingCanvas target;
    ProbedPrintDIB dib;
    dib.StretchDrawDIB(&target.canvas, 0, 0, 40, 20, &bitmap);
    EXPECT_EQ(bitmap.Palette(), palette);
    ASSERT_EQ(dib.sizes, (std::vector<size_t> { 1064, 8, 1024 }));
    BITMAPINFOHEADER h = HeaderOf(dib.freed.back());
    EXPECT_EQ(h.biBitCount, 8);
    EXPECT_EQ(h.biClrUsed, 256u);
    EXPECT_EQ(h.biClrImportant, 256u);

    HDC screen = GetDC(nullptr);
    PALETTEENTRY sys[256];
    ASSERT_EQ(GetSystemPaletteEntries(screen, 0, 256, sys), 256u);
    ReleaseDC(nullptr, screen);
    // The bitmap's colours were realised into the free entries 10 and 11.
    EXPECT_EQ(sys[10].peRed, 11);
    EXPECT_EQ(sys[11].peBlue, 66);
    const auto* table = reinterpret_cast<const RGBQUAD*>(dib.freed.back().data() + 40);
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(table[i].rgbRed, sys[i].peRed) << i;
        ASSERT_EQ(table[i].rgbGreen, sys[i].peGreen) << i;
        ASSERT_EQ(table[i].rgbBlue, sys[i].peBlue) << i;
    }
    ASSERT_EQ(target.page.Ops().size(), 1u);
    const GdiRecordedImage& image = *target.page.Ops()[0].image;
    EXPECT_EQ(image.BitsPerPixel, 8);
    EXPECT_EQ(image.Row(0)[0], 10);
    EXPECT_EQ(image.Row(1)[1], 11);
    EXPECT_EQ(image.Row(1)[3], 255) << "white is the last static colour";
}

TEST_F(PrintDIB, EveryFailedAllocationGivesTheBitmapBackAndFreesWhatWasTaken)
{
    for (bool paletteScreen : { false, true }) {
        GdiSetScreenPaletteDevice(paletteScreen);
        for (int failAt = 1; failAt <= (paletteScreen ? 3 : 2); ++failAt) {
            TBitmap bitmap;
            Paint(bitmap, 5, 5);
            LOGPALETTE log { 0x300, 1, { { 1, 2, 3, 0 } } };
            bitmap.SetPalette(CreatePalette(&log));
            HBITMAP image = bitmap.Handle();
            HPALETTE palette = bitmap.Palette();
            int objects = GdiLiveObjectCount();
            RecordingCanvas target;
            ProbedPrintDIB dib;
            dib.failAt = failAt;
            EXPECT_THROW(dib.StretchDrawDIB(&target.canvas, 0, 0, 5, 5, &bitmap), Exception);
            EXPECT_EQ(bitmap.Handle(), image) << failAt;
            EXPECT_EQ(bitmap.Palette(), palette) << failAt;
            EXPECT_TRUE(dib.live.empty()) << failAt;
            EXPECT_EQ(GdiLiveObjectCount(), objects + 1) << "only the target's context: the screen's was released";
            EXPECT_TRUE(target.page.Ops().empty());
            EXPECT_EQ(bitmap.Canvas()->Pixels(4, 4), TColor(RGB(8, 12, 0)));
        }
    }
}

TEST_F(PrintDIB, ABitmapWithoutAnImageDrawsNothing)
{
    TBitmap empty;
    RecordingCanvas target;
    TPrintDIB dib;
    dib.StretchDrawDIB(&target.canvas, 0, 0, 100, 100, &empty);
    EXPECT_TRUE(target.page.Ops().empty());
    EXPECT_TRUE(empty.Empty());
}
