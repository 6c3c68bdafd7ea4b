#include "platform/vcl/graphics/TCanvas.h"
#include "platform/vcl/graphics/TBitmap.h"

TCanvas::~TCanvas()
{
    ReleaseContext();
}

HDC TCanvas::Handle()
{
    if (!m_handle)
        CreateHandle();
    return m_handle;
}

void TCanvas::SetHandle(HDC hdc)
{
    if (hdc == m_handle)
        return;
    ReleaseContext();
    m_handle = hdc;
    if (m_handle)
        MoveToEx(m_handle, m_penPos.X, m_penPos.Y, nullptr);
}

void TCanvas::ReleaseContext()
{
    if (m_handle) {
        if (m_oldPen)
            SelectObject(m_handle, m_oldPen);
        if (m_oldBrush)
            SelectObject(m_handle, m_oldBrush);
    }
    m_oldPen = m_oldBrush = nullptr;
    FreeObjects();
    m_handle = nullptr;
}

void TCanvas::FreeObjects()
{
    if (m_gdiPen)
        DeleteObject(m_gdiPen);
    if (m_gdiBrush)
        DeleteObject(m_gdiBrush);
    m_gdiPen = nullptr;
    m_gdiBrush = nullptr;
    m_penRevision = m_brushRevision = ~0u;
}

// Selects next in place of current (which is freed), remembering what the
// context held before the canvas first put something in.
void TCanvas::Install(HGDIOBJ next, HGDIOBJ& current, HGDIOBJ& original)
{
    HGDIOBJ previous = SelectObject(m_handle, next);
    if (!original)
        original = previous;
    if (current)
        DeleteObject(current);
    current = next;
}

void TCanvas::PenNeeded()
{
    if (m_gdiPen && m_penRevision == m_pen.Revision())
        return;
    Install(CreatePen(m_pen.Style() == psClear ? PS_NULL : PS_SOLID, m_pen.Width(), ColorToRGB(m_pen.Color())), m_gdiPen, m_oldPen);
    m_penRevision = m_pen.Revision();
}

void TCanvas::BrushNeeded()
{
    if (m_gdiBrush && m_brushRevision == m_brush.Revision())
        return;
    // A clear brush is the stock null brush (which DeleteObject leaves alone).
    Install(m_brush.Style() == bsClear ? GetStockObject(NULL_BRUSH) : CreateSolidBrush(ColorToRGB(m_brush.Color())),
        m_gdiBrush, m_oldBrush);
    m_brushRevision = m_brush.Revision();
}

void TCanvas::MoveTo(int x, int y)
{
    m_penPos = TPoint(x, y);
    if (Handle())
        MoveToEx(m_handle, x, y, nullptr);
}

void TCanvas::LineTo(int x, int y)
{
    if (Handle()) {
        PenNeeded();
        MoveToEx(m_handle, m_penPos.X, m_penPos.Y, nullptr);
        ::LineTo(m_handle, x, y);
    }
    m_penPos = TPoint(x, y);
}

void TCanvas::FillRect(const TRect& rect)
{
    if (!Handle())
        return;
    BrushNeeded();
    RECT r = rect;
    ::FillRect(m_handle, &r, static_cast<HBRUSH>(m_gdiBrush));
}

void TCanvas::Rectangle(int left, int top, int right, int bottom)
{
    if (!Handle())
        return;
    PenNeeded();
    BrushNeeded();
    ::Rectangle(m_handle, left, top, right, bottom);
}

void TCanvas::FloodFill(int x, int y, TColor color, TFillStyle style)
{
    if (!Handle())
        return;
    BrushNeeded();
    ExtFloodFill(m_handle, x, y, ColorToRGB(color), style == fsSurface ? FLOODFILLSURFACE : FLOODFILLBORDER);
}

TColor TCanvas::Pixels(int x, int y)
{
    if (!Handle())
        return static_cast<TColor>(CLR_INVALID);
    COLORREF c = GetPixel(m_handle, x, y);
    return static_cast<TColor>(c); // CLR_INVALID reads as -1 outside the surface
}

void TCanvas::SetPixel(int x, int y, TColor color)
{
    if (Handle())
        ::SetPixel(m_handle, x, y, ColorToRGB(color));
}

void TCanvas::Draw(int x, int y, TBitmap* bitmap)
{
    if (!bitmap || bitmap->Empty() || !Handle())
        return;
    BitBlt(m_handle, x, y, bitmap->Width(), bitmap->Height(), bitmap->Canvas()->Handle(), 0, 0, SRCCOPY);
}

void TCanvas::StretchDraw(const TRect& rect, TBitmap* bitmap)
{
    if (!bitmap || bitmap->Empty() || !Handle())
        return;
    StretchBlt(m_handle, rect.Left, rect.Top, rect.Width(), rect.Height(), bitmap->Canvas()->Handle(), 0, 0,
        bitmap->Width(), bitmap->Height(), SRCCOPY);
}

void TCanvas::CopyRect(const TRect& dest, TCanvas* source, const TRect& sourceRect)
{
    if (!source || !Handle() || !source->Handle())
        return;
    StretchBlt(m_handle, dest.Left, dest.Top, dest.Width(), dest.Height(), source->Handle(), sourceRect.Left,
        sourceRect.Top, sourceRect.Width(), sourceRect.Height(), SRCCOPY);
}

TRect TCanvas::ClipRect()
{
    RECT r {};
    if (Handle())
        GetClipBox(m_handle, &r);
    return TRect(r.left, r.top, r.right, r.bottom);
}
