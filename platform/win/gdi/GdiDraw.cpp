// Drawing on a context: rectangles, lines, pixels, flood fill, clipping and
// the viewport origin. Coordinates are logical; the origin turns them into
// device coordinates. Areas are half-open and a line leaves out its last point.
#include "platform/win/gdi/GdiInternal.h"
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <new>

namespace gdi {
namespace {

// Clamps a 64-bit device coordinate so the rectangle arithmetic stays in range.
LONG Clamp(int64_t v) { return static_cast<LONG>(std::clamp<int64_t>(v, INT32_MIN / 2, INT32_MAX / 2)); }

RECT ToDevice(DC* dc, LONG l, LONG t, LONG r, LONG b)
{
    return RECT { Clamp(int64_t(l) + dc->origin.x), Clamp(int64_t(t) + dc->origin.y), Clamp(int64_t(r) + dc->origin.x),
        Clamp(int64_t(b) + dc->origin.y) };
}

void Fill(const Target& t, const RECT& r, COLORREF color)
{
    RECT c;
    if (!IntersectRect(&c, &r, &t.clip))
        return;
    if (t.recording) {
        GdiRecordedOp op;
        op.kind = GdiRecordedOp::Kind::FillRect;
        op.clip = t.clip;
        op.rect = c;
        op.color = color;
        t.recording->Add(op);
        return;
    }
    if (!t.bitmap)
        return;
    uint32_t pixel = PixelFromColorRef(color);
    for (LONG y = c.top; y < c.bottom; ++y)
        std::fill(t.bitmap->Row(y) + c.left, t.bitmap->Row(y) + c.right, pixel);
}

inline bool Inside(const RECT& r, int64_t x, int64_t y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

// A pen dot: one pixel, or a square of the pen's width centred on the point.
void Dot(const Target& t, int64_t x, int64_t y, int width, uint32_t pixel)
{
    if (width <= 1) {
        if (Inside(t.clip, x, y))
            t.bitmap->Row(static_cast<int>(y))[x] = pixel;
        return;
    }
    int64_t x0 = x - width / 2, y0 = y - width / 2;
    for (int64_t yy = std::max<int64_t>(y0, t.clip.top); yy < std::min<int64_t>(y0 + width, t.clip.bottom); ++yy)
        for (int64_t xx = std::max<int64_t>(x0, t.clip.left); xx < std::min<int64_t>(x0 + width, t.clip.right); ++xx)
            t.bitmap->Row(static_cast<int>(yy))[xx] = pixel;
}

// A line from (x0, y0) towards (x1, y1), the end point left out. Point i of
// the n steps along the major axis lies at major0 + i and minor0 +
// round(i * m / n) (m the minor extent). The closed form lets the range of i
// that can touch the surface be found first, so a line of any length costs
// only the pixels it may paint.
void Line(const Target& t, int64_t x0, int64_t y0, int64_t x1, int64_t y1, int width, uint32_t pixel)
{
    int64_t dx = std::llabs(x1 - x0), dy = std::llabs(y1 - y0);
    if (dx == 0 && dy == 0)
        return;
    bool xMajor = dx >= dy;
    int64_t n = xMajor ? dx : dy, m = xMajor ? dy : dx;
    int64_t a0 = xMajor ? x0 : y0, b0 = xMajor ? y0 : x0;
    int64_t sa = (xMajor ? x1 > x0 : y1 > y0) ? 1 : -1;
    int64_t sb = (xMajor ? y1 > y0 : x1 > x0) ? 1 : -1;
    auto offset = [&](int64_t i) { return static_cast<int64_t>((static_cast<__int128>(2) * i * m + n) / (2 * n)); };
    // The surface grown by the pen's width, on both axes.
    int64_t xLo = int64_t(t.clip.left) - width, xHi = int64_t(t.clip.right) + width;
    int64_t yLo = int64_t(t.clip.top) - width, yHi = int64_t(t.clip.bottom) + width;
    int64_t aLo = xMajor ? xLo : yLo, aHi = xMajor ? xHi : yHi;
    int64_t bLo = xMajor ? yLo : xLo, bHi = xMajor ? yHi : xHi;
    // Steps whose major coordinate lies in [aLo, aHi).
    int64_t lo = sa > 0 ? aLo - a0 : a0 - aHi + 1;
    int64_t hi = sa > 0 ? aHi - a0 : a0 - aLo + 1;
    lo = std::max<int64_t>(lo, 0);
    hi = std::min<int64_t>(hi, n);
    if (lo >= hi)
        return;
    // The minor offset grows with i: keep the steps whose offset k satisfies
    // kMin <= k <= kMax.
    int64_t kMin = sb > 0 ? bLo - b0 : b0 - bHi + 1;
    int64_t kMax = sb > 0 ? bHi - 1 - b0 : b0 - bLo;
    auto firstAtLeast = [&](int64_t k) { // first i in [lo, hi) with offset(i) >= k, else hi
        int64_t l = lo, h = hi;
        while (l < h) {
            int64_t mid = l + (h - l) / 2;
            if (offset(mid) >= k)
                h = mid;
            else
                l = mid + 1;
        }
        return l;
    };
    int64_t from = firstAtLeast(kMin);
    int64_t to = kMax == INT64_MAX ? hi : firstAtLeast(kMax + 1);
    for (int64_t i = from; i < to; ++i) {
        int64_t a = a0 + sa * i, b = b0 + sb * offset(i);
        Dot(t, xMajor ? a : b, xMajor ? b : a, width, pixel);
    }
}

} // namespace
} // namespace gdi

using namespace gdi;

HPEN CreatePen(int style, int width, COLORREF color)
{
    auto* p = new (std::nothrow) Pen;
    if (!p)
        return nullptr;
    p->style = style == PS_NULL ? PS_NULL : PS_SOLID;
    p->width = std::max(1, width);
    p->color = color & 0xFFFFFF;
    Register(p);
    return HandleOf<HPEN>(p);
}

HBRUSH CreateSolidBrush(COLORREF color)
{
    auto* b = new (std::nothrow) Brush;
    if (!b)
        return nullptr;
    b->color = color & 0xFFFFFF;
    Register(b);
    return HandleOf<HBRUSH>(b);
}

int FillRect(HDC hdc, const RECT* rect, HBRUSH brush)
{
    DC* dc = AsDC(hdc);
    auto* b = static_cast<Brush*>(Lookup(brush, ObjectKind::Brush));
    if (!dc || !rect || !b)
        return 0;
    if (b->style == BS_NULL)
        return 1;
    Fill(TargetOf(dc), ToDevice(dc, rect->left, rect->top, rect->right, rect->bottom), b->color);
    return 1;
}

BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom)
{
    DC* dc = AsDC(hdc);
    if (!dc)
        return FALSE;
    if (right < left)
        std::swap(left, right);
    if (bottom < top)
        std::swap(top, bottom);
    Target t = TargetOf(dc);
    RECT r = ToDevice(dc, left, top, right, bottom);
    int w = dc->pen->style == PS_NULL ? 0 : dc->pen->width;
    // The outline lies inside the rectangle; the brush fills what is within it.
    if (dc->brush->style != BS_NULL)
        Fill(t, RECT { r.left + w, r.top + w, r.right - w, r.bottom - w }, dc->brush->color);
    if (w > 0) {
        COLORREF c = dc->pen->color;
        Fill(t, RECT { r.left, r.top, r.right, std::min(r.top + w, r.bottom) }, c);
        Fill(t, RECT { r.left, std::max(r.bottom - w, r.top), r.right, r.bottom }, c);
        Fill(t, RECT { r.left, r.top + w, std::min(r.left + w, r.right), r.bottom - w }, c);
        Fill(t, RECT { std::max(r.right - w, r.left), r.top + w, r.right, r.bottom - w }, c);
    }
    return TRUE;
}

// The pen position and the viewport origin: a point of the context, set and read.
static BOOL SetContextPoint(HDC hdc, POINT DC::*field, int x, int y, POINT* previous)
{
    DC* dc = AsDC(hdc);
    if (!dc)
        return FALSE;
    if (previous)
        *previous = dc->*field;
    dc->*field = POINT { x, y };
    return TRUE;
}

static BOOL GetContextPoint(HDC hdc, POINT DC::*field, POINT* point)
{
    DC* dc = AsDC(hdc);
    if (!dc || !point)
        return FALSE;
    *point = dc->*field;
    return TRUE;
}

BOOL MoveToEx(HDC hdc, int x, int y, POINT* previous) { return SetContextPoint(hdc, &DC::position, x, y, previous); }
BOOL GetCurrentPositionEx(HDC hdc, POINT* point) { return GetContextPoint(hdc, &DC::position, point); }

BOOL LineTo(HDC hdc, int x, int y)
{
    DC* dc = AsDC(hdc);
    if (!dc)
        return FALSE;
    POINT from = dc->position;
    dc->position = POINT { x, y };
    if (dc->pen->style == PS_NULL)
        return TRUE;
    Target t = TargetOf(dc);
    int64_t x0 = int64_t(from.x) + dc->origin.x, y0 = int64_t(from.y) + dc->origin.y;
    int64_t x1 = int64_t(x) + dc->origin.x, y1 = int64_t(y) + dc->origin.y;
    if (t.recording) {
        if (x0 == x1 && y0 == y1)
            return TRUE;
        GdiRecordedOp op;
        op.kind = GdiRecordedOp::Kind::Line;
        op.clip = t.clip;
        op.from = POINT { Clamp(x0), Clamp(y0) };
        op.to = POINT { Clamp(x1), Clamp(y1) };
        op.color = dc->pen->color;
        op.penWidth = dc->pen->width;
        t.recording->Add(op);
        return TRUE;
    }
    if (t.bitmap && !IsRectEmpty(&t.clip))
        Line(t, x0, y0, x1, y1, dc->pen->width, PixelFromColorRef(dc->pen->color));
    return TRUE;
}

COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color)
{
    DC* dc = AsDC(hdc);
    if (!dc)
        return CLR_INVALID;
    Target t = TargetOf(dc);
    int64_t dx = int64_t(x) + dc->origin.x, dy = int64_t(y) + dc->origin.y;
    if (!Inside(t.clip, dx, dy))
        return CLR_INVALID;
    color &= 0xFFFFFF;
    if (t.recording) {
        GdiRecordedOp op;
        op.kind = GdiRecordedOp::Kind::Pixel;
        op.clip = t.clip;
        op.rect = RECT { LONG(dx), LONG(dy), LONG(dx + 1), LONG(dy + 1) };
        op.color = color;
        t.recording->Add(op);
        return color;
    }
    t.bitmap->Row(static_cast<int>(dy))[dx] = PixelFromColorRef(color);
    return color;
}

// A logical point on a context's raster: its device coordinates, when it lies
// on the raster and inside the clip.
static bool RasterPoint(HDC hdc, int x, int y, DC*& dc, Target& t, int64_t& dx, int64_t& dy)
{
    dc = AsDC(hdc);
    if (!dc)
        return false;
    t = TargetOf(dc);
    dx = int64_t(x) + dc->origin.x;
    dy = int64_t(y) + dc->origin.y;
    return t.bitmap && Inside(t.clip, dx, dy);
}

COLORREF GetPixel(HDC hdc, int x, int y)
{
    DC* dc;
    Target t;
    int64_t dx, dy;
    if (!RasterPoint(hdc, x, y, dc, t, dx, dy))
        return CLR_INVALID;
    return ColorRefFromPixel(t.bitmap->Row(static_cast<int>(dy))[dx]);
}

BOOL ExtFloodFill(HDC hdc, int x, int y, COLORREF color, UINT type)
{
    DC* dc;
    Target t;
    int64_t sx, sy;
    if (!RasterPoint(hdc, x, y, dc, t, sx, sy))
        return FALSE;
    color &= 0xFFFFFF;
    bool border = type == FLOODFILLBORDER;
    // Border mode fills up to pixels of the colour, surface mode fills pixels of it.
    auto fill = [&](uint32_t p) { bool same = ColorRefFromPixel(p) == color; return border ? !same : same; };
    Bitmap* bm = t.bitmap;
    if (!fill(bm->Row(static_cast<int>(sy))[sx]))
        return FALSE;
    if (dc->brush->style == BS_NULL)
        return TRUE;
    uint32_t paint = PixelFromColorRef(dc->brush->color);
    const RECT c = t.clip;
    int cw = c.right - c.left;
    // Visited marks, since painted pixels may still pass the test (border mode).
    std::vector<uint8_t> seen(static_cast<size_t>(cw) * (c.bottom - c.top), 0);
    auto mark = [&](LONG px, LONG py) -> uint8_t& { return seen[static_cast<size_t>(py - c.top) * cw + (px - c.left)]; };
    std::vector<POINT> stack;
    stack.push_back(POINT { LONG(sx), LONG(sy) });
    while (!stack.empty()) {
        POINT p = stack.back();
        stack.pop_back();
        if (mark(p.x, p.y) || !fill(bm->Row(p.y)[p.x]))
            continue;
        LONG l = p.x, r = p.x;
        while (l > c.left && !mark(l - 1, p.y) && fill(bm->Row(p.y)[l - 1]))
            --l;
        while (r + 1 < c.right && !mark(r + 1, p.y) && fill(bm->Row(p.y)[r + 1]))
            ++r;
        for (LONG i = l; i <= r; ++i) {
            mark(i, p.y) = 1;
            bm->Row(p.y)[i] = paint;
        }
        for (LONG ny : { p.y - 1, p.y + 1 }) {
            if (ny < c.top || ny >= c.bottom)
                continue;
            bool inRun = false;
            for (LONG i = l; i <= r; ++i) {
                bool ok = !mark(i, ny) && fill(bm->Row(ny)[i]);
                if (ok && !inRun)
                    stack.push_back(POINT { i, ny });
                inRun = ok;
            }
        }
    }
    return TRUE;
}

BOOL FloodFill(HDC hdc, int x, int y, COLORREF border)
{
    return ExtFloodFill(hdc, x, y, border, FLOODFILLBORDER);
}

int IntersectClipRect(HDC hdc, int left, int top, int right, int bottom)
{
    DC* dc = AsDC(hdc);
    if (!dc)
        return ERROR;
    RECT r = ToDevice(dc, left, top, right, bottom);
    if (!dc->clipped) {
        dc->clip = r;
        dc->clipped = true;
    } else {
        RECT out;
        IntersectRect(&out, &dc->clip, &r);
        dc->clip = out;
    }
    return IsRectEmpty(&dc->clip) ? NULLREGION : SIMPLEREGION;
}

int SelectClipRgn(HDC hdc, const void* region)
{
    DC* dc = AsDC(hdc);
    if (!dc || region)
        return ERROR;
    dc->clipped = false;
    return SIMPLEREGION;
}

int GetClipBox(HDC hdc, RECT* rect)
{
    DC* dc = AsDC(hdc);
    if (!dc || !rect)
        return ERROR;
    Target t = TargetOf(dc);
    RECT c = t.bitmap || t.recording ? t.clip : (dc->clipped ? dc->clip : RECT { 0, 0, ScreenWidth(), ScreenHeight() });
    *rect = RECT { c.left - dc->origin.x, c.top - dc->origin.y, c.right - dc->origin.x, c.bottom - dc->origin.y };
    return IsRectEmpty(rect) ? NULLREGION : SIMPLEREGION;
}

BOOL SetViewportOrgEx(HDC hdc, int x, int y, POINT* previous) { return SetContextPoint(hdc, &DC::origin, x, y, previous); }
BOOL GetViewportOrgEx(HDC hdc, POINT* point) { return GetContextPoint(hdc, &DC::origin, point); }

BOOL SetRect(RECT* rect, int left, int top, int right, int bottom)
{
    if (!rect)
        return FALSE;
    *rect = RECT { left, top, right, bottom };
    return TRUE;
}

BOOL IsRectEmpty(const RECT* rect)
{
    return !rect || rect->right <= rect->left || rect->bottom <= rect->top;
}

BOOL IntersectRect(RECT* dest, const RECT* a, const RECT* b)
{
    if (!dest || !a || !b)
        return FALSE;
    RECT r { std::max(a->left, b->left), std::max(a->top, b->top), std::min(a->right, b->right), std::min(a->bottom, b->bottom) };
    if (IsRectEmpty(&r)) {
        *dest = RECT {};
        return FALSE;
    }
    *dest = r;
    return TRUE;
}
