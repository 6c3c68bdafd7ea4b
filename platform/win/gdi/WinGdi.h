#pragma once
// The GDI subset the platform emulates: device contexts (the screen, memory
// contexts on bitmaps, recording contexts for printers), device-dependent
// bitmaps, palettes, pens, brushes and the device-independent bitmap calls.
//
// Raster rules: rectangles are half-open (right and bottom exclusive), a line
// leaves out its end point, DIB rows are padded to 4 bytes and stored bottom-up
// unless the height is negative.
//
// A device-dependent bitmap is 32 bits per pixel, top-down, one uint32_t per
// pixel holding 0xAARRGGBB (premultiplied ARGB, which is what a toolkit image
// in premultiplied format reads directly). Every drawing call writes alpha
// 0xFF; a new bitmap is all zero, which reads back as black through GetPixel
// and GetDIBits (as on the real platform) and shows as transparent where a
// toolkit composes it, so a control's backing store lets its parent's
// background show wherever nothing was drawn.
#include "platform/win/core/Windows.h"
#include <cstddef>
#include <cstdint>

using COLORREF = DWORD;
using INT = int32_t;
using LPBYTE = BYTE*;

struct HDC__;
using HDC = HDC__*;
struct HGDIOBJ__ { };
using HGDIOBJ = HGDIOBJ__*;
// Every GDI object handle converts to HGDIOBJ (they share one handle table),
// so the typed handles are distinct types derived from the common one.
struct HBITMAP__ : HGDIOBJ__ { };
using HBITMAP = HBITMAP__*;
struct HPALETTE__ : HGDIOBJ__ { };
using HPALETTE = HPALETTE__*;
struct HPEN__ : HGDIOBJ__ { };
using HPEN = HPEN__*;
struct HBRUSH__ : HGDIOBJ__ { };
using HBRUSH = HBRUSH__*;

struct RECT {
    LONG left { 0 };
    LONG top { 0 };
    LONG right { 0 };
    LONG bottom { 0 };
};

struct SIZE {
    LONG cx { 0 };
    LONG cy { 0 };
};

constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b)
{
    return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) | (static_cast<COLORREF>(b) << 16);
}
constexpr BYTE GetRValue(COLORREF c) { return static_cast<BYTE>(c & 0xFF); }
constexpr BYTE GetGValue(COLORREF c) { return static_cast<BYTE>((c >> 8) & 0xFF); }
constexpr BYTE GetBValue(COLORREF c) { return static_cast<BYTE>((c >> 16) & 0xFF); }
constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

// The packed records of the DIB format; their sizes are part of the format.
#pragma pack(push, 1)
struct RGBQUAD {
    BYTE rgbBlue;
    BYTE rgbGreen;
    BYTE rgbRed;
    BYTE rgbReserved;
};

struct RGBTRIPLE {
    BYTE rgbtBlue;
    BYTE rgbtGreen;
    BYTE rgbtRed;
};

struct BITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
};

struct BITMAPCOREHEADER {
    DWORD bcSize;
    WORD bcWidth;
    WORD bcHeight;
    WORD bcPlanes;
    WORD bcBitCount;
};

struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
};

struct BITMAPCOREINFO {
    BITMAPCOREHEADER bmciHeader;
    RGBTRIPLE bmciColors[1];
};

struct BITMAPFILEHEADER {
    WORD bfType;
    DWORD bfSize;
    WORD bfReserved1;
    WORD bfReserved2;
    DWORD bfOffBits;
};
#pragma pack(pop)
static_assert(sizeof(RGBQUAD) == 4);
static_assert(sizeof(BITMAPINFOHEADER) == 40);
static_assert(sizeof(BITMAPCOREHEADER) == 12);
static_assert(sizeof(BITMAPINFO) == 44);
static_assert(sizeof(BITMAPFILEHEADER) == 14);

struct PALETTEENTRY {
    BYTE peRed;
    BYTE peGreen;
    BYTE peBlue;
    BYTE peFlags;
};
static_assert(sizeof(PALETTEENTRY) == 4);

struct LOGPALETTE {
    WORD palVersion;
    WORD palNumEntries;
    PALETTEENTRY palPalEntry[1];
};

// GetObject on a bitmap.
struct BITMAP {
    LONG bmType;
    LONG bmWidth;
    LONG bmHeight;
    LONG bmWidthBytes;
    WORD bmPlanes;
    WORD bmBitsPixel;
    void* bmBits;
};

// Compression.
constexpr DWORD BI_RGB = 0;
constexpr DWORD BI_RLE8 = 1;
constexpr DWORD BI_RLE4 = 2;
constexpr DWORD BI_BITFIELDS = 3;

// Colour usage.
constexpr UINT DIB_RGB_COLORS = 0;
constexpr UINT DIB_PAL_COLORS = 1;

// CreateDIBitmap: initialise the bitmap from the bits.
constexpr DWORD CBM_INIT = 0x04;

// Raster operations.
constexpr DWORD SRCCOPY = 0x00CC0020;
constexpr DWORD BLACKNESS = 0x00000042;
constexpr DWORD WHITENESS = 0x00FF0062;

constexpr int GDI_ERROR = -1;

// GetDeviceCaps indexes.
constexpr int DRIVERVERSION = 0;
constexpr int TECHNOLOGY = 2;
constexpr int HORZSIZE = 4;
constexpr int VERTSIZE = 6;
constexpr int HORZRES = 8;
constexpr int VERTRES = 10;
constexpr int BITSPIXEL = 12;
constexpr int PLANES = 14;
constexpr int NUMCOLORS = 24;
constexpr int RASTERCAPS = 38;
constexpr int LOGPIXELSX = 88;
constexpr int LOGPIXELSY = 90;
constexpr int SIZEPALETTE = 104;
constexpr int NUMRESERVED = 106;
constexpr int COLORRES = 108;
constexpr int PHYSICALWIDTH = 110;
constexpr int PHYSICALHEIGHT = 111;
constexpr int PHYSICALOFFSETX = 112;
constexpr int PHYSICALOFFSETY = 113;

// TECHNOLOGY values.
constexpr int DT_RASDISPLAY = 1;
constexpr int DT_RASPRINTER = 2;

// RASTERCAPS bits.
constexpr int RC_BITBLT = 0x0001;
constexpr int RC_BITMAP64 = 0x0008;
constexpr int RC_DI_BITMAP = 0x0080;
constexpr int RC_PALETTE = 0x0100;
constexpr int RC_DIBTODEV = 0x0200;
constexpr int RC_STRETCHBLT = 0x0800;
constexpr int RC_FLOODFILL = 0x1000;
constexpr int RC_STRETCHDIB = 0x2000;

// Pens and brushes.
constexpr int PS_SOLID = 0;
constexpr int PS_NULL = 5;
constexpr UINT BS_SOLID = 0;
constexpr UINT BS_NULL = 1;

// Stock objects.
constexpr int WHITE_BRUSH = 0;
constexpr int LTGRAY_BRUSH = 1;
constexpr int GRAY_BRUSH = 2;
constexpr int DKGRAY_BRUSH = 3;
constexpr int BLACK_BRUSH = 4;
constexpr int NULL_BRUSH = 5;
constexpr int WHITE_PEN = 6;
constexpr int BLACK_PEN = 7;
constexpr int NULL_PEN = 8;
constexpr int DEFAULT_PALETTE = 15;

// GetObjectType.
constexpr DWORD OBJ_PEN = 1;
constexpr DWORD OBJ_BRUSH = 2;
constexpr DWORD OBJ_DC = 3;
constexpr DWORD OBJ_PAL = 5;
constexpr DWORD OBJ_BITMAP = 7;
constexpr DWORD OBJ_MEMDC = 10;

// ExtFloodFill.
constexpr UINT FLOODFILLBORDER = 0;
constexpr UINT FLOODFILLSURFACE = 1;

// Clipping results.
constexpr int ERROR = 0;
constexpr int NULLREGION = 1;
constexpr int SIMPLEREGION = 2;

// Palette entry flags.
constexpr BYTE PC_RESERVED = 0x01;
constexpr BYTE PC_EXPLICIT = 0x02;
constexpr BYTE PC_NOCOLLAPSE = 0x04;

// Device contexts. GetDC(nullptr) is the whole screen's; ReleaseDC frees it.
HDC GetDC(HWND hwnd);
int ReleaseDC(HWND hwnd, HDC hdc);
HDC CreateCompatibleDC(HDC hdc);
BOOL DeleteDC(HDC hdc);
int GetDeviceCaps(HDC hdc, int index);
DWORD GetObjectType(HGDIOBJ object);

// Objects.
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object);
BOOL DeleteObject(HGDIOBJ object);
HGDIOBJ GetStockObject(int index);
HGDIOBJ GetCurrentObject(HDC hdc, UINT type);
int GetObject(HGDIOBJ object, int size, void* buffer);

// Bitmaps compatible with the device (always 32 bits per pixel, all zero).
HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height);
HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits);

// Palettes. SelectPalette returns the palette selected before.
HPALETTE CreatePalette(const LOGPALETTE* palette);
UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY* entries);
UINT SetPaletteEntries(HPALETTE palette, UINT start, UINT count, const PALETTEENTRY* entries);
HPALETTE SelectPalette(HDC hdc, HPALETTE palette, BOOL forceBackground);
UINT RealizePalette(HDC hdc);
UINT GetSystemPaletteEntries(HDC hdc, UINT start, UINT count, PALETTEENTRY* entries);
UINT GetNearestPaletteIndex(HPALETTE palette, COLORREF color);

// Device-independent bitmaps.
int GetDIBits(HDC hdc, HBITMAP bitmap, UINT start, UINT lines, void* bits, BITMAPINFO* info, UINT usage);
int SetDIBits(HDC hdc, HBITMAP bitmap, UINT start, UINT lines, const void* bits, const BITMAPINFO* info, UINT usage);
HBITMAP CreateDIBitmap(HDC hdc, const BITMAPINFOHEADER* header, DWORD init, const void* bits,
    const BITMAPINFO* info, UINT usage);
int StretchDIBits(HDC hdc, int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc,
    int srcWidth, int srcHeight, const void* bits, const BITMAPINFO* info, UINT usage, DWORD rop);
int SetDIBitsToDevice(HDC hdc, int xDest, int yDest, DWORD width, DWORD height, int xSrc, int ySrc,
    UINT startScan, UINT lines, const void* bits, const BITMAPINFO* info, UINT usage);

// Blits between device contexts.
BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC src, int xSrc, int ySrc, DWORD rop);
BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC src, int xSrc, int ySrc,
    int srcWidth, int srcHeight, DWORD rop);

// Pens, brushes and drawing.
HPEN CreatePen(int style, int width, COLORREF color);
HBRUSH CreateSolidBrush(COLORREF color);
int FillRect(HDC hdc, const RECT* rect, HBRUSH brush);
BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom);
BOOL MoveToEx(HDC hdc, int x, int y, POINT* previous);
BOOL LineTo(HDC hdc, int x, int y);
BOOL GetCurrentPositionEx(HDC hdc, POINT* point);
COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color);
COLORREF GetPixel(HDC hdc, int x, int y);
BOOL ExtFloodFill(HDC hdc, int x, int y, COLORREF color, UINT type);
BOOL FloodFill(HDC hdc, int x, int y, COLORREF border);

// Clipping: one rectangle per context, narrowed by IntersectClipRect.
int IntersectClipRect(HDC hdc, int left, int top, int right, int bottom);
int SelectClipRgn(HDC hdc, const void* region); // nullptr only: clipping back to the whole surface
int GetClipBox(HDC hdc, RECT* rect);

// Drawing offset (the viewport origin), e.g. a windowless control drawing on its parent.
BOOL SetViewportOrgEx(HDC hdc, int x, int y, POINT* previous);
BOOL GetViewportOrgEx(HDC hdc, POINT* point);

// Rectangle helpers.
BOOL SetRect(RECT* rect, int left, int top, int right, int bottom);
BOOL IntersectRect(RECT* dest, const RECT* a, const RECT* b);
BOOL IsRectEmpty(const RECT* rect);

#include "platform/win/gdi/GdiExtensions.h"
