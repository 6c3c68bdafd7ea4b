// Pixel tests of the dot-matrix display. The display draws onto its own
// surface; before each redraw under test the surface is painted with a marker
// colour that no property uses, so a pixel tells lit dot, unlit dot, or
// untouched (the background fill covers nothing).
#include "components/display/DigiGlyphs.h"
#include "components/display/TVelDigianz.h"
#include "platform/vcl/forms/TApplication.h"
#include "platform/vcl/forms/TForm.h"
#include "platform/vcl/forms/TPanel.h"
#include "platform/vcl/graphics/TCanvas.h"
#include <QApplication>
#include <QImage>
#include <QWidget>
#include <array>
#include <climits>
#include <functional>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <utility>

namespace {

constexpr TColor kOn = RGB(10, 250, 20);
constexpr TColor kOff = RGB(0, 100, 30);
constexpr TColor kBack = RGB(140, 130, 120);
constexpr TColor kMarker = RGB(1, 2, 3);

// The eleven glyphs as pictures, rows 1 to 7 from the top, columns 1 to 5.
const std::array<std::pair<const char*, std::array<const char*, 7>>, 11> kPictures { {
    { "0", { ".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###." } },
    { "1", { "..#..", ".##..", "..#..", "..#..", "..#..", "..#..", ".###." } },
    { "2", { ".###.", "#...#", "....#", "..##.", ".#...", "#....", "#####" } },
    { "3", { ".###.", "#...#", "....#", "..##.", "....#", "#...#", ".###." } },
    { "4", { "...#.", "..##.", ".#.#.", "#####", "...#.", "...#.", "...#." } },
    { "5", { "#####", "#....", "#....", ".###.", "....#", "....#", "####." } },
    { "6", { ".###.", "#...#", "#....", "####.", "#...#", "#...#", ".###." } },
    { "7", { "#####", "....#", "....#", "...#.", "..#..", ".#...", "#...." } },
    { "8", { ".###.", "#...#", "#...#", ".###.", "#...#", "#...#", ".###." } },
    { "9", { ".###.", "#...#", "#...#", ".####", "....#", "....#", ".###." } },
    { "%", { ".....", "#...#", "...#.", "..#..", ".#...", "#...#", "....." } },
} };

const std::array<const char*, 7>& PictureOf(const std::string& ch)
{
    for (const auto& [key, rows] : kPictures) {
        if (ch == key)
            return rows;
    }
    static const std::array<const char*, 7> dark { ".....", ".....", ".....", ".....", ".....", ".....", "....." };
    return dark;
}

// The copier's display: 230 by 71, four cells, 80 %, one gap square.
class DigianzTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        d.SetBounds(0, 0, 230, 71);
        d.SetV2Grund(kOn);
        d.SetV1Grund(kOff);
        d.SetHGrund(kBack);
    }

    void Mark()
    {
        d.Canvas()->Brush()->SetColor(kMarker);
        d.Canvas()->FillRect(TRect(0, 0, d.Width(), d.Height()));
    }

    TColor At(int x, int y) { return d.Canvas()->Pixels(x, y); }

    // Dot (col, row) of cell pos on the copier's geometry.
    static int DotX(int pos, int col) { return 60 * (pos - 1) + 10 * (col - 1); }
    static int DotY(int row) { return 10 * row - 8; }

    // The colour a whole 8 by 8 dot has, or kMarker-free mix reported as -1.
    TColor DotColour(int pos, int col, int row)
    {
        int x = DotX(pos, col), y = DotY(row);
        TColor c = At(x, y);
        for (auto [px, py] : { std::pair { x + 7, y }, { x, y + 7 }, { x + 7, y + 7 }, { x + 3, y + 4 } }) {
            if (At(px, py) != c)
                return -1;
        }
        return c;
    }

    void ExpectCell(int pos, const std::string& ch)
    {
        const auto& rows = PictureOf(ch);
        for (int row = 1; row <= 7; ++row) {
            for (int col = 1; col <= 5; ++col) {
                TColor want = rows[row - 1][col - 1] == '#' ? kOn : kOff;
                EXPECT_EQ(DotColour(pos, col, row), want) << "'" << ch << "' cell " << pos << " dot " << col << "," << row;
            }
            // The sixth column, in the gap after the cell, stays unlit.
            if (DotX(pos, 6) < 230) {
                EXPECT_EQ(DotColour(pos, 6, row), kOff) << "cell " << pos << " gap column, row " << row;
            }
        }
    }

    TVelDigianz d { nullptr };
};

TEST_F(DigianzTest, ConstructionDefaults)
{
    TVelDigianz fresh(nullptr);
    EXPECT_EQ(fresh.NumChars(), 4);
    EXPECT_EQ(fresh.MatixSize(), 80);
    EXPECT_EQ(fresh.SpaceSquares(), 1);
    EXPECT_EQ(fresh.Text(), "100%");
    EXPECT_EQ(fresh.BackgroundColor(), RGB(128, 128, 128));
    EXPECT_EQ(fresh.ForegroundColorOff(), RGB(0, 128, 0));
    EXPECT_EQ(fresh.ForegroundColorOn(), RGB(0, 255, 0));
}

TEST_F(DigianzTest, CopierGeometry)
{
    d.Repaint();
    EXPECT_EQ(d.Width(), 230);
    EXPECT_EQ(d.FPunktBreite, 8);
    EXPECT_EQ(d.FPunktLuecke, 2);
    EXPECT_EQ(d.FZeichenBreite, 50);
    EXPECT_EQ(d.FZeichenAbstand, 10);
    EXPECT_EQ(d.FPunktHoehe, 8);
    EXPECT_EQ(d.FZeilenLuecke, 2);
}

TEST_F(DigianzTest, ScaleTextLightsItsGlyphsCellByCell)
{
    Mark();
    d.SetFText("100%");
    ExpectCell(1, "1");
    ExpectCell(2, "0");
    ExpectCell(3, "0");
    ExpectCell(4, "%");

    // Between the dots nothing is drawn: the row gap above row 1, the column
    // gap after a dot, the gap after a cell's sixth column.
    for (auto [x, y] : { std::pair { 0, 0 }, { 3, 1 }, { 8, 2 }, { 9, 5 }, { 58, 12 }, { 59, 70 }, { 229, 69 } })
        EXPECT_EQ(At(x, y), kMarker) << x << "," << y;
    // The last cell's dots end at the right edge.
    EXPECT_EQ(At(227, 2), kOff);
}

TEST_F(DigianzTest, EveryGlyphMatchesItsPictureAndLitCount)
{
    const std::array<std::pair<const char*, int>, 11> counts { {
        { "0", 16 }, { "1", 10 }, { "2", 15 }, { "3", 14 }, { "4", 13 }, { "5", 16 },
        { "6", 17 }, { "7", 11 }, { "8", 17 }, { "9", 16 }, { "%", 7 },
    } };
    for (auto [key, count] : counts) {
        Mark();
        d.SetFText(key);
        ExpectCell(1, key);
        int lit = 0;
        for (int row = 1; row <= 7; ++row)
            for (int col = 1; col <= 6; ++col)
                lit += DotColour(1, col, row) == kOn;
        EXPECT_EQ(lit, count) << key;
        // Cells after the text are left alone.
        EXPECT_EQ(At(DotX(2, 1), DotY(1)), kMarker) << key;
    }
}

TEST_F(DigianzTest, CharactersOutsideTheTableShowUnlitCells)
{
    for (const char* text : { " ", "A", "a", "-", ".", "\xC3\xA4" }) {
        Mark();
        d.SetFText(text);
        for (int pos = 1; pos <= static_cast<int>(std::string(text).size()); ++pos)
            ExpectCell(pos, " ");
    }
    EXPECT_EQ(DigiGlyphDots("%%"), "");
    EXPECT_EQ(DigiGlyphDots(""), "");
}

TEST_F(DigianzTest, DotListsAreReadPairByPair)
{
    // column first, row second; more digits light more dots in the column;
    // a lone digit lights nothing; a non-digit keeps the previous value.
    const std::array<std::pair<const char*, std::set<std::pair<int, int>>>, 5> cases { {
        { "23", { { 2, 3 } } },
        { "345,1", { { 3, 4 }, { 3, 5 } } },
        { "4,5,", {} },
        { "52x", { { 5, 2 } } },
        { "11x7", { { 1, 1 }, { 1, 7 } } },
    } };
    for (const auto& [dots, want] : cases) {
        Mark();
        d.InitDigiAnz();
        d.Matrix(2);
        d.Zeichen(2, dots);
        std::set<std::pair<int, int>> lit;
        for (int row = 1; row <= 7; ++row)
            for (int col = 1; col <= 6; ++col)
                if (DotColour(2, col, row) == kOn)
                    lit.insert({ col, row });
        EXPECT_EQ(lit, want) << dots;
    }
}

TEST_F(DigianzTest, WidthTrimmedToWholeColumnsOnEveryRedraw)
{
    const std::array<std::pair<const char*, std::function<void(TVelDigianz&)>>, 5> redraws { {
        { "Repaint", [](TVelDigianz& x) { x.Repaint(); } },
        { "Refresh", [](TVelDigianz& x) { x.Refresh(); } },
        { "same text", [](TVelDigianz& x) { x.SetFText(x.Text()); } },
        { "colour", [](TVelDigianz& x) { x.SetHGrund(clRed); } },
        { "same cell count", [](TVelDigianz& x) { x.SetFBuchstabenanzahl(4); } },
    } };
    for (const auto& [name, redraw] : redraws) {
        d.SetWidth(100);
        EXPECT_EQ(d.Width(), 100) << name;
        redraw(d);
        EXPECT_EQ(d.Width(), 92) << name;
        EXPECT_EQ(d.FPunktBreite + d.FPunktLuecke, 4) << name;
    }
    // Narrower than one column count: nothing is left.
    d.SetWidth(22);
    d.Repaint();
    EXPECT_EQ(d.Width(), 0);
    d.SetWidth(46);
    d.Repaint();
    EXPECT_EQ(d.Width(), 46);
    EXPECT_EQ(d.FZeichenBreite, 10);
}

TEST_F(DigianzTest, SettersRedrawEvenWhenTheValueIsTheSame)
{
    const std::array<std::pair<const char*, std::function<void(TVelDigianz&)>>, 7> setters { {
        { "NumChars", [](TVelDigianz& x) { x.SetFBuchstabenanzahl(4); } },
        { "MatixSize", [](TVelDigianz& x) { x.SetMatrixgroesse(80); } },
        { "SpaceSquares", [](TVelDigianz& x) { x.SetFBuchstabenabstandkaestchen(1); } },
        { "Text", [](TVelDigianz& x) { x.SetFText("100%"); } },
        { "BackgroundColor", [](TVelDigianz& x) { x.SetHGrund(kBack); } },
        { "ForegroundColorOff", [](TVelDigianz& x) { x.SetV1Grund(kOff); } },
        { "ForegroundColorOn", [](TVelDigianz& x) { x.SetV2Grund(kOn); } },
    } };
    for (const auto& [name, set] : setters) {
        Mark();
        set(d);
        // Cell 1 is a "1": column 3 lit, column 1 unlit.
        EXPECT_EQ(DotColour(1, 3, 1), kOn) << name;
        EXPECT_EQ(DotColour(1, 1, 1), kOff) << name;
    }
    Mark();
    d.SetV2Grund(clYellow);
    EXPECT_EQ(DotColour(1, 3, 4), clYellow);
}

TEST_F(DigianzTest, FullDotSizeTouchesAndLargerOverlaps)
{
    // 100 %: dots of the full pitch, no gaps; 120 %: 12-pixel dots at a
    // 10-pixel pitch, each lapping over the next one drawn before it.
    d.SetFText("1");
    Mark();
    d.SetMatrixgroesse(100);
    EXPECT_EQ(d.FPunktBreite, 10);
    EXPECT_EQ(d.FPunktLuecke, 0);
    EXPECT_EQ(d.FPunktHoehe, 10);
    EXPECT_EQ(d.FZeilenLuecke, 0);
    EXPECT_EQ(At(20, 0), kOn);   // column 3, row 1 from the very top
    EXPECT_EQ(At(29, 9), kOn);
    EXPECT_EQ(At(30, 0), kOff);  // column 4 right next to it
    EXPECT_EQ(At(19, 0), kOff);

    Mark();
    d.SetMatrixgroesse(120);
    EXPECT_EQ(d.FPunktBreite, 12);
    EXPECT_EQ(d.FPunktLuecke, -2);
    EXPECT_EQ(d.FPunktHoehe, 12);
    EXPECT_EQ(d.FZeilenLuecke, -2);
    // Row 1 of column 3 covers x 20..31 and y -2..9: its lit dot is drawn
    // after column 4's unlit one, so it covers 30 and 31 too.
    EXPECT_EQ(At(31, 0), kOn);
    EXPECT_EQ(At(32, 0), kOff);
    EXPECT_EQ(At(19, 0), kOff);
}

TEST_F(DigianzTest, NoColumnsOrNoDotsDrawsNothing)
{
    const std::array<std::pair<const char*, std::function<void(TVelDigianz&)>>, 6> cases { {
        { "no cells", [](TVelDigianz& x) { x.SetFBuchstabenanzahl(0); } },
        { "no cells, no gaps", [](TVelDigianz& x) { x.SetFBuchstabenabstandkaestchen(0); x.SetFBuchstabenanzahl(0); } },
        { "gaps cancel the cells", [](TVelDigianz& x) { x.SetFBuchstabenabstandkaestchen(-10); x.SetFBuchstabenanzahl(2); } },
        { "negative column count", [](TVelDigianz& x) { x.SetFBuchstabenabstandkaestchen(-20); x.SetFBuchstabenanzahl(2); } },
        { "no dot size", [](TVelDigianz& x) { x.SetMatrixgroesse(0); } },
        { "negative dot size", [](TVelDigianz& x) { x.SetMatrixgroesse(-50); } },
    } };
    for (const auto& [name, set] : cases) {
        TVelDigianz x(nullptr);
        x.SetBounds(0, 0, 230, 71);
        set(x);
        // Setting one property after another may have trimmed on the way.
        x.SetWidth(230);
        x.Canvas()->Brush()->SetColor(kMarker);
        x.Canvas()->FillRect(TRect(0, 0, 230, 71));
        x.Repaint();
        x.Refresh();
        x.OnResize();
        EXPECT_EQ(x.Width(), 230) << name;
        for (auto [px, py] : { std::pair { 0, 2 }, { 3, 5 }, { 20, 2 }, { 61, 13 }, { 225, 68 } })
            EXPECT_EQ(x.Canvas()->Pixels(px, py), kMarker) << name << " at " << px << "," << py;
    }
}

TEST_F(DigianzTest, HugeValuesDoNotWrapAround)
{
    d.SetFBuchstabenanzahl(INT_MAX);
    EXPECT_EQ(d.Width(), 0);
    d.SetFBuchstabenanzahl(4);
    d.SetWidth(230);
    d.SetMatrixgroesse(INT_MAX);
    EXPECT_GT(d.FPunktBreite, 0);
    EXPECT_GT(d.FPunktHoehe, 0);
    EXPECT_LT(d.FZeilenLuecke, 0);
    d.SetFText(std::string(100000, '8'));
    EXPECT_EQ(d.Width(), 230);
}

TEST_F(DigianzTest, OnResizeDrawsWithTheLastGeometry)
{
    d.Repaint();
    // A new width is not taken up until the next full redraw.
    d.SetWidth(115);
    Mark();
    d.OnResize();
    EXPECT_EQ(d.Width(), 115);
    EXPECT_EQ(DotColour(1, 3, 1), kOn);
    EXPECT_EQ(At(DotX(2, 1), DotY(1)), kOff);
}

// The display inside a black panel of a shown window, as the copier has it.
class DigianzOnPanelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        form = new TForm(nullptr);
        form->SetBounds(50, 50, 320, 120);
        panel = new TPanel(form);
        panel->SetParent(form);
        panel->SetBounds(10, 10, 300, 81);
        panel->SetBevelOuter(bvNone);
        panel->SetColor(clBlack);
        display = new TVelDigianz(form);
        display->SetParent(panel);
        display->SetBounds(6, 4, 230, 71);
    }

    void TearDown() override { delete form; }

    QImage PanelPicture()
    {
        QApplication::processEvents();
        auto* widget = static_cast<QWidget*>(panel->Binding()->NativeWidget());
        return widget->grab().toImage();
    }

    static QRgb Rgb(TColor c) { return qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

    TForm* form;
    TPanel* panel;
    TVelDigianz* display;
};

TEST_F(DigianzOnPanelTest, PanelShowsBetweenTheDotsAndAFifthCellIsClipped)
{
    form->Show();
    display->SetV2Grund(kOn);
    display->SetFText("100%8");
    QImage picture = PanelPicture();
    ASSERT_FALSE(picture.isNull());
    // Cell 1, column 3, row 1 of the "1", at (6, 4) in the panel.
    EXPECT_EQ(picture.pixel(6 + 20, 4 + 2), Rgb(kOn));
    EXPECT_EQ(picture.pixel(6 + 0, 4 + 2), Rgb(RGB(0, 128, 0)));
    // The gaps show the black panel.
    EXPECT_EQ(picture.pixel(6 + 8, 4 + 2), Rgb(clBlack));
    EXPECT_EQ(picture.pixel(6 + 3, 4 + 0), Rgb(clBlack));
    // The fifth cell would start at 240 in the display: the panel there is black.
    for (int x = 6 + 230; x < 300; x += 3)
        EXPECT_EQ(picture.pixel(x, 4 + 2), Rgb(clBlack)) << x;
}

TEST_F(DigianzOnPanelTest, RedrawsItselfWhenTheWindowSystemAsks)
{
    form->Show();
    PanelPicture();
    // A new size gives the display a fresh surface; the paint that follows
    // draws the text again without the host calling Repaint.
    display->SetBounds(6, 4, 230, 72);
    QImage picture = PanelPicture();
    EXPECT_EQ(display->Canvas()->Pixels(20, 2), RGB(0, 255, 0));
    EXPECT_EQ(picture.pixel(6 + 20, 4 + 2), Rgb(RGB(0, 255, 0)));
    EXPECT_EQ(picture.pixel(6 + 8, 4 + 2), Rgb(clBlack));
}

}

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    TApplication::SetArguments(argc, argv);
    Application->Initialize();
    return RUN_ALL_TESTS();
}
