// Printing a scanned page. Two figures:
// - StretchDrawDIB of a 2480 by 3508 page (A4 at 300 dpi, 24-bit colour) onto a
//   600-dpi A4 printer canvas, against one memcpy of the page's 24-bit bytes
//   measured in the same run (goal: at most 3 times that);
// - a whole one-page copy (TForm1::PrintOnePage) to the PDF file printer: its
//   time, and the peak memory of a process that does just that (goal: at most
//   200 MB), measured in a child process started from this one.
#include "app/Unit1.h"
#include "platform/vcl/forms/TApplication.h"
#include "platform/vcl/printers/TPrinter.h"
#include "platform/win/gdi/GdiRecording.h"
#include "print/TPrintDIB.h"
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <chrono>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kWidth = 2480;
constexpr int kHeight = 3508;
constexpr size_t kPageBytes = size_t(kWidth) * 3 * kHeight; // the 24-bit image

void PaintScan(TBitmap& b)
{
    b.SetSize(kWidth, kHeight);
    uint32_t* p = GdiBitmapBits(b.Handle());
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            p[size_t(y) * kWidth + x] = 0xFF000000u | (uint32_t(x & 0xFF) << 16) | (uint32_t(y & 0xFF) << 8) | uint32_t((x ^ y) & 0xFF);
}

void BM_MemcpyOfThePage(benchmark::State& state)
{
    std::vector<uint8_t> from(kPageBytes, 1), to(kPageBytes, 0);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), kPageBytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kPageBytes));
}

void BM_StretchDrawDIBOntoA4At600Dpi(benchmark::State& state)
{
    TBitmap scan;
    PaintScan(scan);
    TPrintDIB dib;
    for (auto _ : state) {
        GdiRecording page(4961, 7016, 600, 600);
        HDC dc = GdiCreateRecordingDC(&page);
        TCanvas canvas;
        canvas.SetHandle(dc);
        dib.StretchDrawDIB(&canvas, 0, 0, 4961, 7016, &scan);
        benchmark::DoNotOptimize(page.Ops().data());
        canvas.SetHandle(nullptr);
        DeleteDC(dc);
    }
}

BENCHMARK(BM_MemcpyOfThePage)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_StretchDrawDIBOntoA4At600Dpi)->Unit(benchmark::kMillisecond)->MinTime(1.0);

// The same two, taken in turns, best of many rounds: on a busy machine the
// best times are the ones least disturbed by other work, and taking them in
// turns gives both the same conditions.
double InterleavedRatio(int rounds)
{
    std::vector<uint8_t> from(kPageBytes, 1), to(kPageBytes, 0);
    TBitmap scan;
    PaintScan(scan);
    TPrintDIB dib;
    double bestCopy = 1e300, bestDraw = 1e300;
    for (int i = 0; i < rounds; ++i) {
        auto t0 = std::chrono::steady_clock::now();
        std::memcpy(to.data(), from.data(), kPageBytes);
        benchmark::DoNotOptimize(to.data());
        auto t1 = std::chrono::steady_clock::now();
        {
            GdiRecording page(4961, 7016, 600, 600);
            HDC dc = GdiCreateRecordingDC(&page);
            TCanvas canvas;
            canvas.SetHandle(dc);
            dib.StretchDrawDIB(&canvas, 0, 0, 4961, 7016, &scan);
            canvas.SetHandle(nullptr);
            DeleteDC(dc);
        }
        auto t2 = std::chrono::steady_clock::now();
        bestCopy = std::min(bestCopy, std::chrono::duration<double>(t1 - t0).count());
        bestDraw = std::min(bestDraw, std::chrono::duration<double>(t2 - t1).count());
    }
    return bestDraw / bestCopy;
}

// One copy: the main window prints its one-page preview to the PDF file printer.
double OneCopy()
{
    Application->Initialize();
    auto* form = new TForm1(nullptr);
    form->Timer1->SetEnabled(false);
    PaintScan(*form->Image2->Picture()->Bitmap());
    form->FScale = 100;
    auto start = std::chrono::steady_clock::now();
    PrintingFlag = false;
    form->PrintOnePage();
    double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    delete form;
    return ms;
}

class Collector : public benchmark::ConsoleReporter {
public:
    bool ReportContext(const Context& context) override { return ConsoleReporter::ReportContext(context); }
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration) {
                times[run.benchmark_name()] = run.GetAdjustedRealTime();
                cpu[run.benchmark_name()] = run.GetAdjustedCPUTime();
            }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
    std::map<std::string, double> cpu;
};

} // namespace

int main(int argc, char** argv)
{
    // No print system: the copies go to the PDF file printer, into a scratch home.
    std::filesystem::path home = std::filesystem::temp_directory_path() / ("bench_print-" + std::to_string(getpid()));
    std::filesystem::create_directories(home);
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home / ".config").c_str(), 1);
    setenv("CUPS_SERVER", "127.0.0.1:9", 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);

    if (argc == 2 && std::strcmp(argv[1], "--one-copy") == 0) {
        std::printf("Whole one-page copy to the PDF file printer: %.0f ms\n", OneCopy());
        return 0;
    }

    benchmark::Initialize(&argc, argv);
    Collector reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    const char* copy = "BM_MemcpyOfThePage/min_time:1.000";
    const char* draw = "BM_StretchDrawDIBOntoA4At600Dpi/min_time:1.000";
    if (reporter.times[copy] > 0 && reporter.cpu[copy] > 0)
        // CPU time as well: on a busy machine the wall clock also counts waiting for a core.
        std::printf("\nStretchDrawDIB / memcpy of the page's %zu bytes: %.2f by wall clock, %.2f by CPU time (goal: at most 3)\n",
            kPageBytes, reporter.times[draw] / reporter.times[copy], reporter.cpu[draw] / reporter.cpu[copy]);

    std::printf("StretchDrawDIB / memcpy, taken in turns, best of 40 rounds each: %.2f (goal: at most 3)\n", InterleavedRatio(40));

    // The whole copy in a process of its own, so its peak memory is its own.
    std::fflush(stdout);
    pid_t child = fork();
    if (child == 0) {
        execl("/proc/self/exe", argv[0], "--one-copy", static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    struct rusage usage {};
    wait4(child, &status, 0, &usage);
    std::printf("Peak memory of a process making that copy: %.1f MB (goal: at most 200 MB)\n",
        usage.ru_maxrss / 1024.0);
    std::filesystem::remove_all(home);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : 1;
}
