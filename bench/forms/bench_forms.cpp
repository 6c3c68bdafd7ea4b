// The message loop's costs: ProcessMessages with nothing pending (goal: at
// most 50 ns a call), and the CPU time used while waiting for a scan that
// reports after a while (goal: at most 0.02 CPU-seconds for 2 s; a loop that
// spins on ProcessMessages, the baseline, burns about a whole core).
#include "platform/vcl/forms/TApplication.h"
#include "platform/win/core/Messages.h"
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <thread>

namespace {

double cpuSeconds()
{
    timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

double waitSeconds()
{
    // The quick mode of the benchmark script keeps CI short.
    return std::getenv("VEL_BENCH_QUICK") ? 0.2 : 2.0;
}

void ProcessMessagesEmpty(benchmark::State& state)
{
    for (auto _ : state)
        Application->ProcessMessages();
    state.counters["goal_ns"] = 50;
}

// Waits for a message posted from another thread after waitSeconds().
template<bool Spin>
void WaitForScan(benchmark::State& state)
{
    double used = 0;
    for (auto _ : state) {
        bool ready = false;
        Application->OnMessage = [&](MSG& msg, bool& handled) {
            ready = ready || msg.message == WM_USER + 1;
            handled = true;
        };
        std::thread scanner([] {
            std::this_thread::sleep_for(std::chrono::duration<double>(waitSeconds()));
            PostMessage(nullptr, WM_USER + 1, 0, 0);
        });
        double before = cpuSeconds();
        while (!ready) {
            Application->ProcessMessages();
            if (!Spin && !ready)
                Application->WaitMessage();
        }
        used += cpuSeconds() - before;
        scanner.join();
        Application->OnMessage = nullptr;
    }
    // CPU-seconds per 2 s of waiting.
    state.counters["cpu_s"] = used / state.iterations() * (2.0 / waitSeconds());
    if (!Spin)
        state.counters["goal_cpu_s"] = 0.02;
}

}

int main(int argc, char** argv)
{
    Application->Initialize();
    benchmark::RegisterBenchmark("ProcessMessages/empty_queue", ProcessMessagesEmpty);
    benchmark::RegisterBenchmark("ScanWait/sleeping", WaitForScan<false>)->Iterations(1)->UseRealTime();
    benchmark::RegisterBenchmark("ScanWait/spinning_baseline", WaitForScan<true>)->Iterations(1)->UseRealTime();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
