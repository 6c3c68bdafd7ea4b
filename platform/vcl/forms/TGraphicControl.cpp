#include "platform/vcl/forms/TGraphicControl.h"
#include "platform/vcl/graphics/TCanvas.h"

TGraphicControl::TGraphicControl(TComponent* owner)
    : TControl(owner)
    , m_canvas(std::make_unique<TCanvas>())
{
}

TGraphicControl::~TGraphicControl()
{
    DestroyHandle();
    ReleaseSurface();
}

void TGraphicControl::ReleaseSurface()
{
    m_canvas->SetHandle(nullptr);
    if (m_dc) {
        SelectObject(m_dc, m_previous);
        DeleteDC(m_dc);
        m_dc = nullptr;
    }
    if (m_surface) {
        DeleteObject(m_surface);
        m_surface = nullptr;
    }
}

void TGraphicControl::EnsureSurface()
{
    if (m_surface && GdiBitmapWidth(m_surface) == Width() && GdiBitmapHeight(m_surface) == Height())
        return;
    ReleaseSurface();
    HDC screen = GetDC(nullptr);
    // At least one pixel, so the canvas always has a target.
    m_surface = CreateCompatibleBitmap(screen, Width() > 0 ? Width() : 1, Height() > 0 ? Height() : 1);
    ReleaseDC(nullptr, screen);
    m_dc = CreateCompatibleDC(nullptr);
    m_previous = SelectObject(m_dc, m_surface);
    if (Width() <= 0 || Height() <= 0) {
        // Nothing of a zero-sized control is visible: clip everything away.
        IntersectClipRect(m_dc, 0, 0, 0, 0);
    }
    m_canvas->SetHandle(m_dc);
}

TCanvas* TGraphicControl::Canvas()
{
    EnsureSurface();
    if (!m_painting)
        Invalidate();
    return m_canvas.get();
}

void TGraphicControl::Resize()
{
    m_needsPaint = true;
    EnsureSurface();
    Invalidate();
    TControl::Resize();
}

void TGraphicControl::Paint()
{
    if (OnPaint)
        OnPaint(this);
}

void TGraphicControl::WidgetPaint()
{
    EnsureSurface();
    if (!m_needsPaint)
        return;
    m_needsPaint = false;
    m_painting = true;
    Guarded([this] { Paint(); });
    m_painting = false;
}
