// Saving a scanned A4 page (2480 by 3508 pixels, 300 dpi) as a quality-100
// baseline JPEG: our TJPEGImage (copy from a 32-bit surface, compress, write
// the file atomically) against the reference encoder's command-line program on
// the same picture, both measured in this run, and the ratio printed.
#include "platform/vcl/jpeg/TJPEGImage.h"
#include <algorithm>
#include <benchmark/benchmark.h>
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
    std::vector<uint8_t> bgrx; // the 32-bit surface a bitmap holds
    std::string folder;
    std::string ppmPath;

    Page()
    {
        bgrx.resize(static_cast<size_t>(kWidth) * kHeight * 4);
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
                uint8_t* p = &bgrx[(static_cast<size_t>(y) * kWidth + x) * 4];
                p[0] = static_cast<uint8_t>(std::clamp(b + jitter, 0, 255));
                p[1] = static_cast<uint8_t>(std::clamp(g + jitter, 0, 255));
                p[2] = static_cast<uint8_t>(std::clamp(r + jitter, 0, 255));
                p[3] = 0;
            }
        }
        char pattern[] = "/tmp/vel-bench-jpeg-XXXXXX";
        folder = ::mkdtemp(pattern) ? pattern : ".";
        ppmPath = folder + "/page.ppm";
        std::ofstream ppm(ppmPath, std::ios::binary);
        ppm << "P6\n" << kWidth << " " << kHeight << "\n255\n";
        std::vector<char> row(static_cast<size_t>(kWidth) * 3);
        for (int y = 0; y < kHeight; ++y) {
            const uint8_t* in = &bgrx[static_cast<size_t>(y) * kWidth * 4];
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
        std::filesystem::remove_all(folder, ignored);
    }
};

Page& ThePage()
{
    static Page page;
    return page;
}

void BM_ReferenceEncoder(benchmark::State& state)
{
    Page& page = ThePage();
    std::string out = page.folder + "/reference.jpg";
    std::vector<std::string> args = { "cjpeg", "-quality", "100", "-baseline", "-outfile", out, page.ppmPath };
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    for (auto _ : state) {
        pid_t pid;
        if (::posix_spawnp(&pid, "cjpeg", nullptr, nullptr, argv.data(), environ) != 0) {
            state.SkipWithError("cjpeg cannot be started (libjpeg-turbo-progs missing?)");
            return;
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("cjpeg failed");
            return;
        }
    }
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(out));
}

void BM_TJPEGImage(benchmark::State& state)
{
    Page& page = ThePage();
    std::string out = page.folder + "/ours.jpg";
    for (auto _ : state) {
        TJPEGImage jpeg;
        jpeg.SetProgressiveDisplay(false);
        jpeg.AssignBGRX(kWidth, kHeight, page.bgrx.data(), static_cast<size_t>(kWidth) * 4);
        jpeg.SetCompressionQuality(100);
        jpeg.Compress();
        jpeg.SaveToFile(out);
    }
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(out));
}

BENCHMARK(BM_ReferenceEncoder)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_TJPEGImage)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

// Keeps the mean wall time of each benchmark for the ratio.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (!run.error_occurred && run.iterations > 0)
                times[run.benchmark_name()] = run.GetAdjustedRealTime();
    }
    std::map<std::string, double> times;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    ThePage(); // the picture is made once, outside the measured loops
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto reference = reporter.times.find("BM_ReferenceEncoder/min_time:2.000/real_time");
    auto ours = reporter.times.find("BM_TJPEGImage/min_time:2.000/real_time");
    if (reference == reporter.times.end() || ours == reporter.times.end() || reference->second <= 0) {
        std::printf("ratio: not available (a benchmark did not run)\n");
        return 0;
    }
    double ratio = ours->second / reference->second;
    // Same library, same settings: the two files should agree byte for byte.
    auto slurp = [](const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    const Page& page = ThePage();
    std::printf("same bytes as the reference: %s\n",
        slurp(page.folder + "/ours.jpg") == slurp(page.folder + "/reference.jpg") ? "yes" : "no");
    std::printf("ratio TJPEGImage / cjpeg -quality 100 -baseline: %.3f (goal: at most 1.2) %s\n", ratio,
        ratio <= 1.2 ? "met" : "NOT met");
    benchmark::Shutdown();
    return 0;
}
