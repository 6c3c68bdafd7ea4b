#pragma once
// Draws a bitmap stretched onto a canvas (a printer's page, typically) by way
// of a device-independent bitmap: 8 bits with the system palette as colours
// when the screen is a palette device, else 24 bits.
//
// The working values are members, so one component serves one call at a time.
// Both buffers are freed, and the bitmap has its image and palette back, when
// the call returns, also when it fails.
#include "platform/rtl/TComponent.h"
#include "platform/vcl/graphics/TBitmap.h"
#include "platform/vcl/graphics/TCanvas.h"
#include "platform/win/gdi/WinGdi.h"
#include <cstddef>

class TPrintDIB : public TComponent {
public:
    explicit TPrintDIB(TComponent* owner = nullptr) : TComponent(owner) { }

    // Draws the whole bitmap into the rectangle (left, top, width, height) of
    // the canvas, in device pixels; the device clips what lies outside it.
    virtual void StretchDrawDIB(TCanvas* canvas, int left, int top, int width, int height, TBitmap* bitmap);

protected:
    // The buffers of a call come from here (a test can make them fail).
    virtual void* AllocBlock(size_t size);
    virtual void FreeBlock(void* block);

    int FSourceWidth { 0 };
    int FPaletteMode { 0 };
    int FHeaderSize { 0 };
    BITMAPINFO* FBitmapInfo { nullptr };
    HBITMAP FBitmapHandle { nullptr };
    HPALETTE FPaletteHandle { nullptr };
    HPALETTE FOldPalette { nullptr };
    void* FBits { nullptr };
    int FEntryCount { 0 };
    PALETTEENTRY* FEntries { nullptr };
    HDC FScreenDC { nullptr };

private:
    void GiveBack(TBitmap* bitmap);
};
