// Evaluating 'sin(x)^2+3*x-x/7' with X set as text before every evaluation,
// against a hand-written extended-precision function of the same formula,
// both measured in this run; muparser's rate is shown beside them.
#include "components/parser/TVelParser.h"
#include <benchmark/benchmark.h>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>
#ifdef VEL_HAVE_MUPARSER
#include <muParser.h>
#endif

namespace {

constexpr const char* kFormula = "sin(x)^2+3*x-x/7";
constexpr size_t kSamples = 1024;

const std::vector<long double>& Values()
{
    static std::vector<long double> values = [] {
        std::vector<long double> v;
        for (size_t i = 0; i < kSamples; ++i)
            v.push_back(-10.0L + 20.0L * static_cast<long double>(i) / kSamples + 0.0012345L);
        return v;
    }();
    return values;
}

// The sample positions as the parser receives them: eight significant digits.
const std::vector<AnsiString>& Texts()
{
    static std::vector<AnsiString> texts = [] {
        TVelParser p;
        std::vector<AnsiString> t;
        for (long double v : Values())
            t.push_back(p.LongDoubleToStr(v));
        return t;
    }();
    return texts;
}

// The formula as the parser computes it: sine and power in double precision.
long double HandWritten(long double x)
{
    double s = std::sin(static_cast<double>(x));
    return static_cast<long double>(std::pow(s, 2.0)) + 3 * x - x / 7;
}

void BM_HandWritten(benchmark::State& state)
{
    const auto& values = Values();
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(HandWritten(values[i]));
        i = (i + 1) % kSamples;
    }
    state.SetItemsProcessed(state.iterations());
}

// The same job done by hand with the C library: the text of x in, the value
// and its text with eight significant digits out.
long double HandWrittenFromText(const AnsiString& xText, AnsiString& result)
{
    long double y = HandWritten(std::strtold(xText.c_str(), nullptr));
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.8Lg", y);
    result = buf;
    return y;
}

void BM_HandWrittenFromText(benchmark::State& state)
{
    const auto& texts = Texts();
    AnsiString result;
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(HandWrittenFromText(texts[i], result));
        i = (i + 1) % kSamples;
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_TVelParser(benchmark::State& state)
{
    TVelParser parser;
    parser.SetExpression(kFormula);
    if (!parser.CreateTree()) {
        state.SkipWithError("formula does not build");
        return;
    }
    const auto& texts = Texts();
    size_t i = 0;
    for (auto _ : state) {
        parser.SetX(texts[i]);
        benchmark::DoNotOptimize(parser.Evaluate());
        i = (i + 1) % kSamples;
    }
    state.SetItemsProcessed(state.iterations());
}

#ifdef VEL_HAVE_MUPARSER
void BM_muparser(benchmark::State& state)
{
    double x = 0;
    mu::Parser parser;
    parser.DefineVar("x", &x);
    parser.SetExpr(kFormula);
    const auto& values = Values();
    size_t i = 0;
    for (auto _ : state) {
        x = static_cast<double>(values[i]);
        benchmark::DoNotOptimize(parser.Eval());
        i = (i + 1) % kSamples;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_muparser);
#endif

BENCHMARK(BM_HandWritten);
BENCHMARK(BM_HandWrittenFromText);
BENCHMARK(BM_TVelParser);

// Keeps each benchmark's rate for the summary.
class RateReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> rates;

    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            auto it = run.counters.find("items_per_second");
            if (it != run.counters.end())
                rates[run.benchmark_name()] = it->second;
        }
    }
};

}

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    RateReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    double hand = reporter.rates["BM_HandWritten"];
    double handText = reporter.rates["BM_HandWrittenFromText"];
    double parser = reporter.rates["BM_TVelParser"];
    if (hand > 0 && handText > 0 && parser > 0) {
        std::printf("\nTVelParser: %.0f evaluations/s\n", parser);
        std::printf("  against the hand-written function of x: %.0f/s, ratio %.3f\n", hand, parser / hand);
        std::printf("  against the hand-written text-in/text-out job: %.0f/s, ratio %.3f (goal >= 0.5)\n",
            handText, parser / handText);
    }
    if (double mu = reporter.rates["BM_muparser"]; mu > 0)
        std::printf("muparser: %.0f evaluations/s (%.3f of hand-written)\n", mu, mu / hand);
    benchmark::Shutdown();
    return 0;
}
