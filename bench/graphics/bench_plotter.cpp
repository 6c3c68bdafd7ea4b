// Ten formulas sampled at every one of 640 columns, against the same number
// of bare Evaluate calls with X set as text (the texts made beforehand), both
// measured in this run. Goal: the drawing takes at most 3 times as long.
#include "components/graphics/TVelGraphics.h"
#include "components/graphics/VelParser.h"
#include "platform/rtl/Exceptions.h"
#include "platform/vcl/graphics/TBitmap.h"
#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

const char* const kFormulas[] = {
    "sin x", "cos x*2", "x^2/10", "x", "1/x", "tan x", "abs x-5", "ln(abs x)", "x mod 3", "sin x*cos x",
};
constexpr int kWidth = 640;
constexpr int kHeight = 480;

void BM_DrawToCanvas(benchmark::State& state)
{
    TBitmap bitmap;
    bitmap.SetSize(kWidth, kHeight);
    TVelGraphics plot;
    plot.SetPointsOnly(false);
    for (const char* formula : kFormulas) {
        plot.Expressions()->Add(formula);
        plot.Steps()->Add("");  // every column
        plot.Colors()->Add("255");
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(plot.DrawToCanvas(bitmap.Canvas()));
    state.SetItemsProcessed(state.iterations() * kWidth * std::size(kFormulas));
}

void BM_BareEvaluate(benchmark::State& state)
{
    VelParser parser;
    std::vector<AnsiString> texts;
    for (int px = 1; px <= kWidth; ++px)
        texts.push_back(parser.LongDoubleToStr(px * 20.0L / kWidth - 10));
    for (auto _ : state) {
        for (const char* formula : kFormulas) {
            parser.SetExpression(formula);
            parser.CreateTree();
            for (const AnsiString& text : texts) {
                parser.SetX(text);
                try {
                    benchmark::DoNotOptimize(parser.Evaluate());
                } catch (const Exception&) {
                }
            }
        }
    }
    state.SetItemsProcessed(state.iterations() * kWidth * std::size(kFormulas));
}

BENCHMARK(BM_BareEvaluate)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawToCanvas)->Unit(benchmark::kMillisecond);

class TimeReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> seconds;

    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            seconds[run.benchmark_name()] = run.GetAdjustedCPUTime();
    }
};

}

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    TimeReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    double bare = reporter.seconds["BM_BareEvaluate"];
    double draw = reporter.seconds["BM_DrawToCanvas"];
    if (bare > 0 && draw > 0)
        std::printf("\nDrawToCanvas takes %.2f times the bare evaluations (goal <= 3)\n", draw / bare);
    benchmark::Shutdown();
    return 0;
}
