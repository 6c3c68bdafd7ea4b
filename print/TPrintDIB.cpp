#include "print/TPrintDIB.h"
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

constexpr int kPaletteHeaderSize = sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD); // 1064
constexpr int kTrueColorHeaderSize = sizeof(BITMAPINFOHEADER) + sizeof(RGBQUAD);     // 44

bool IsPaletteDevice(HDC hdc)
{
    return (GetDeviceCaps(hdc, RASTERCAPS) & RC_PALETTE) != 0;
}

} // namespace

// The blocks come from the GDI's DIB memory: a printer page can then keep the
// bits it was given instead of copying them.
void* TPrintDIB::AllocBlock(size_t size)
{
    void* block = GdiAllocDibBits(size);
    if (!block)
        throw Exception("Out of memory");
    return block;
}

void TPrintDIB::FreeBlock(void* block)
{
    GdiFreeDibBits(block);
}

// Frees what the call took and returns image and palette to the bitmap.
void TPrintDIB::GiveBack(TBitmap* bitmap)
{
    if (FEntries) {
        FreeBlock(FEntries);
        FEntries = nullptr;
    }
    if (FBits) {
        FreeBlock(FBits);
        FBits = nullptr;
    }
    if (FBitmapInfo) {
        FreeBlock(FBitmapInfo);
        FBitmapInfo = nullptr;
    }
    if (FScreenDC) {
        ReleaseDC(nullptr, FScreenDC);
        FScreenDC = nullptr;
    }
    if (FBitmapHandle) {
        bitmap->SetHandle(FBitmapHandle);
        FBitmapHandle = nullptr;
    }
    if (FPaletteHandle) {
        bitmap->SetPalette(FPaletteHandle);
        FPaletteHandle = nullptr;
    }
}

void TPrintDIB::StretchDrawDIB(TCanvas* canvas, int left, int top, int width, int height, TBitmap* bitmap)
{
    if (!canvas || !bitmap)
        return;
    FSourceWidth = bitmap->Width();

    // The screen decides the DIB's format.
    HDC screen = GetDC(nullptr);
    FPaletteMode = IsPaletteDevice(screen) ? 1 : 0;
    ReleaseDC(nullptr, screen);

    FHeaderSize = FPaletteMode ? kPaletteHeaderSize : kTrueColorHeaderSize;
    FBitmapInfo = static_cast<BITMAPINFO*>(AllocBlock(static_cast<size_t>(FHeaderSize)));
    std::memset(FBitmapInfo, 0, static_cast<size_t>(FHeaderSize));
    BITMAPINFOHEADER& header = FBitmapInfo->bmiHeader;
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = FSourceWidth;
    header.biHeight = bitmap->Height();
    header.biPlanes = 1;
    header.biBitCount = FPaletteMode ? 8 : 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(static_cast<int64_t>(FSourceWidth) * header.biBitCount / 8 * header.biHeight);
    header.biClrUsed = FPaletteMode ? 256 : 0;
    header.biClrImportant = FPaletteMode ? 256 : 0;

    FBitmapHandle = bitmap->ReleaseHandle();
    FPaletteHandle = bitmap->ReleasePalette();
    try {
        FScreenDC = GetDC(nullptr);
        FOldPalette = nullptr;
        if (FPaletteMode && FPaletteHandle) {
            FOldPalette = SelectPalette(FScreenDC, FPaletteHandle, TRUE);
            RealizePalette(FScreenDC);
        }

        HDC bitmapDC = bitmap->Canvas()->Handle();
        GetDIBits(bitmapDC, FBitmapHandle, 0, static_cast<UINT>(header.biHeight), nullptr, FBitmapInfo, DIB_RGB_COLORS);

        // The buffer holds every padded row, whatever the header said before.
        uint64_t rows = static_cast<uint64_t>(GdiDibRowBytes(FSourceWidth, header.biBitCount)) * static_cast<uint64_t>(header.biHeight);
        uint64_t size = std::max<uint64_t>(rows, header.biSizeImage);
        if (size > SIZE_MAX / 2)
            throw Exception("Out of memory");
        FBits = AllocBlock(static_cast<size_t>(size));
        GetDIBits(bitmapDC, FBitmapHandle, 0, static_cast<UINT>(header.biHeight), FBits, FBitmapInfo, DIB_RGB_COLORS);

        if (FPaletteMode) {
            // The DIB's colours are the system palette as it stands now.
            FEntries = static_cast<PALETTEENTRY*>(AllocBlock(256 * sizeof(PALETTEENTRY)));
            FEntryCount = static_cast<int>(GetSystemPaletteEntries(FScreenDC, 0, 256, FEntries));
            for (int i = 0; i < FEntryCount && i < 256; ++i) {
                FBitmapInfo->bmiColors[i].rgbBlue = FEntries[i].peBlue;
                FBitmapInfo->bmiColors[i].rgbGreen = FEntries[i].peGreen;
                FBitmapInfo->bmiColors[i].rgbRed = FEntries[i].peRed;
            }
            FreeBlock(FEntries);
            FEntries = nullptr;
            if (FOldPalette) {
                SelectPalette(FScreenDC, FOldPalette, TRUE);
                RealizePalette(FScreenDC);
            }
        }
        ReleaseDC(nullptr, FScreenDC);
        FScreenDC = nullptr;

        HDC target = canvas->Handle();
        FPaletteMode = IsPaletteDevice(target) ? 1 : 0;
        FOldPalette = nullptr;
        if (FPaletteMode && FPaletteHandle) {
            FOldPalette = SelectPalette(target, FPaletteHandle, TRUE);
            RealizePalette(target);
        }
        StretchDIBits(target, left, top, width, height, 0, 0, FSourceWidth, header.biHeight, FBits, FBitmapInfo,
            DIB_RGB_COLORS, SRCCOPY);
        if (FOldPalette) {
            SelectPalette(target, FOldPalette, TRUE);
            RealizePalette(target);
            FOldPalette = nullptr;
        }
    } catch (...) {
        if (FOldPalette && FScreenDC) {
            SelectPalette(FScreenDC, FOldPalette, TRUE);
            RealizePalette(FScreenDC);
        }
        FOldPalette = nullptr;
        GiveBack(bitmap);
        throw;
    }
    GiveBack(bitmap);
}
