// GetAllLinks over an 8 MB body against a plain single-pass std::string::find
// scan of the same text that collects the same addresses. The two alternate
// within each iteration, so both see the same machine load; the figure is
// the ratio to the find scan:
//  - BM_LinkScan: the link scan itself, with the application's message pump
//    once per position (goal: at most 5 times the find scan);
//  - BM_GetAllLinksThroughDocument: the whole GetAllLinks on a loaded
//    document, which first writes the body's markup out and converts it
//    from wide text (reported, no goal).
#include "components/html/MarkerScan.h"
#include "components/html/TVelHTML.h"
#include "platform/rtl/TStringList.h"
#include "platform/vcl/forms/TApplication.h"
#include "platform/win/core/Messages.h"
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <fstream>
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

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from, Clock::time_point to) { return std::chrono::duration<double>(to - from).count(); }

int FindScan(const std::string& text)
{
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
    return list.Count();
}

// Runs measured() and the find scan by turns; measured's time is the figure.
template<typename Measured>
void AgainstFind(benchmark::State& state, Measured measured, double goal)
{
    const std::string& text = Body();
    double own = 0, find = 0;
    for (auto _ : state) {
        auto t0 = Clock::now();
        benchmark::DoNotOptimize(FindScan(text));
        auto t1 = Clock::now();
        benchmark::DoNotOptimize(measured());
        auto t2 = Clock::now();
        find += Seconds(t0, t1);
        own += Seconds(t1, t2);
        state.SetIterationTime(Seconds(t1, t2));
    }
    auto n = static_cast<double>(state.iterations());
    state.counters["find_ms"] = n > 0 ? find / n * 1e3 : 0;
    state.counters["ratio_to_find"] = find > 0 ? own / find : 0;
    if (goal > 0)
        state.counters["goal_ratio_to_find"] = goal;
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void BM_LinkScan(benchmark::State& state)
{
    AgainstFind(
        state,
        [] {
            TStringList list;
            MarkerScan::Run(Body(), MarkerScan::Links(), list, [] { Application->ProcessMessages(); });
            return list.Count();
        },
        5);
}
BENCHMARK(BM_LinkScan)->UseManualTime()->Unit(benchmark::kMillisecond);

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
    AgainstFind(
        state,
        [&] {
            TStringList list;
            html.GetAllLinks(&list);
            return list.Count();
        },
        0);
}
BENCHMARK(BM_GetAllLinksThroughDocument)->UseManualTime()->Unit(benchmark::kMillisecond);

}

BENCHMARK_MAIN();
