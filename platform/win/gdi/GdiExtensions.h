#pragma once
// What this platform's GDI offers beyond the Win32 calls: direct access to a
// bitmap's pixels for the toolkit binding, the screen's colour mode, and
// recording device contexts for printers.
#include "platform/win/gdi/WinGdi.h"
#include <cstdint>

// The pixels of a device-dependent bitmap: Height rows of Width uint32_t
// (0xAARRGGBB), top row first, Stride bytes apart. Null / 0 for a handle that
// is not a bitmap. The pointer stays valid until the bitmap is deleted.
uint32_t* GdiBitmapBits(HBITMAP bitmap);
int GdiBitmapWidth(HBITMAP bitmap);
int GdiBitmapHeight(HBITMAP bitmap);
int GdiBitmapStride(HBITMAP bitmap);

// The bitmap currently selected into a memory context (null for other contexts).
HBITMAP GdiSelectedBitmap(HDC hdc);

// The screen. By default a true-colour device (32 bits per pixel, no palette).
// Tests switch it to a 256-colour palette device; the system palette then
// starts as the 20 static colours at both ends with the free entries between
// them black, and RealizePalette places a logical palette's colours in free
// entries. Bitmaps stay true colour either way: the switch changes what the
// screen reports and how bitmaps are read into DIBs of 8 bits or less.
void GdiSetScreenPaletteDevice(bool palette);
bool GdiScreenIsPaletteDevice();
// Puts the system palette back to its starting state.
void GdiResetSystemPalette();
// Screen size in pixels (default 1920 by 1080).
void GdiSetScreenSize(int width, int height);

// The row size in bytes of a DIB: width times bits per pixel, rounded up to a
// multiple of 32 bits. 0 when it does not fit in 32 bits.
uint32_t GdiDibRowBytes(int64_t width, int bitsPerPixel);
// Colour-table entries of a header (its biClrUsed, else 2^bits for 8 bits or
// less, else 0; three masks for BI_BITFIELDS are not counted).
int GdiDibColorCount(const BITMAPINFOHEADER& header);

// Number of live GDI objects and device contexts (leak checks in tests).
int GdiLiveObjectCount();

// Live-handle check: true when object is a GDI object that has not been deleted.
bool GdiIsObject(HGDIOBJ object);
bool GdiIsDC(HDC hdc);

// Memory for DIB bits that a recording context can keep without copying them.
// GdiFreeDibBits gives up the caller's hold; a recording that drew the bits
// holds them until it is cleared. Bits drawn on a recording context must not
// be changed afterwards (free them instead). Null when out of memory. Large
// blocks are mapped with huge pages where the system allows, so filling them
// costs few page faults.
void* GdiAllocDibBits(size_t size);
// False (and nothing freed) for a pointer that GdiAllocDibBits did not return.
bool GdiFreeDibBits(void* bits);
