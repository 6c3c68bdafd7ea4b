#pragma once
// TVelGraphics: a non-visual component that draws the graphs of formulas in x
// onto a canvas the caller passes in: background, optional grid, optional
// axis cross, and each formula sampled at its own step in its own colour, as
// dots or joined lines, with gaps where a sample cannot be evaluated.
//
//   TVelGraphics plot(nullptr);
//   plot.Expressions()->Add("sin x");  plot.Colors()->Add("255");  plot.Steps()->Add("0.1");
//   int result = plot.DrawToCanvas(bitmap.Canvas());
//
// DrawToCanvas pumps the application's messages before each grid line and
// each formula, so a handler running then may call Cancel.
#include "platform/rtl/TComponent.h"
#include "platform/rtl/TStringList.h"
#include "platform/vcl/graphics/TCanvas.h"
#include "platform/vcl/graphics/TColor.h"
#include <cstdint>

class TVelGraphics : public TComponent {
public:
    explicit TVelGraphics(TComponent* owner = nullptr);

    // One formula per line; line i of Colors and Steps belongs to formula i.
    TStrings* Expressions() { return &FExpressions; }
    void SetExpressions(const TStrings* lines);
    // Decimal colour values (0x00BBGGRR).
    TStrings* Colors() { return &FColors; }
    void SetColors(const TStrings* lines);
    // Sampling steps in x units, read like number texts of the parser.
    TStrings* Steps() { return &FSteps; }
    void SetSteps(const TStrings* lines);

    TColor Background() const { return FBackground; }
    void SetBackground(TColor value) { FBackground = value; }
    bool PointsOnly() const { return FPointsOnly; }
    void SetPointsOnly(bool value) { FPointsOnly = value; }
    bool Cross() const { return FCross; }
    void SetCross(bool value) { FCross = value; }
    TColor CrossColor() const { return FCrossColor; }
    void SetCrossColor(TColor value) { FCrossColor = value; }
    bool Grid() const { return FGrid; }
    void SetGrid(bool value) { FGrid = value; }
    TColor GridColor() const { return FGridColor; }
    void SetGridColor(TColor value) { FGridColor = value; }
    long double GridSpace() const { return FGridSpace; }
    void SetGridSpace(long double value) { FGridSpace = value; }
    long double X_From() const { return FX_From; }
    void SetMinusX(long double value) { FX_From = value; }
    long double X_To() const { return FX_To; }
    void SetPlusX(long double value) { FX_To = value; }
    long double Y_From() const { return FY_From; }
    void SetMinusY(long double value) { FY_From = value; }
    long double Y_To() const { return FY_To; }
    void SetPlusY(long double value) { FY_To = value; }
    int32_t DestinationWidth() const { return FDestinationWidth; }
    void SetDestWidth(int32_t value) { FDestinationWidth = value; }
    int32_t DestinationHeight() const { return FDestinationHeight; }
    void SetDestHeight(int32_t value) { FDestinationHeight = value; }
    // Samples with |y| at or above this start a new line (0: off).
    long double Y_MaxDifference() const { return FY_MaxDifference; }
    void SetAbstand(long double value) { FY_MaxDifference = value; }
    bool Cancelled() const { return FCancelled; }
    // Stops the running DrawToCanvas at its next check.
    void Cancel() { FCancelled = true; }
    bool ClearCanvas() const { return FClearCanvas; }
    void SetClearCanvas(bool value) { FClearCanvas = value; }

    // 0 when every formula built; otherwise the 1-based number of the last
    // formula that did not build; -1 when cancelled.
    int32_t DrawToCanvas(TCanvas* canvas);

    // The pixel column or row of the world value v for an area of size
    // pixels showing from..to. A span of 0 raises EZeroDivide.
    static int32_t UmrechnenX(long double v, int32_t size, double from, double to);
    static int32_t UmrechnenY(long double v, int32_t size, double from, double to);

private:
    // The four runs of grid lines; false when cancelled.
    bool DrawGrid(TCanvas* canvas, int32_t width, int32_t height, double xFrom, double xTo, double yFrom, double yTo);
    void FillBackground(TCanvas* canvas, int32_t width, int32_t height);

    TStringList FExpressions;
    TStringList FColors;
    TStringList FSteps;
    TColor FBackground { clWhite };
    bool FPointsOnly { true };
    bool FCross { true };
    TColor FCrossColor { clBlack };
    bool FGrid { false };
    TColor FGridColor { clSilver };
    long double FGridSpace { 1 };
    long double FX_From { -10 };
    long double FX_To { 10 };
    long double FY_From { -10 };
    long double FY_To { 10 };
    int32_t FDestinationWidth { 640 };
    int32_t FDestinationHeight { 480 };
    long double FY_MaxDifference { 0 };
    bool FCancelled { false };
    bool FClearCanvas { true };
};
