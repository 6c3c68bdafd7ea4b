// A full repaint of the copier's four-cell display ("100%" on 230 by 71),
// against the bare rectangle fills it is made of (42 unlit dots a cell plus
// one fill a lit dot, with the same brush changes) on the same surface. The
// two alternate within each iteration, so both see the same machine load;
// the figure is the repaint's time, the ratio a counter beside it.
#include "components/display/DigiGlyphs.h"
#include "components/display/TVelDigianz.h"
#include "platform/vcl/graphics/TCanvas.h"
#include <benchmark/benchmark.h>
#include <chrono>

namespace {

void BareFills(TCanvas* canvas)
{
    const char* text = "100%";
    for (int pos = 0; pos < 4; ++pos) {
        canvas->Brush()->SetColor(RGB(0, 128, 0));
        for (int col = 0; col < 6; ++col)
            for (int row = 1; row <= 7; ++row)
                canvas->FillRect(TRect(60 * pos + 10 * col, 10 * row - 8, 60 * pos + 10 * col + 8, 10 * row));
        canvas->Brush()->SetColor(RGB(0, 255, 0));
        AnsiString dots = DigiGlyphDots(AnsiString(1, text[pos]));
        for (size_t i = 0; i + 1 < dots.size(); i += 3) {
            int col = dots[i] - '1', row = dots[i + 1] - '0';
            canvas->FillRect(TRect(60 * pos + 10 * col, 10 * row - 8, 60 * pos + 10 * col + 8, 10 * row));
        }
    }
}

void BM_DisplayRepaint(benchmark::State& state)
{
    using Clock = std::chrono::steady_clock;
    TVelDigianz d(nullptr);
    d.SetBounds(0, 0, 230, 71);
    d.Repaint();
    TCanvas* canvas = d.Canvas();

    double repaint = 0, bare = 0;
    for (auto _ : state) {
        auto t0 = Clock::now();
        d.Repaint();
        auto t1 = Clock::now();
        BareFills(canvas);
        auto t2 = Clock::now();
        double r = std::chrono::duration<double>(t1 - t0).count();
        repaint += r;
        bare += std::chrono::duration<double>(t2 - t1).count();
        state.SetIterationTime(r);
    }
    auto n = static_cast<double>(state.iterations());
    state.counters["bare_fills_ns"] = n > 0 ? bare / n * 1e9 : 0;
    state.counters["ratio_to_bare_fills"] = bare > 0 ? repaint / bare : 0;
}
BENCHMARK(BM_DisplayRepaint)->UseManualTime();

}

BENCHMARK_MAIN();
