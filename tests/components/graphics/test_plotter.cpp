// The plotter on a bitmap canvas: background, grid, axes, graphs, gaps,
// cancelling and the errors that reach the caller. Pixels are checked one by
// one at positions worked out by hand from the default window (-10..10 on
// 640 by 480 pixels: 32 columns and 24 rows per unit, origin at 320, 240).
#include "components/graphics/TVelGraphics.h"
#include "components/graphics/VelParser.h"
#include "components/parser/TVelParser.h"
#include "platform/rtl/Exceptions.h"
#include "platform/vcl/forms/TApplication.h"
#include "platform/vcl/graphics/TBitmap.h"
#include "platform/win/core/Messages.h"
#include "tests/components/parser/LocaleScope.h"
#include <cmath>
#include <gtest/gtest.h>

namespace {

constexpr TColor kSilver = 0xC0C0C0;
constexpr TColor kWhite = 0xFFFFFF;
constexpr TColor kBlack = 0x000000;
constexpr TColor kRed = 0x0000FF;
constexpr TColor kBlue = 0xFF0000;

class Plotter : public ::testing::Test {
protected:
    LocaleScope locale { LocaleScope::Dot };
    TBitmap bitmap;
    TVelGraphics plot;

    void SetUp() override { bitmap.SetSize(640, 480); }

    TColor At(int x, int y) { return bitmap.Canvas()->Pixels(x, y); }

    void AddFormula(const char* formula, const char* step, const char* color)
    {
        plot.Expressions()->Add(formula);
        plot.Steps()->Add(step);
        plot.Colors()->Add(color);
    }

    // Whether some pixel of colour c lies in columns x0..x1 of row y.
    bool RowHas(int y, int x0, int x1, TColor c)
    {
        for (int x = x0; x <= x1; ++x) {
            if (At(x, y) == c)
                return true;
        }
        return false;
    }
};

TEST_F(Plotter, DefaultsDrawWhiteAreaAndBlackAxes)
{
    EXPECT_EQ(plot.DrawToCanvas(bitmap.Canvas()), 0);
    EXPECT_EQ(At(10, 10), kWhite);
    EXPECT_EQ(At(639, 479), kWhite);
    EXPECT_EQ(At(0, 240), kWhite) << "the axes start at 1";
    EXPECT_EQ(At(1, 240), kBlack);
    EXPECT_EQ(At(639, 240), kBlack);
    EXPECT_EQ(At(100, 239), kWhite);
    EXPECT_EQ(At(320, 0), kWhite);
    EXPECT_EQ(At(320, 1), kBlack);
    EXPECT_EQ(At(320, 479), kBlack);
    EXPECT_EQ(At(321, 100), kWhite);
}

TEST_F(Plotter, DefaultGridEvery32ColumnsAnd24Rows)
{
    TBitmap larger;  // one more pixel each way shows the outermost lines
    larger.SetSize(641, 481);
    plot.SetGrid(true);
    ASSERT_EQ(plot.DrawToCanvas(larger.Canvas()), 0);
    TCanvas* c = larger.Canvas();
    for (int k = 0; k <= 20; ++k) {
        EXPECT_EQ(c->Pixels(32 * k, 100), k == 10 ? kBlack : kSilver) << "column " << 32 * k;
        EXPECT_EQ(c->Pixels(100, 24 * k), k == 10 ? kBlack : kSilver) << "row " << 24 * k;
    }
    EXPECT_EQ(c->Pixels(16, 100), kWhite);
    EXPECT_EQ(c->Pixels(100, 12), kWhite);
    EXPECT_EQ(c->Pixels(0, 0), kWhite) << "grid lines start at 1";
    EXPECT_EQ(c->Pixels(600, 480), kSilver) << "the line at row 480 lies outside the area";
    EXPECT_EQ(c->Pixels(640, 300), kSilver);
}

TEST_F(Plotter, GridLinesLieAtTheirWorldValues)
{
    plot.SetGrid(true);
    plot.SetCross(false);
    plot.SetGridSpace(0.1L);
    ASSERT_EQ(plot.DrawToCanvas(bitmap.Canvas()), 0);
    // x = -10, -5, 5 at columns 0, 160, 480; x = 9.9 at 636 (9.9 + 10 = 19.9
    // units). Row 101 lies between the lines for y = 5.8 and 5.7.
    for (int column : { 0, 160, 480, 636 })
        EXPECT_EQ(At(column, 101), kSilver) << column;
    for (int column : { 637, 638, 639 })
        EXPECT_EQ(At(column, 101), kWhite) << "no line drifts to " << column;
    EXPECT_EQ(At(320, 101), kWhite) << "no grid line through the origin";
    EXPECT_EQ(At(5, 100), kSilver) << "y = 5.8";

    // Below one pixel apart: no grid at all.
    plot.SetGridSpace(0.01L);
    ASSERT_EQ(plot.DrawToCanvas(bitmap.Canvas()), 0);
    EXPECT_FALSE(RowHas(100, 0, 639, kSilver));
}

TEST_F(Plotter, GridFarFromTheOriginDrawsOnlyItsVisibleLines)
{
    // Stepping out from the origin would take a billion steps here.
    plot.SetGrid(true);
    plot.SetCross(false);
    plot.SetMinusX(1e9L);
    plot.SetPlusX(1e9L + 20);
    plot.SetMinusY(-1e12L);
    plot.SetPlusY(-1e12L + 20);
    ASSERT_EQ(plot.DrawToCanvas(bitmap.Canvas()), 0);
    for (int k = 0; k < 20; ++k) {
        EXPECT_EQ(At(32 * k, 100), kSilver) << "x = 1e9 + " << k;
        EXPECT_EQ(At(32 * k + 16, 100), kWhite) << "between the lines";
    }
    EXPECT_EQ(At(100, 456), kSilver) << "y = -1e12 + 1";
    EXPECT_EQ(At(100, 0), kSilver) << "y = -1e12 + 20";
}

TEST_F(Plotter, FormulasThatDoNotBuildAreSkippedAndReported)
{
    AddFormula("x", "0.1", "255");
    AddFormula("x^", "0.1", "0");
    AddFormula("sin x", "0.1", "16711680");
    EXPECT_EQ(plot.DrawToCanvas(bitmap.Canvas()), 2);
    // Column 400 is x = 2.5: x at row 180, sin 2.5 = 0.598 at row 225; a dot
    // is the pixel up and to the left of the sample.
    EXPECT_EQ(At(399, 179), kRed);
    EXPECT_EQ(At(399, 224), kBlue);
    EXPECT_EQ(At(400, 180), kWhite);
}

TEST_F(Plotter, StepsAndColours)
{
    struct Case {
        const char* step;
        const char* color;
        TColor expected;
        bool everyColumn;
    };
    const Case cases[] = {
        { "", "255", kRed, true },         // an empty step samples every column
        { "0.1", "255", kRed, false },     // every third column
        { "0.1", " +255xyz", kRed, false },
        { "0.1", "clRed", kBlack, false },  // not a number: colour 0
    };
    for (const Case& c : cases) {
        plot.Expressions()->Clear();
        plot.Steps()->Clear();
        plot.Colors()->Clear();
        AddFormula("0", c.step, c.color);
        ASSERT_EQ(plot.DrawToCanvas(bitmap.Canvas()), 0);
        EXPECT_EQ(At(0, 239), c.expected) << c.step << " " << c.color;
        EXPECT_EQ(At(3, 239), c.expected);
        EXPECT_EQ(At(1, 239), c.everyColumn ? c.expected : kWhite);
    }
}

TEST_F(Plotter, AStepThatCannotBeReadCarriesOver)
{
    AddFormula("0", "0.1", "255");
    AddFormula("1", "1e99999", "255");  // out of range: the step stays 0.1
    ASSERT_EQ(plot.DrawToCanvas(bitmap.Canvas()), 0);
    EXPECT_EQ(At(3, 215), kRed);
    EXPECT_EQ(At(1, 215), kWhite);
}

TEST_F(Plotter, JoinedLinesStartWithAStub)
{
    plot.SetPointsOnly(false);
    plot.SetCross(false);
    AddFormula("0", "0.1", "255");
    ASSERT_EQ(plot.DrawToCanvas(bitmap.Canvas()), 0);
    EXPECT_EQ(At(0, 239), kRed);
    EXPECT_EQ(At(0, 240), kWhite);
    for (int x = 1; x < 640; ++x)
        ASSERT_EQ(At(x, 240), kRed) << x;
}

TEST_F(Plotter, MaxDifferenceBreaksLinesAtPoles)
{
    plot.SetPointsOnly(false);
    plot.SetCross(false);
    struct Case {
        const char* formula;
        int x0, x1;      // columns around the pole
        int y0, y1;      // rows a bridge would cross
    };
    // 1/x: samples at 319 (y = -32) and 322 (y = 16).
    // tan x: samples at 370 (y = 108.6) and 373 (y = -11.6).
    const Case cases[] = { { "1/x", 318, 323, 100, 400 }, { "tan x", 368, 375, 100, 360 } };
    for (const Case& c : cases) {
        for (long double limit : { 0.0L, 10.0L }) {
            plot.Expressions()->Clear();
            plot.Steps()->Clear();
            plot.Colors()->Clear();
            AddFormula(c.formula, "0.1", "255");
            plot.SetAbstand(limit);
            ASSERT_EQ(plot.DrawToCanvas(bitmap.Canvas()), 0);
            for (int y = c.y0; y <= c.y1; ++y)
                ASSERT_EQ(RowHas(y, c.x0, c.x1, kRed), limit == 0) << c.formula << " row " << y << " limit " << double(limit);
        }
    }
}

TEST_F(Plotter, SamplesThatFailLeaveGaps)
{
    plot.SetPointsOnly(false);
    plot.SetCross(false);
    // ln of a negative x fails: nothing left of the origin, a line right of it.
    AddFormula("ln(x)/10", "", "255");
    ASSERT_EQ(plot.DrawToCanvas(bitmap.Canvas()), 0);
    EXPECT_FALSE(RowHas(240, 0, 318, kRed));
    EXPECT_TRUE(RowHas(240, 350, 360, kRed)) << "ln(1)/10 = 0 near column 352";
}

TEST_F(Plotter, CancelDuringTheGridDrawsNoFormula)
{
    plot.SetGrid(true);
    AddFormula("0", "", "255");
    HWND button = CreateMessageWindow([&](HWND, UINT, WPARAM, LPARAM) -> LRESULT {
        plot.Cancel();
        return 0;
    });
    PostMessage(button, 0x8001, 0, 0);  // handled by the first pump of the grid
    EXPECT_EQ(plot.DrawToCanvas(bitmap.Canvas()), -1);
    DestroyWindow(button);
    EXPECT_TRUE(plot.Cancelled());
    EXPECT_FALSE(RowHas(239, 0, 639, kRed));
    EXPECT_EQ(At(320, 100), kWhite) << "the axes come after the grid";
    // The next drawing starts uncancelled.
    EXPECT_EQ(plot.DrawToCanvas(bitmap.Canvas()), 0);
    EXPECT_TRUE(RowHas(239, 0, 639, kRed));
}

TEST_F(Plotter, NarrowWindowsUseTheirExactSpan)
{
    AddFormula("0.1", "0.1", "255");
    for (long double half : { 0.5L, 0.4L }) {
        plot.SetMinusY(-half);
        plot.SetPlusY(half);
        ASSERT_EQ(plot.DrawToCanvas(bitmap.Canvas()), 0) << double(half);
        EXPECT_EQ(At(100, 240), kBlack) << "the x axis in the middle";
        // y = 0.1 lies 0.1 / (2 * half) of the height above the middle.
        int row = static_cast<int>((half - 0.1L) * 480 / (2 * half));
        EXPECT_EQ(At(3, row - 1), kRed) << double(half);
    }
    plot.SetMinusY(0.4L);
    plot.SetPlusY(0.4L);
    EXPECT_THROW(plot.DrawToCanvas(bitmap.Canvas()), EZeroDivide) << "no height at all, with the cross";
    plot.SetCross(false);
    EXPECT_EQ(plot.DrawToCanvas(bitmap.Canvas()), 0) << "without cross and grid every sample fails";
    EXPECT_FALSE(RowHas(100, 0, 639, kRed));
}

TEST_F(Plotter, ErrorsOutsideTheSamplesReachTheCaller)
{
    AddFormula("x", "0.1", "255");
    plot.Expressions()->Add("x+1");
    EXPECT_THROW(plot.DrawToCanvas(bitmap.Canvas()), EListError) << "fewer steps than formulas";

    TVelGraphics grid;
    grid.SetGrid(true);
    grid.SetGridSpace(0);
    EXPECT_THROW(grid.DrawToCanvas(bitmap.Canvas()), EZeroDivide);

    TVelGraphics flat;
    flat.SetCross(false);
    flat.SetMinusX(3);
    flat.SetPlusX(3);
    EXPECT_EQ(flat.DrawToCanvas(bitmap.Canvas()), 0) << "nothing divides by the width before a formula builds";
    flat.Expressions()->Add("x");
    flat.Steps()->Add("1");
    flat.Colors()->Add("0");
    EXPECT_THROW(flat.DrawToCanvas(bitmap.Canvas()), EZeroDivide);
}

TEST_F(Plotter, FloodFillStaysInTheDrawingArea)
{
    TBitmap larger;
    larger.SetSize(800, 600);
    TCanvas* c = larger.Canvas();
    c->Brush()->SetColor(kRed);
    c->FillRect(TRect(0, 0, 800, 600));
    for (bool clear : { true, false }) {
        plot.SetClearCanvas(clear);
        ASSERT_EQ(plot.DrawToCanvas(c), 0);
        EXPECT_EQ(c->Pixels(10, 10), kWhite) << clear;
        EXPECT_EQ(c->Pixels(639, 479), kWhite);
        EXPECT_EQ(c->Pixels(640, 10), kRed) << "the caller's pixels stay";
        EXPECT_EQ(c->Pixels(700, 550), kRed);
        EXPECT_EQ(c->Pixels(10, 480), kRed);
    }
    // The canvas can still be drawn on everywhere afterwards.
    c->Brush()->SetColor(kBlue);
    c->FillRect(TRect(790, 590, 800, 600));
    EXPECT_EQ(c->Pixels(795, 595), kBlue);
}

TEST_F(Plotter, SameDrawingUnderACommaLocale)
{
    AddFormula("x/2.5", "0.1", "255");
    LocaleScope comma(LocaleScope::Comma);
    plot.Steps()->Put(0, "0,1");
    ASSERT_EQ(plot.DrawToCanvas(bitmap.Canvas()), 1) << "the literal must use the system separator";
    plot.Expressions()->Put(0, "x/2,5");
    ASSERT_EQ(plot.DrawToCanvas(bitmap.Canvas()), 0);
    // Column 400 is x = 2.5, y = 1: row 216.
    EXPECT_EQ(At(399, 215), kRed);
}

TEST(Conversions, PixelsFromWorldValues)
{
    struct Case {
        long double v;
        int32_t size;
        double from, to;
        int32_t column, row;
    };
    const Case cases[] = {
        { 0, 640, -10, 10, 320, 320 },
        { 10, 480, -10, 10, 480, 0 },
        { -10, 480, -10, 10, 0, 480 },
        { 0, 640, -M_PI, M_PI, 320, 320 },     // the exact span, not 6
        { 0.25L, 480, -0.5, 0.5, 360, 120 },
        { 1e12L, 480, -10, 10, INT32_MAX, INT32_MIN },  // clamped to 32 bits
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TVelGraphics::UmrechnenX(c.v, c.size, c.from, c.to), c.column) << double(c.v);
        EXPECT_EQ(TVelGraphics::UmrechnenY(c.v, c.size, c.from, c.to), c.row) << double(c.v);
    }
    EXPECT_THROW(TVelGraphics::UmrechnenX(1, 640, 2, 2), EZeroDivide);
    EXPECT_THROW(TVelGraphics::UmrechnenY(1e30L, 480, 0, 1), EInvalidOp) << "beyond any integer";
}

TEST(PrivateParser, SameEngineOwnTreeArithmeticErrors)
{
    LocaleScope locale(LocaleScope::Dot);
    TVelParser component;
    VelParser privateParser;
    component.SetExpression("x+1");
    ASSERT_TRUE(component.CreateTree());
    privateParser.SetExpression("8/4/2*x");
    ASSERT_TRUE(privateParser.CreateTree());
    component.SetX("3");
    privateParser.SetX("3");
    EXPECT_EQ(component.Evaluate(), 4) << "the plotter's parser has a tree of its own";
    EXPECT_EQ(privateParser.Evaluate(), 3);

    privateParser.SetExpression("(-8)^(1/3)");
    ASSERT_TRUE(privateParser.CreateTree());
    EXPECT_THROW(privateParser.Evaluate(), EInvalidOp);
    privateParser.SetExpression("0^(-1)");
    ASSERT_TRUE(privateParser.CreateTree());
    EXPECT_THROW(privateParser.Evaluate(), EZeroDivide);
}

TEST(PrivateParser, DrawingReleasesTheStoredTree)
{
    TBitmap bitmap;
    bitmap.SetSize(64, 48);
    TVelGraphics plot;
    plot.Expressions()->Add("sin x");
    plot.Steps()->Add("1");
    plot.Colors()->Add("0");
    ASSERT_EQ(plot.DrawToCanvas(bitmap.Canvas()), 0);
    VelParser parser;
    EXPECT_TRUE(parser.TreeRoot().IsLeaf());
    EXPECT_TRUE(parser.TreeRoot().Text.empty());
}

}
