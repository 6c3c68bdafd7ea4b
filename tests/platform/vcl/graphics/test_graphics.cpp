// Canvas, bitmap and picture of the class library over the GDI subset.
#include "platform/vcl/graphics/TBitmap.h"
#include "platform/vcl/graphics/TCanvas.h"
#include "platform/vcl/graphics/TColor.h"
#include "platform/vcl/graphics/TPicture.h"
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

namespace fs = std::filesystem;

namespace {

fs::path TempFolder(const char* name)
{
    const char* prefix = std::getenv("VELMORA_PREFIX");
    fs::path dir = fs::path(prefix ? prefix : "/tmp") / name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

std::string ReadAll(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace

TEST(Graphics, ColourValuesHaveRedInTheLowByte)
{
    EXPECT_EQ(clRed, 0x0000FF);
    EXPECT_EQ(clLime, 0x00FF00);
    EXPECT_EQ(clBlue, 0xFF0000);
    EXPECT_EQ(clSilver, 0xC0C0C0);
    EXPECT_EQ(clNavy, 0x800000);
    EXPECT_EQ(TColor(RGB(0x12, 0x34, 0x56)), 0x563412);
    EXPECT_EQ(ColorToRGB(clBtnFace), RGB(240, 240, 240));
    EXPECT_EQ(ColorToRGB(clRed), RGB(255, 0, 0));
}

TEST(Graphics, CanvasDrawsWithItsPenAndBrush)
{
    TBitmap bitmap;
    bitmap.SetSize(10, 10);
    TCanvas* c = bitmap.Canvas();
    c->Brush()->SetColor(clYellow);
    c->FillRect(Rect(0, 0, 5, 5));
    EXPECT_EQ(c->Pixels(4, 4), clYellow);
    EXPECT_EQ(c->Pixels(5, 4), clBlack);
    c->Pen()->SetColor(clRed);
    c->MoveTo(0, 7);
    c->LineTo(6, 7);
    EXPECT_EQ(c->Pixels(5, 7), clRed);
    EXPECT_EQ(c->Pixels(6, 7), clBlack);
    EXPECT_EQ(c->PenPos(), Point(6, 7));
    // Changing the pen between calls takes effect at once.
    c->Pen()->SetColor(clBlue);
    c->LineTo(6, 9);
    EXPECT_EQ(c->Pixels(6, 8), clBlue);
    c->Brush()->SetColor(clLime);
    c->FloodFill(9, 0, clYellow, fsBorder);
    EXPECT_EQ(c->Pixels(9, 9), clLime);
    EXPECT_EQ(c->Pixels(2, 2), clYellow);
    EXPECT_EQ(c->Pixels(6, 8), clLime) << "only yellow stops the fill: it paints over the blue line";
    c->SetPixel(0, 9, clWhite);
    EXPECT_EQ(c->Pixels(0, 9), clWhite);
    EXPECT_EQ(c->Pixels(10, 0), -1);
}

TEST(Graphics, ACanvasOnAForeignContextLeavesItAsItFoundIt)
{
    TBitmap target;
    target.SetSize(4, 4);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ original = SelectObject(dc, target.ReleaseHandle());
    HGDIOBJ pen = GetCurrentObject(dc, OBJ_PEN);
    {
        TCanvas canvas;
        canvas.SetHandle(dc);
        canvas.Pen()->SetColor(clRed);
        canvas.MoveTo(0, 0);
        canvas.LineTo(3, 0);
        EXPECT_EQ(GetPixel(dc, 1, 0), RGB(255, 0, 0));
    }
    EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), pen);
    target.SetHandle(static_cast<HBITMAP>(SelectObject(dc, original)));
    DeleteDC(dc);
}

TEST(Graphics, ResizingKeepsTheSharedPixels)
{
    TBitmap b;
    b.SetSize(3, 3);
    b.Canvas()->SetPixel(2, 2, clRed);
    b.Canvas()->SetPixel(0, 0, clBlue);
    b.SetSize(5, 2);
    EXPECT_EQ(b.Canvas()->Pixels(0, 0), clBlue);
    EXPECT_EQ(b.Canvas()->Pixels(4, 1), clBlack);
    b.SetHeight(0);
    EXPECT_TRUE(b.Empty());
    EXPECT_EQ(b.Handle(), nullptr);
}

TEST(Graphics, HandleAndPaletteChangeOwnersWithoutLeaks)
{
    int before = GdiLiveObjectCount();
    {
        TBitmap b;
        int changes = 0;
        b.OnChange = [&](TObject* sender) {
            EXPECT_EQ(sender, &b);
            ++changes;
        };
        b.SetSize(6, 4);
        b.Canvas()->SetPixel(1, 1, clRed);
        LOGPALETTE log { 0x300, 1, { { 1, 2, 3, 0 } } };
        b.SetPalette(CreatePalette(&log));
        HBITMAP image = b.ReleaseHandle();
        HPALETTE palette = b.ReleasePalette();
        EXPECT_EQ(b.Handle(), nullptr);
        EXPECT_EQ(b.Palette(), nullptr);
        EXPECT_EQ(b.Width(), 0);
        // The released handles are free: nothing of the bitmap holds them.
        HDC dc = CreateCompatibleDC(nullptr);
        EXPECT_NE(SelectObject(dc, image), nullptr);
        SelectObject(dc, GetCurrentObject(b.Canvas()->Handle(), OBJ_BITMAP));
        DeleteDC(dc);
        int beforeGive = changes;
        b.SetHandle(image);
        b.SetPalette(palette);
        EXPECT_EQ(changes, beforeGive + 2);
        EXPECT_EQ(b.Width(), 6);
        EXPECT_EQ(b.Canvas()->Pixels(1, 1), clRed) << "the canvas draws on the handed-back image";
        // A new handle replaces (and frees) the old one.
        HDC screen = GetDC(nullptr);
        b.SetHandle(CreateCompatibleBitmap(screen, 2, 2));
        ReleaseDC(nullptr, screen);
        EXPECT_EQ(b.Width(), 2);
        EXPECT_FALSE(GdiIsObject(image));
    }
    EXPECT_EQ(GdiLiveObjectCount(), before);
}

TEST(Graphics, AssignCopiesImageAndPalette)
{
    TBitmap a, b;
    a.SetSize(2, 2);
    a.Canvas()->SetPixel(1, 0, clLime);
    LOGPALETTE log { 0x300, 1, { { 9, 8, 7, 0 } } };
    a.SetPalette(CreatePalette(&log));
    b.Assign(a);
    a.Canvas()->SetPixel(1, 0, clRed);
    EXPECT_EQ(b.Canvas()->Pixels(1, 0), clLime);
    ASSERT_NE(b.Palette(), nullptr);
    EXPECT_NE(b.Palette(), a.Palette());
    PALETTEENTRY e;
    GetPaletteEntries(b.Palette(), 0, 1, &e);
    EXPECT_EQ(e.peRed, 9);
    b.Assign(nullptr);
    EXPECT_TRUE(b.Empty());
}

TEST(Graphics, BmpFilesAre24BitBottomUpAndReadBack)
{
    fs::path dir = TempFolder("bmp");
    TBitmap b;
    b.SetSize(3, 2);
    b.Canvas()->SetPixel(0, 0, TColor(RGB(10, 20, 30)));
    b.Canvas()->SetPixel(2, 1, TColor(RGB(40, 50, 60)));
    b.SaveToFile((dir / "a.bmp").string());
    std::string bytes = ReadAll(dir / "a.bmp");
    ASSERT_EQ(bytes.size(), 14u + 40 + 2 * 12);
    EXPECT_EQ(bytes.substr(0, 2), "BM");
    auto u8 = [&](size_t i) { return static_cast<uint8_t>(bytes[i]); };
    EXPECT_EQ(u8(10), 54) << "pixels right after the header";
    EXPECT_EQ(u8(14 + 14), 24) << "bits per pixel";
    // Bottom row first: (2, 1) is in the first scan line, (0, 0) in the second.
    EXPECT_EQ(u8(54 + 6), 60);
    EXPECT_EQ(u8(54 + 7), 50);
    EXPECT_EQ(u8(54 + 8), 40);
    EXPECT_EQ(u8(54 + 12), 30);
    EXPECT_EQ(u8(54 + 14), 10);
    EXPECT_EQ(u8(54 + 9), 0) << "padding";

    TBitmap c;
    c.LoadFromFile((dir / "a.bmp").string());
    EXPECT_EQ(c.Width(), 3);
    EXPECT_EQ(c.Canvas()->Pixels(2, 1), TColor(RGB(40, 50, 60)));

    for (const char* bad : { "", "BM", "XX0123456789012345678901234567890123456789012345678901234" }) {
        EXPECT_THROW(c.LoadFromBytes(bad), EInvalidGraphic);
    }
    std::string truncated = bytes.substr(0, bytes.size() - 1);
    EXPECT_THROW(c.LoadFromBytes(truncated), EInvalidGraphic);
    EXPECT_EQ(c.Width(), 3) << "a failed load keeps the image";
    EXPECT_THROW(c.LoadFromFile((dir / "missing.bmp").string()), EInOutError);
}

TEST(Graphics, APictureWithoutAnImageWritesNothingAndAFailedWriteKeepsTheOldFile)
{
    fs::path dir = TempFolder("picture");
    TPicture picture;
    picture.SaveToFile((dir / "none.bmp").string());
    picture.Bitmap(); // an empty bitmap is still no image
    picture.SaveToFile((dir / "none.bmp").string());
    EXPECT_FALSE(fs::exists(dir / "none.bmp"));

    int changes = 0;
    picture.OnChange = [&](TObject*) { ++changes; };
    picture.Bitmap()->SetSize(4, 4);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(picture.Width(), 4);
    std::ofstream(dir / "old.bmp") << "old";
    fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
    bool writable = ::access(dir.c_str(), W_OK) == 0; // root ignores the bits
    if (!writable) {
        EXPECT_THROW(picture.SaveToFile((dir / "old.bmp").string()), EInOutError);
        EXPECT_EQ(ReadAll(dir / "old.bmp"), "old");
    }
    fs::permissions(dir, fs::perms::owner_all);
    picture.SaveToFile((dir / "old.bmp").string());
    EXPECT_EQ(ReadAll(dir / "old.bmp").substr(0, 2), "BM");
    auto leftovers = std::distance(fs::directory_iterator(dir), fs::directory_iterator());
    EXPECT_EQ(leftovers, 1) << "no temporary file stays";

    TPicture copy;
    copy.Assign(picture);
    EXPECT_EQ(copy.Height(), 4);
    EXPECT_NE(copy.Bitmap(), picture.Bitmap());
}
