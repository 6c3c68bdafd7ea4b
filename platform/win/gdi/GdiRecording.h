#pragma once
// A recording device context: what is drawn on it is kept as a list of
// operations at device resolution instead of being rasterised, so a printer
// page of 600 dpi needs no full-page raster. The printer binding replays the
// list onto the real device when the job ends.
#include "platform/win/gdi/WinGdi.h"
#include <memory>
#include <vector>

// A device-independent image kept by a recorded operation. Rows are stored
// top-down, Stride bytes apart, in one of three layouts: 8 bits with a colour
// table, 24 bits (blue, green, red) or 32 bits (0xXXRRGGBB, alpha ignored).
struct GdiRecordedImage {
    int Width { 0 };
    int Height { 0 };
    int BitsPerPixel { 24 };
    uint32_t Stride { 0 };
    std::vector<RGBQUAD> Colors; // 8 bits only
    std::unique_ptr<uint8_t[]> Bits;

    const uint8_t* Row(int y) const { return Bits.get() + static_cast<size_t>(y) * Stride; }
};

struct GdiRecordedOp {
    enum class Kind { FillRect, Line, Pixel, Image };
    Kind kind { Kind::FillRect };
    RECT clip {};  // device coordinates, already inside the page
    RECT rect {};  // FillRect and Pixel: the area; Image: destination (may reach beyond the page)
    POINT from {}; // Line
    POINT to {};   // Line (end point not painted)
    COLORREF color { 0 };
    int penWidth { 1 };
    // Image: the whole stored image is stretched onto rect, mirrored as flagged.
    std::shared_ptr<const GdiRecordedImage> image;
    bool mirrorX { false };
    bool mirrorY { false };
};

class GdiRecording {
public:
    GdiRecording(int width, int height, int dpiX, int dpiY)
        : m_width(width), m_height(height), m_dpiX(dpiX), m_dpiY(dpiY) { }

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    int DpiX() const { return m_dpiX; }
    int DpiY() const { return m_dpiY; }
    const std::vector<GdiRecordedOp>& Ops() const { return m_ops; }
    void Add(GdiRecordedOp op) { m_ops.push_back(std::move(op)); }
    void Clear() { m_ops.clear(); }

private:
    int m_width;
    int m_height;
    int m_dpiX;
    int m_dpiY;
    std::vector<GdiRecordedOp> m_ops;
};

// A printer-like device context over the recording (which must outlive it;
// free the context with DeleteDC). It reports DT_RASPRINTER, the recording's
// size and resolution, and no palette.
HDC GdiCreateRecordingDC(GdiRecording* recording);
GdiRecording* GdiRecordingOf(HDC hdc);
