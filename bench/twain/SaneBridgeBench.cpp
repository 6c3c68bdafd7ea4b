// One colour page at 300 dpi (a letter-sized area) from SANE's test scanner:
// the bridge's acquisition (open, settings, blocking reads, packing the DIB,
// close) against scanimage with the same device and settings, started as a
// process and writing to /dev/null.
#include "bench/twain/RatioReporter.h"
#include "twain/dsm/sources/sane/TSaneScan.h"
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

const TSaneScan::Settings kSettings = { { "mode", "Color" }, { "resolution", "300" }, { "tl-x", "0" },
                                        { "tl-y", "0" },     { "br-x", "215.9" },     { "br-y", "279.4" } };

void PrivateSaneConfig()
{
    static bool done = false;
    if (done)
        return;
    std::filesystem::path conf = std::filesystem::temp_directory_path() / ("velmora-bench-sane-" + std::to_string(getpid()));
    std::filesystem::create_directories(conf);
    std::ofstream(conf / "dll.conf") << "test\n";
    std::ofstream(conf / "test.conf") << "number_of_devices 1\ngeometry_min 0.0\ngeometry_max 300.0\ngeometry_quant 0.0\n";
    setenv("SANE_CONFIG_DIR", conf.c_str(), 1);
    done = true;
}

void BM_Scanimage(benchmark::State& state)
{
    PrivateSaneConfig();
    const char* argv[] = { "scanimage", "-d", "test:0", "--mode", "Color", "--resolution", "300", "-l", "0", "-t", "0",
                           "-x", "215.9", "-y", "279.4", "--format=pnm", nullptr };
    for (auto _ : state) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        pid_t pid = 0;
        if (posix_spawnp(&pid, "scanimage", &actions, nullptr, const_cast<char**>(argv), environ) != 0) {
            state.SkipWithError("scanimage not found");
            break;
        }
        posix_spawn_file_actions_destroy(&actions);
        int status = 0;
        waitpid(pid, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("scanimage failed");
            break;
        }
    }
}
BENCHMARK(BM_Scanimage)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

void BM_SaneBridge(benchmark::State& state)
{
    PrivateSaneConfig();
    SANE_Int version = 0;
    sane_init(&version, nullptr);
    std::atomic<bool> cancel { false };
    TSaneScan::Snapshot defaults;
    bool first = true;
    for (auto _ : state) {
        SANE_Handle handle = nullptr;
        if (sane_open("test:0", &handle) != SANE_STATUS_GOOD) {
            state.SkipWithError("test:0 cannot be opened");
            break;
        }
        if (first) {
            defaults = TSaneScan::Capture(handle);
            first = false;
        }
        TSaneScan::Apply(handle, kSettings, defaults);
        TSaneScan scan;
        if (scan.Run(handle, cancel) != SANE_STATUS_GOOD)
            state.SkipWithError("scan failed");
        GlobalFree(scan.TakeImage());
        sane_close(handle);
    }
    sane_exit();
}
BENCHMARK(BM_SaneBridge)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

}

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter({ { "BM_SaneBridge/min_time:2.000/real_time", "BM_Scanimage/min_time:2.000/real_time",
                               "SANE bridge page against scanimage, same device and settings", 1.2 } });
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
}
