#pragma once
// A recording device context: what is drawn on it is kept as a list of
// operations at device resolution instead of being rasterised, so a printer
// page of 600 dpi needs no full-page raster. The printer binding replays the
// list onto the real device when the job ends.
#include "platform/win/gdi/WinGdi.h"
#include <cstddef>
#include <memory>
#include <vector>

// A device-independent image kept by a recorded operation, in one of three
// layouts: 8 bits with a colour table, 24 bits (blue, green, red) or 32 bits
// (0xXXRRGGBB, the top byte ignored). Row(0) is the top row; Step is the
// distance to the row below it (negative for rows stored bottom-up). The
// bytes are either the recording's own copy or DIB bits it holds on to.
struct GdiRecordedImage {
    int Width { 0 };
    int Height { 0 };
    int BitsPerPixel { 24 };
    const uint8_t* Origin { nullptr };
    ptrdiff_t Step { 0 };
    std::vector<RGBQUAD> Colors; // 8 bits only
    std::shared_ptr<const void> Storage;

    const uint8_t* Row(int y) const { return Origin + static_cast<ptrdiff_t>(y) * Step; }
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
