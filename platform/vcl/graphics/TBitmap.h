#pragma once
// The class library's bitmap: a device-dependent bitmap compatible with the
// screen (GDI handle), an optional palette and a canvas on a memory context
// made when first asked for. Handle and palette can be taken out
// (ReleaseHandle, ReleasePalette: the caller then owns them) and handed in
// (SetHandle, SetPalette: the bitmap owns them and frees what it held).
#include "platform/rtl/AnsiString.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/TComponent.h"
#include "platform/rtl/TObject.h"
#include "platform/vcl/graphics/TCanvas.h"
#include "platform/win/gdi/WinGdi.h"
#include <memory>

class TBitmap : public TObject {
public:
    TBitmap();
    ~TBitmap() override;

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    // Resizing keeps the pixels both sizes have; new ones are black.
    void SetWidth(int width) { SetSize(width, m_height); }
    void SetHeight(int height) { SetSize(m_width, height); }
    void SetSize(int width, int height);
    bool Empty() const { return m_width == 0 || m_height == 0; }

    HBITMAP Handle() const { return m_handle; }
    void SetHandle(HBITMAP bitmap);
    HBITMAP ReleaseHandle();
    HPALETTE Palette() const { return m_palette; }
    void SetPalette(HPALETTE palette);
    HPALETTE ReleasePalette();

    TCanvas* Canvas();

    // Deep copy of image and palette; a null source empties the bitmap.
    void Assign(const TBitmap& source);
    void Assign(const TBitmap* source);

    // Writes a 24-bit uncompressed BMP, replacing the file as a whole; an
    // empty bitmap writes nothing. Raises EInOutError when the file cannot be written.
    void SaveToFile(const AnsiString& fileName) const;
    // The same file as bytes (empty for an empty bitmap).
    AnsiString SaveToBytes() const;
    // Reads a BMP file (1, 4, 8, 16, 24 or 32 bits, either header). Raises
    // EInvalidGraphic for what is not such a file and EInOutError when it cannot be read.
    void LoadFromFile(const AnsiString& fileName);
    void LoadFromBytes(const AnsiString& bytes);

    // Raised after the image, its size or its palette changed.
    TNotifyEvent OnChange;
    // Announces a change made by drawing on the canvas.
    void Changed();

private:
    class TBitmapCanvas;
    friend class TBitmapCanvas;
    void SelectIntoCanvas();
    void DeselectFromCanvas();
    void FreeImage();

    HBITMAP m_handle { nullptr };
    HPALETTE m_palette { nullptr };
    int m_width { 0 };
    int m_height { 0 };
    std::unique_ptr<TBitmapCanvas> m_canvas;
};

// The error for data that is not a picture we read.
class EInvalidGraphic : public Exception {
public:
    using Exception::Exception;
};
