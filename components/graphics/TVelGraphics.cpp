#include "components/graphics/TVelGraphics.h"
#include "components/graphics/VelParser.h"
#include "components/parser/FpuFlags.h"
#include "platform/rtl/Exceptions.h"
#include "platform/vcl/forms/TApplication.h"
#include "platform/win/gdi/WinGdi.h"
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace {

// The grid's clear colour; the flood fill then turns it into the background.
constexpr TColor kClearColor = clSilver;

void PumpMessages()
{
    if (Application)
        Application->ProcessMessages();
}

// A pixel coordinate from its exact value: truncated toward zero. Values too
// large for any integer are an error of the sample; values beyond the 32-bit
// range are clamped to it, so lines towards them still point the right way.
int32_t ToPixel(long double exact)
{
    if (!std::isfinite(exact) || std::fabs(exact) >= 9223372036854775808.0L)
        throw EInvalidOp();
    long double whole = std::trunc(exact);
    whole = std::clamp(whole, static_cast<long double>(std::numeric_limits<int32_t>::min()),
        static_cast<long double>(std::numeric_limits<int32_t>::max()));
    return static_cast<int32_t>(whole);
}

long double Span(double from, double to)
{
    long double span = static_cast<long double>(to) - from;
    if (span == 0)
        throw EZeroDivide();
    return span;
}

// The runtime's text-to-integer conversion: leading blanks, an optional
// sign, decimal digits up to the first other character; 0 without digits.
TColor ColorValue(const AnsiString& text)
{
    long value = std::strtol(text.c_str(), nullptr, 10);
    return static_cast<TColor>(static_cast<uint32_t>(static_cast<unsigned long>(value)));
}

// Keeps a flood fill inside the drawing area and puts the context's clip
// back afterwards.
class ClipToArea {
public:
    ClipToArea(HDC dc, int32_t width, int32_t height)
        : m_dc(dc)
    {
        GetClipBox(m_dc, &m_before);
        SelectClipRgn(m_dc, nullptr);
        RECT whole {};
        GetClipBox(m_dc, &whole);
        m_wasClipped = m_before.left != whole.left || m_before.top != whole.top || m_before.right != whole.right
            || m_before.bottom != whole.bottom;
        Restore();
        IntersectClipRect(m_dc, 0, 0, width, height);
    }
    ~ClipToArea()
    {
        SelectClipRgn(m_dc, nullptr);
        Restore();
    }
    ClipToArea(const ClipToArea&) = delete;
    ClipToArea& operator=(const ClipToArea&) = delete;

private:
    void Restore()
    {
        if (m_wasClipped)
            IntersectClipRect(m_dc, m_before.left, m_before.top, m_before.right, m_before.bottom);
    }

    HDC m_dc;
    RECT m_before {};
    bool m_wasClipped { false };
};

// Empties the private parser's stored tree when a drawing ends, on every path.
class ReleaseTrees {
public:
    explicit ReleaseTrees(VelParser& parser) : m_parser(parser) { }
    ~ReleaseTrees() { m_parser.ReleaseTree(); }
    ReleaseTrees(const ReleaseTrees&) = delete;
    ReleaseTrees& operator=(const ReleaseTrees&) = delete;

private:
    VelParser& m_parser;
};

}

TVelGraphics::TVelGraphics(TComponent* owner)
    : TComponent(owner)
{
}

void TVelGraphics::SetExpressions(const TStrings* lines)
{
    if (lines != &FExpressions)
        lines ? FExpressions.Assign(*lines) : FExpressions.Clear();
}

void TVelGraphics::SetColors(const TStrings* lines)
{
    if (lines != &FColors)
        lines ? FColors.Assign(*lines) : FColors.Clear();
}

void TVelGraphics::SetSteps(const TStrings* lines)
{
    if (lines != &FSteps)
        lines ? FSteps.Assign(*lines) : FSteps.Clear();
}

int32_t TVelGraphics::UmrechnenX(long double v, int32_t size, double from, double to)
{
    long double span = Span(from, to);
    FpuFlags::Reset();
    return ToPixel(FpuFlags::Checked((v - from) * size / span));
}

int32_t TVelGraphics::UmrechnenY(long double v, int32_t size, double from, double to)
{
    long double span = Span(from, to);
    FpuFlags::Reset();
    return ToPixel(FpuFlags::Checked((to - v) * size / span));
}

void TVelGraphics::FillBackground(TCanvas* canvas, int32_t width, int32_t height)
{
    canvas->Brush()->SetColor(FBackground);
    HDC dc = canvas->Handle();
    if (!dc)
        return;
    // Border mode: everything connected to (10, 10) that is not yet of the
    // background colour, but nothing outside the drawing area.
    ClipToArea clip(dc, width, height);
    canvas->FloodFill(10, 10, FBackground, fsBorder);
}

bool TVelGraphics::DrawGrid(TCanvas* canvas, int32_t width, int32_t height, double xFrom, double xTo, double yFrom,
    double yTo)
{
    long double g = std::fabs(FGridSpace);
    if (std::isnan(g))
        throw EInvalidOp();
    if (g == 0)
        throw EZeroDivide();
    // The axes' own positions; they also reject a window without width or height.
    UmrechnenX(0, width, xFrom, xTo);
    UmrechnenY(0, height, yFrom, yTo);
    canvas->Pen()->SetColor(FGridColor);

    // The k-th line lies at k * g itself. Only lines inside the area are
    // visited, so a window far from the origin costs no more than one near it.
    struct Axis {
        bool horizontal;
        int32_t extent;
        double from, to;
        long double low, high;  // the k whose lines may fall inside
        bool drawn;             // spacing of at least one pixel
    };
    auto axis = [&](bool horizontal) {
        int32_t extent = horizontal ? height : width;
        double from = horizontal ? yFrom : xFrom;
        double to = horizontal ? yTo : xTo;
        long double span = std::fabs(static_cast<long double>(to) - from);
        long double lo = std::min<long double>(from, to) / g;
        long double hi = std::max<long double>(from, to) / g;
        return Axis { horizontal, extent, from, to, std::ceil(lo) - 1, std::floor(hi) + 1,
            static_cast<long double>(extent) * g / span >= 1 };
    };
    const Axis rows = axis(true);
    const Axis columns = axis(false);

    // Runs away from the origin: below the x axis, above it, right of the y
    // axis, left of it.
    auto run = [&](const Axis& a, int direction) {
        if (!a.drawn)
            return true;
        long double first = direction > 0 ? std::max<long double>(1, a.low) : std::max<long double>(1, -a.high);
        long double last = direction > 0 ? a.high : -a.low;
        if (!(first <= last))
            return true;
        // At least a pixel apart, no more than extent + 1 lines can be inside.
        long double candidates = std::min<long double>(last - first + 1, static_cast<long double>(a.extent) + 3);
        for (int64_t i = 0; i < static_cast<int64_t>(candidates); ++i) {
            long double k = direction * (first + static_cast<long double>(i));
            int32_t at = a.horizontal ? UmrechnenY(k * g, a.extent, a.from, a.to) : UmrechnenX(k * g, a.extent, a.from, a.to);
            if (at < 0 || at > a.extent)
                continue;
            if (FCancelled)
                return false;
            PumpMessages();
            if (a.horizontal) {
                canvas->MoveTo(1, at);
                canvas->LineTo(width, at);
            } else {
                canvas->MoveTo(at, 1);
                canvas->LineTo(at, height);
            }
        }
        return true;
    };
    return run(rows, -1) && run(rows, 1) && run(columns, 1) && run(columns, -1);
}

int32_t TVelGraphics::DrawToCanvas(TCanvas* canvas)
{
    FCancelled = false;
    if (!canvas)
        return 0;
    FpuFlags::Reset();
    const int32_t width = FDestinationWidth;
    const int32_t height = FDestinationHeight;
    const long double xFrom = FX_From;
    const long double xTo = FX_To;
    const long double yFrom = FY_From;
    const long double yTo = FY_To;

    VelParser parser;
    ReleaseTrees release(parser);
    if (FClearCanvas && width > 10 && height > 10 && canvas->ClipRect().Contains(TPoint(10, 10))) {
        // The fill from (10, 10) would turn the whole silver area (as far as
        // the canvas shows it) into the background, so paint that at once.
        canvas->Brush()->SetColor(FBackground);
        canvas->FillRect(TRect(0, 0, width, height));
    } else {
        if (FClearCanvas) {
            canvas->Brush()->SetColor(kClearColor);
            canvas->FillRect(TRect(0, 0, width, height));
        }
        FillBackground(canvas, width, height);
    }

    if (FGrid && !DrawGrid(canvas, width, height, xFrom, xTo, yFrom, yTo))
        return -1;
    if (FCross) {
        int32_t x0 = UmrechnenX(0, width, xFrom, xTo);
        int32_t y0 = UmrechnenY(0, height, yFrom, yTo);
        canvas->Pen()->SetColor(FCrossColor);
        canvas->MoveTo(1, y0);
        canvas->LineTo(width, y0);
        canvas->MoveTo(x0, 1);
        canvas->LineTo(x0, height);
    }

    int32_t failed = -1;
    long double step = 1;  // carries over when a step text cannot be read
    for (int i = 0; i < FExpressions.Count(); ++i) {
        if (FCancelled)
            return -1;
        PumpMessages();
        AnsiString expression = FExpressions.Get(i);
        AnsiString stepText = FSteps.Get(i);
        TColor color = ColorValue(FColors.Get(i));
        try {
            step = parser.StrToLongDouble(stepText);
        } catch (const Exception&) {
        }
        parser.SetExpression(expression);
        if (!parser.CreateTree()) {
            failed = i;
            continue;
        }
        long double span = xTo - xFrom;
        if (span == 0)
            throw EZeroDivide();
        FpuFlags::Reset();
        long double exactStep = std::trunc(width * step / span);
        FpuFlags::Reset();
        int64_t pixelStep = 1;
        if (exactStep >= 1)
            pixelStep = exactStep > width ? std::max<int64_t>(width, 1) : static_cast<int64_t>(exactStep);

        canvas->Pen()->SetColor(color);
        bool open = false;  // whether a line continues from the previous sample
        TPoint previous;
        for (int64_t px = 1; px <= width; px += pixelStep) {
            if (FCancelled)
                return -1;
            long double x = px * span / width + xFrom;
            parser.SetX(parser.LongDoubleToStr(x));
            try {
                long double y = parser.Evaluate();
                if (FY_MaxDifference > 0 && std::fabs(y) >= FY_MaxDifference)
                    open = false;
                int32_t row = UmrechnenY(y, height, yFrom, yTo);
                int32_t column = static_cast<int32_t>(px);
                if (!open) {
                    // Each new line starts with a one-pixel stub.
                    previous = TPoint(column - 1, row - 1);
                    open = true;
                }
                if (FPointsOnly) {
                    canvas->MoveTo(column - 1, row - 1);
                } else {
                    canvas->MoveTo(previous.X, previous.Y);
                    previous = TPoint(column, row);
                }
                canvas->LineTo(column, row);
            } catch (const std::exception&) {
                open = false;
            }
        }
    }
    return failed + 1;
}
