// plot: draws the graphs of formulas in x into a BMP or PNG file.
//
//   plot [options] out.png "sin x" "x^2/10" ...
//
// Options: --size W H, --window XFROM XTO YFROM YTO, --grid [SPACE],
// --lines (join samples), --step S (x units; default: every column),
// --break V (start a new line where |y| >= V), --no-axes.
// Each formula takes the next colour of a fixed palette; a formula may also
// end in "@COLOR" with a decimal colour value (0x00BBGGRR).
#include "PngFile.h"
#include "components/graphics/TVelGraphics.h"
#include "platform/rtl/Exceptions.h"
#include "platform/vcl/graphics/TBitmap.h"
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void Usage()
{
    std::fprintf(stderr,
        "usage: plot [--size W H] [--window XFROM XTO YFROM YTO] [--grid [SPACE]] [--lines]\n"
        "            [--step S] [--break V] [--no-axes] OUTPUT.(png|bmp) FORMULA[@COLOR] ...\n");
}

bool EndsWith(const std::string& s, const char* suffix)
{
    std::string t(suffix);
    if (s.size() < t.size())
        return false;
    for (size_t i = 0; i < t.size(); ++i) {
        char c = s[s.size() - t.size() + i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != t[i])
            return false;
    }
    return true;
}

bool Number(const char* text, long double& value)
{
    char* end = nullptr;
    value = std::strtold(text, &end);
    return end != text && *end == '\0';
}

}

int main(int argc, char** argv)
{
    // Red, blue, green, magenta, orange, teal.
    static const char* const palette[] = { "255", "16711680", "32768", "16711935", "33023", "8421376" };
    TVelGraphics plot;
    long double width = 640, height = 480;
    std::string step;
    std::string output;
    std::vector<std::string> formulas;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto numbers = [&](int count, long double* out) {
            if (i + count >= argc)
                return false;
            for (int k = 0; k < count; ++k) {
                if (!Number(argv[i + 1 + k], out[k]))
                    return false;
            }
            i += count;
            return true;
        };
        long double v[4];
        if (arg == "--size" && numbers(2, v)) {
            width = v[0];
            height = v[1];
        } else if (arg == "--window" && numbers(4, v)) {
            plot.SetMinusX(v[0]);
            plot.SetPlusX(v[1]);
            plot.SetMinusY(v[2]);
            plot.SetPlusY(v[3]);
        } else if (arg == "--grid") {
            plot.SetGrid(true);
            if (i + 1 < argc && Number(argv[i + 1], v[0])) {
                plot.SetGridSpace(v[0]);
                ++i;
            }
        } else if (arg == "--lines") {
            plot.SetPointsOnly(false);
        } else if (arg == "--step" && i + 1 < argc) {
            step = argv[++i];
        } else if (arg == "--break" && numbers(1, v)) {
            plot.SetAbstand(v[0]);
        } else if (arg == "--no-axes") {
            plot.SetCross(false);
        } else if (arg.rfind("--", 0) == 0) {
            Usage();
            return 1;
        } else if (output.empty()) {
            output = arg;
        } else {
            formulas.push_back(arg);
        }
    }
    if (output.empty() || formulas.empty() || width < 1 || height < 1 || width > 20000 || height > 20000
        || !(EndsWith(output, ".png") || EndsWith(output, ".bmp"))) {
        Usage();
        return 1;
    }

    for (size_t n = 0; n < formulas.size(); ++n) {
        std::string formula = formulas[n];
        std::string color = palette[n % std::size(palette)];
        if (size_t at = formula.rfind('@'); at != std::string::npos) {
            color = formula.substr(at + 1);
            formula.erase(at);
        }
        plot.Expressions()->Add(formula);
        plot.Colors()->Add(color);
        plot.Steps()->Add(step);
    }
    plot.SetDestWidth(static_cast<int32_t>(width));
    plot.SetDestHeight(static_cast<int32_t>(height));

    try {
        TBitmap bitmap;
        bitmap.SetSize(plot.DestinationWidth(), plot.DestinationHeight());
        int32_t result = plot.DrawToCanvas(bitmap.Canvas());
        if (EndsWith(output, ".png"))
            SavePng(bitmap, output);
        else
            bitmap.SaveToFile(output);
        if (result > 0) {
            std::fprintf(stderr, "plot: formula %d (\"%s\") is not a formula this plotter reads\n", result,
                plot.Expressions()->Get(result - 1).c_str());
            return 2;
        }
    } catch (const Exception& e) {
        std::fprintf(stderr, "plot: %s\n", e.Message().c_str());
        return 3;
    }
    return 0;
}
