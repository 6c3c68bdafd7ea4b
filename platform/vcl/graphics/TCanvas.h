#pragma once
// A drawing surface over a device context. The canvas does not own a context
// handed to it with SetHandle; a bitmap's canvas makes its own on demand
// (CreateHandle). Pen and brush are turned into GDI objects when a drawing
// call needs them, and deselected again before the context changes hands.
#include "platform/rtl/TObject.h"
#include "platform/vcl/graphics/TBrush.h"
#include "platform/vcl/graphics/TColor.h"
#include "platform/vcl/graphics/TPen.h"
#include "platform/vcl/graphics/Types.h"

class TBitmap;

enum TFillStyle { fsSurface, fsBorder };

class TCanvas : public TObject {
public:
    TCanvas() = default;
    ~TCanvas() override;

    // The device context; a canvas that can make its own makes it now.
    HDC Handle();
    void SetHandle(HDC hdc);
    bool HandleAllocated() const { return m_handle != nullptr; }

    TPen* Pen() { return &m_pen; }
    TBrush* Brush() { return &m_brush; }
    TPoint PenPos() const { return m_penPos; }
    void SetPenPos(const TPoint& p) { MoveTo(p.X, p.Y); }

    void MoveTo(int x, int y);
    // Draws with the pen from the pen position to (x, y), leaving out (x, y).
    void LineTo(int x, int y);
    // Fills with the brush; right and bottom edges are exclusive.
    void FillRect(const TRect& rect);
    // Outline with the pen, inside filled with the brush.
    void Rectangle(int left, int top, int right, int bottom);
    void Rectangle(const TRect& rect) { Rectangle(rect.Left, rect.Top, rect.Right, rect.Bottom); }
    // Fills with the brush from (x, y): fsBorder up to pixels of color,
    // fsSurface across pixels of color.
    void FloodFill(int x, int y, TColor color, TFillStyle style);
    TColor Pixels(int x, int y);
    void SetPixel(int x, int y, TColor color);

    // Copies a bitmap at its own size, or stretched onto rect.
    void Draw(int x, int y, TBitmap* bitmap);
    void StretchDraw(const TRect& rect, TBitmap* bitmap);
    void CopyRect(const TRect& dest, TCanvas* source, const TRect& sourceRect);
    TRect ClipRect();

protected:
    // Called by Handle() when there is none; a canvas with a context of its own overrides it.
    virtual void CreateHandle() { }
    // Deselects the canvas's pen and brush and forgets the context.
    void ReleaseContext();

private:
    void PenNeeded();
    void BrushNeeded();
    void FreeObjects();
    void Install(HGDIOBJ next, HGDIOBJ& current, HGDIOBJ& original);

    HDC m_handle { nullptr };
    TPen m_pen;
    TBrush m_brush;
    TPoint m_penPos;
    HGDIOBJ m_gdiPen { nullptr };
    HGDIOBJ m_gdiBrush { nullptr };
    HGDIOBJ m_oldPen { nullptr };
    HGDIOBJ m_oldBrush { nullptr };
    unsigned m_penRevision { ~0u };
    unsigned m_brushRevision { ~0u };
};
