// A full repaint of the copier's four-cell display ("100%" on 230 by 71),
// against the bare rectangle fills it is made of (42 unlit dots a cell plus
// one fill a lit dot, with the same brush changes) on the same surface.
#include "components/display/DigiGlyphs.h"
#include "components/display/TVelDigianz.h"
#include "platform/vcl/graphics/TCanvas.h"
#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <string>

namespace {

TVelDigianz& Display()
{
    static TVelDigianz* display = [] {
        auto* d = new TVelDigianz(nullptr);
        d->SetBounds(0, 0, 230, 71);
        d->Repaint();
        return d;
    }();
    return *display;
}

void BM_DisplayRepaint(benchmark::State& state)
{
    TVelDigianz& d = Display();
    for (auto _ : state)
        d.Repaint();
}
BENCHMARK(BM_DisplayRepaint);

void BM_BareFills(benchmark::State& state)
{
    TVelDigianz& d = Display();
    TCanvas* canvas = d.Canvas();
    const char* text = "100%";
    for (auto _ : state) {
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
}
BENCHMARK(BM_BareFills);

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            m_times[run.benchmark_name()] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }

    void Finalize() override
    {
        ConsoleReporter::Finalize();
        auto repaint = m_times.find("BM_DisplayRepaint");
        auto bare = m_times.find("BM_BareFills");
        if (repaint != m_times.end() && bare != m_times.end() && bare->second > 0) {
            std::printf("display repaint of four cells: %.0f ns, %.2fx the bare fills (%.0f ns)\n",
                repaint->second, repaint->second / bare->second, bare->second);
        }
    }

private:
    std::map<std::string, double> m_times;
};

}

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
}
