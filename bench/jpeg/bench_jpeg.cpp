// Saving a scanned A4 page (2480 by 3508 pixels, 300 dpi) as a quality-100
// baseline JPEG: our TJPEGImage (copy from the bitmap, compress, write
// the file atomically) against the reference encoder's command-line program on
// the same picture, both measured in this run, and the ratio printed.
#include "platform/vcl/graphics/TBitmap.h"
#include "platform/vcl/jpeg/TJPEGImage.h"
#include "platform/win/gdi/GdiExtensions.h"
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

constexpr int kWidth = 2480;
constexpr int kHeight = 3508;

// A page as a scanner delivers it: white paper with a little sensor noise,
// lines of dark "text", and a photograph-like region of smooth colour.
struct Page {
    TBitmap bitmap; // what the scanner leaves in the preview
    std::string folder;
    std::string ppmPath;
    // The reference program's output goes to memory where possible: a file
    // it left dirty on the disk would otherwise be flushed by our save's
    // flush, and counted against us.
    std::string referencePath;

    Page()
    {
        bitmap.SetSize(kWidth, kHeight);
        auto* surface = reinterpret_cast<uint8_t*>(GdiBitmapBits(bitmap.Handle()));
        size_t stride = static_cast<size_t>(GdiBitmapStride(bitmap.Handle()));
        uint32_t noise = 1;
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                noise = noise * 1103515245u + 12345u;
                int jitter = static_cast<int>((noise >> 16) & 7) - 3;
                int b = 245, g = 245, r = 242;
                bool textLine = y > 400 && y < 2400 && (y % 60) < 28;
                bool glyph = textLine && x > 200 && x < 2280 && ((x / 13) % 7) != 0 && ((x * 7 + y * 3) % 11) < 6;
                if (glyph)
                    b = g = r = 30;
                if (y >= 2600 && y < 3300 && x >= 300 && x < 2180) {
                    r = 40 + (x - 300) * 180 / 1880;
                    g = 60 + (y - 2600) * 150 / 700;
                    b = 200 - (x - 300 + y - 2600) * 150 / 2580;
                }
                uint8_t* p = surface + y * stride + static_cast<size_t>(x) * 4;
                p[0] = static_cast<uint8_t>(std::clamp(b + jitter, 0, 255));
                p[1] = static_cast<uint8_t>(std::clamp(g + jitter, 0, 255));
                p[2] = static_cast<uint8_t>(std::clamp(r + jitter, 0, 255));
                p[3] = 0;
            }
        }
        char pattern[] = "/tmp/vel-bench-jpeg-XXXXXX";
        folder = ::mkdtemp(pattern) ? pattern : ".";
        ppmPath = folder + "/page.ppm";
        referencePath = std::filesystem::is_directory("/dev/shm")
            ? "/dev/shm/vel-bench-reference-" + std::to_string(::getpid()) + ".jpg"
            : folder + "/reference.jpg";
        std::ofstream ppm(ppmPath, std::ios::binary);
        ppm << "P6\n" << kWidth << " " << kHeight << "\n255\n";
        std::vector<char> row(static_cast<size_t>(kWidth) * 3);
        for (int y = 0; y < kHeight; ++y) {
            const uint8_t* in = surface + y * stride;
            for (int x = 0; x < kWidth; ++x) {
                row[x * 3 + 0] = static_cast<char>(in[x * 4 + 2]);
                row[x * 3 + 1] = static_cast<char>(in[x * 4 + 1]);
                row[x * 3 + 2] = static_cast<char>(in[x * 4 + 0]);
            }
            ppm.write(row.data(), static_cast<std::streamsize>(row.size()));
        }
    }
    ~Page()
    {
        std::error_code ignored;
        std::filesystem::remove(referencePath, ignored);
        std::filesystem::remove_all(folder, ignored);
    }
};

Page& ThePage()
{
    static Page page;
    return page;
}

// One run of the reference program; false when it cannot run.
bool RunReference(const Page& page)
{
    std::string out = page.referencePath;
    std::vector<std::string> args = { "cjpeg", "-quality", "100", "-baseline", "-outfile", out, page.ppmPath };
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid;
    if (::posix_spawnp(&pid, "cjpeg", nullptr, nullptr, argv.data(), environ) != 0)
        return false;
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// What the copier does to save a page as JPEG. writeMs, when given, gets the
// time of SaveToFile alone: writing and flushing the file to the disk before
// it replaces the target, which the reference program does not do.
void RunOurs(Page& page, double* writeMs = nullptr)
{
    TJPEGImage jpeg;
    jpeg.SetProgressiveDisplay(false);
    jpeg.Assign(&page.bitmap);
    jpeg.SetCompressionQuality(100);
    jpeg.Compress();
    auto start = std::chrono::steady_clock::now();
    jpeg.SaveToFile(page.folder + "/ours.jpg");
    if (writeMs)
        *writeMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

void BM_ReferenceEncoder(benchmark::State& state)
{
    Page& page = ThePage();
    for (auto _ : state)
        if (!RunReference(page)) {
            state.SkipWithError("cjpeg cannot run (libjpeg-turbo-progs missing?)");
            return;
        }
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(page.referencePath));
}

void BM_TJPEGImage(benchmark::State& state)
{
    Page& page = ThePage();
    for (auto _ : state)
        RunOurs(page);
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(page.folder + "/ours.jpg"));
}

// The two alternately, pair by pair, so that whatever else the machine does
// weighs on both alike; the ratio is taken of the medians and of the minima.
void BM_SideBySide(benchmark::State& state)
{
    Page& page = ThePage();
    std::vector<double> reference, ours, writes;
    using Clock = std::chrono::steady_clock;
    for (auto _ : state) {
        auto t0 = Clock::now();
        if (!RunReference(page)) {
            state.SkipWithError("cjpeg cannot run (libjpeg-turbo-progs missing?)");
            return;
        }
        auto t1 = Clock::now();
        double writeMs = 0;
        RunOurs(page, &writeMs);
        auto t2 = Clock::now();
        writes.push_back(writeMs);
        reference.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
        ours.push_back(std::chrono::duration<double, std::milli>(t2 - t1).count());
    }
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    state.counters["cjpeg_median_ms"] = median(reference);
    state.counters["ours_median_ms"] = median(ours);
    state.counters["ours_write_median_ms"] = median(writes);
    state.counters["ratio_median"] = median(ours) / median(reference);
    state.counters["ratio_min"] = *std::min_element(ours.begin(), ours.end()) / *std::min_element(reference.begin(), reference.end());
}

BENCHMARK(BM_ReferenceEncoder)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_TJPEGImage)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_SideBySide)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(25);

// Keeps the side-by-side figures for the verdict.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (!run.error_occurred && run.run_name.function_name == "BM_SideBySide")
                for (const auto& [name, counter] : run.counters)
                    figures[name] = counter.value;
    }
    std::map<std::string, double> figures;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    ThePage(); // the picture is made once, outside the measured loops
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    if (!reporter.figures.count("ratio_median")) {
        std::printf("ratio: not available (the side-by-side run did not complete)\n");
        return 0;
    }
    double ratio = reporter.figures["ratio_median"];
    // Same library, same settings: the two files should agree byte for byte.
    auto slurp = [](const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    const Page& page = ThePage();
    std::printf("same bytes as the reference: %s\n",
        slurp(page.folder + "/ours.jpg") == slurp(page.referencePath) ? "yes" : "no");
    std::printf("cjpeg %.1f ms, TJPEGImage %.1f ms of which %.1f ms writing and flushing the file (medians of alternating runs)\n",
        reporter.figures["cjpeg_median_ms"], reporter.figures["ours_median_ms"], reporter.figures["ours_write_median_ms"]);
    std::printf("ratio TJPEGImage / cjpeg -quality 100 -baseline: %.3f median, %.3f best (goal: at most 1.2) %s\n", ratio,
        reporter.figures["ratio_min"], ratio <= 1.2 ? "met" : "NOT met");
    benchmark::Shutdown();
    return 0;
}
