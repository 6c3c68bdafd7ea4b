// The native transfer of an A4 page at 300 dpi (2480 by 3508, 24 bits): the
// block handed over by the source becomes the target bitmap. Baseline: one
// memcpy of the block's bytes.
#include "bench/twain/RatioReporter.h"
#include "platform/vcl/forms/TApplication.h"
#include "platform/vcl/graphics/TBitmap.h"
#include "tests/twain/DibFixture.h"
#include "tests/twain/TwainFakeManager.h"
#include "twain/TTwainScanner.h"

namespace {

const std::vector<unsigned char>& Page()
{
    static std::vector<unsigned char> page = MakeDibBytes({ 40, 2480, 3508, 24 });
    return page;
}

void BM_MemcpyOfTheBlock(benchmark::State& state)
{
    const auto& page = Page();
    std::vector<unsigned char> copy(page.size());
    for (auto _ : state) {
        std::memcpy(copy.data(), page.data(), page.size());
        benchmark::DoNotOptimize(copy.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(page.size()));
}
BENCHMARK(BM_MemcpyOfTheBlock)->Unit(benchmark::kMillisecond);

void BM_NativeTransfer(benchmark::State& state)
{
    SetDllDirectoryA(FAKE_DSM_DIR);
    FakeManager fake(FAKE_DSM_DIR);
    TBitmap target;
    {
        TTwainScanner scanner;
        scanner.InitTWAIN();
        scanner.Acquire(&target);
        const auto& page = Page();
        for (auto _ : state) {
            state.PauseTiming();
            fake.Reset();
            fake.SetImage(MakeDibBlock(page));
            state.ResumeTiming();
            if (!scanner.fNativeXfer())
                state.SkipWithError("no image");
        }
        state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(page.size()));
    }
    Application->OnMessage = nullptr;
}
BENCHMARK(BM_NativeTransfer)->Unit(benchmark::kMillisecond);

}

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter({ { "BM_NativeTransfer", "BM_MemcpyOfTheBlock",
                               "native transfer of a 2480x3508 24-bit page, block to bitmap", 3.0 } });
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
}
