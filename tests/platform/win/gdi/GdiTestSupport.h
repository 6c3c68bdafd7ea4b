#pragma once
// A memory context with a bitmap of its own, freed at the end of a test.
#include "platform/win/gdi/WinGdi.h"
#include <cstring>
#include <vector>

struct MemorySurface {
    HDC dc { nullptr };
    HBITMAP bitmap { nullptr };
    HGDIOBJ previous { nullptr };

    MemorySurface(int width, int height)
    {
        HDC screen = GetDC(nullptr);
        dc = CreateCompatibleDC(screen);
        bitmap = CreateCompatibleBitmap(screen, width, height);
        ReleaseDC(nullptr, screen);
        previous = SelectObject(dc, bitmap);
    }
    // A pen a test left selected goes with the surface (a context does not free its objects).
    ~MemorySurface()
    {
        DeleteObject(SelectObject(dc, GetStockObject(BLACK_PEN)));
        SelectObject(dc, previous);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    uint32_t At(int x, int y) const { return GdiBitmapBits(bitmap)[y * GdiBitmapWidth(bitmap) + x]; }
    void Fill(COLORREF color)
    {
        HBRUSH brush = CreateSolidBrush(color);
        RECT all { 0, 0, GdiBitmapWidth(bitmap), GdiBitmapHeight(bitmap) };
        FillRect(dc, &all, brush);
        DeleteObject(brush);
    }
};

// A DIB in memory: header, colour table and bits in one block.
struct DibBlock {
    std::vector<uint8_t> info;
    std::vector<uint8_t> bits;
    BITMAPINFO* Info() { return reinterpret_cast<BITMAPINFO*>(info.data()); }

    DibBlock(int width, int height, int bpp, int colors = 0)
    {
        info.assign(sizeof(BITMAPINFOHEADER) + 4 * std::max(colors, 1), 0);
        auto& h = Info()->bmiHeader;
        h.biSize = sizeof(BITMAPINFOHEADER);
        h.biWidth = width;
        h.biHeight = height;
        h.biPlanes = 1;
        h.biBitCount = static_cast<WORD>(bpp);
        h.biCompression = BI_RGB;
        h.biClrUsed = static_cast<DWORD>(colors);
        bits.assign(GdiDibRowBytes(width, bpp) * static_cast<size_t>(height < 0 ? -height : height), 0);
    }
    uint8_t* Scan(int scan) { return bits.data() + static_cast<size_t>(scan) * GdiDibRowBytes(Info()->bmiHeader.biWidth, Info()->bmiHeader.biBitCount); }
    void SetColor(int i, BYTE r, BYTE g, BYTE b) { Info()->bmiColors[i] = RGBQUAD { b, g, r, 0 }; }
};
