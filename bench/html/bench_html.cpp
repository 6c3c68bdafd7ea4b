// GetAllLinks over an 8 MB body against a plain single-pass std::string::find
// scan of the same text that collects the same addresses. Three figures:
//  - the find baseline;
//  - the link scan itself, with the application's message pump once per
//    position (the goal: at most 5x the baseline);
//  - the whole GetAllLinks through a loaded document, which first writes the
//    body's markup out and converts it from wide text.
#include "components/html/MarkerScan.h"
#include "components/html/TVelHTML.h"
#include "platform/rtl/TStringList.h"
#include "platform/vcl/forms/TApplication.h"
#include "platform/win/core/Messages.h"
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <unistd.h>

namespace {

constexpr size_t BodySize = 8u << 20;

// Markup the way the platform writes a body: paragraphs of text with links,
// images and inline formatting, about one link every 200 bytes.
const std::string& Body()
{
    static const std::string body = [] {
        std::string text;
        text.reserve(BodySize + 512);
        for (int n = 0; text.size() < BodySize; ++n) {
            text += "<P>Lorem ipsum dolor sit amet, <B>consectetur</B> adipiscing elit, sed do eiusmod ";
            text += "<A href=\"http://example.invalid/page/" + std::to_string(n) + ".html\">link " + std::to_string(n) + "</A>";
            text += " tempor incididunt ut labore <IMG alt=\"pic\" src=\"img" + std::to_string(n % 97) + ".gif\"> et dolore.</P>\n";
        }
        return text;
    }();
    return body;
}

void BM_FindBaseline(benchmark::State& state)
{
    const std::string& text = Body();
    for (auto _ : state) {
        TStringList list;
        size_t pos = 0;
        while ((pos = text.find("<A href=\"", pos)) != std::string::npos) {
            pos += 9;
            size_t end = text.find('"', pos);
            if (end == std::string::npos)
                break;
            list.Add(text.substr(pos, end - pos));
            pos = end + 1;
        }
        benchmark::DoNotOptimize(list.Count());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_FindBaseline)->Unit(benchmark::kMillisecond);

void BM_LinkScan(benchmark::State& state)
{
    const std::string& text = Body();
    for (auto _ : state) {
        TStringList list;
        MarkerScan::Run(text, MarkerScan::Links(), list, [] { Application->ProcessMessages(); });
        benchmark::DoNotOptimize(list.Count());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_LinkScan)->Unit(benchmark::kMillisecond);

void BM_GetAllLinksThroughDocument(benchmark::State& state)
{
    std::string path = "/tmp/vel-bench-html-" + std::to_string(getpid()) + ".html";
    {
        std::ofstream out(path, std::ios::binary);
        out << "<html><head><meta charset=\"utf-8\"><title>bench</title></head><body>" << Body() << "</body></html>";
    }
    TCppWebBrowser browser;
    bool done = false;
    browser.OnDocumentComplete = [&](TObject*, const WideString&) { done = true; };
    browser.OnNavigateError = [&](TObject*, const WideString&, int, const AnsiString& message) {
        std::fprintf(stderr, "%s\n", message.c_str());
        done = true;
    };
    browser.Navigate(Utf8ToWide("file://" + path));
    while (!done) {
        WaitForMessage(50);
        Application->ProcessMessages();
    }
    unlink(path.c_str());
    TVelHTML html(nullptr);
    html.WebBrowser = &browser;
    for (auto _ : state) {
        TStringList list;
        html.GetAllLinks(&list);
        benchmark::DoNotOptimize(list.Count());
    }
}
BENCHMARK(BM_GetAllLinksThroughDocument)->Unit(benchmark::kMillisecond);

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            m_times[run.benchmark_name()] = run.GetAdjustedRealTime();
            m_cpu[run.benchmark_name()] = run.GetAdjustedCPUTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void Finalize() override
    {
        ConsoleReporter::Finalize();
        // CPU time as well: on a shared machine the wall clock counts waiting.
        double base = m_times["BM_FindBaseline"], baseCpu = m_cpu["BM_FindBaseline"];
        if (base <= 0 || baseCpu <= 0)
            return;
        if (double scan = m_times["BM_LinkScan"]; scan > 0)
            std::printf("GetAllLinks scan of an 8 MB body: %.2f ms, %.2fx the find scan (%.2f ms), CPU %.2fx; goal at most 5x\n", scan,
                scan / base, base, m_cpu["BM_LinkScan"] / baseCpu);
        if (double whole = m_times["BM_GetAllLinksThroughDocument"]; whole > 0)
            std::printf("GetAllLinks with reading the body's markup: %.2f ms, %.2fx the find scan, CPU %.2fx\n", whole, whole / base,
                m_cpu["BM_GetAllLinksThroughDocument"] / baseCpu);
    }

private:
    std::map<std::string, double> m_times;
    std::map<std::string, double> m_cpu;
};

}

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
}
