// Writing a 100 000-entry melody with TVelMidi against the cheapest way to put
// the same bytes into a file: a plain buffered fwrite loop over the finished
// events, in the same folder and the same run. The goal is a ratio of at
// most 2.
//
// The writer does more than the loop: it checks every entry first and
// replaces the file through a temporary file that it syncs to disk before the
// rename, and syncs the folder after it. On a disk those syncs cost more than
// the whole loop, so every case runs twice: in a memory file system, where
// the sync is free and the ratio shows the writer's own work, and in a disk
// folder, where a baseline that syncs once as well shows the price of the sync.
//
//   bench_midi [--benchmark_...]
//   memory folder: /dev/shm (skipped when missing); disk folder: $TMPDIR, else /tmp
#include "components/midi/TVelMidi.h"
#include "platform/rtl/SysUtils.h"
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kEntries = 100000;
constexpr int kRepetitions = 7;

const char* const kCodes[] = { "1", "2", "4", "8", "16", "32", "T1", "T2", "T4", "T8", "T16", "T32",
    "P1", "P2", "P4", "P8", "P16", "P32", "D1", "D2", "D4", "D8", "D16", "D32" };

struct Folder {
    const char* label;
    AnsiString path;
    AnsiString File(const char* role) const
    {
        return path + Format("/bench_midi.%d.%s.mid", static_cast<int>(::getpid()), role);
    }
};

std::vector<Folder> Folders()
{
    std::vector<Folder> folders;
    if (std::filesystem::is_directory("/dev/shm"))
        folders.push_back({ "memory", "/dev/shm" });
    const char* tmp = std::getenv("TMPDIR");
    folders.push_back({ "disk", tmp && *tmp ? tmp : "/tmp" });
    return folders;
}

// Every fifth entry a three-key chord, the others single keys over four
// octaves, every length code in turn, varying velocities.
void FillMelody()
{
    TVelMidi midi(nullptr);
    midi.ClearNotes();
    for (int i = 0; i < kEntries; ++i) {
        AnsiString notes = i % 5 == 0 ? Format("%d,%d,%d", 48 + i % 12, 52 + i % 12, 55 + i % 12) : IntToStr(36 + i % 48);
        midi.AddNote(notes, kCodes[i % 24], IntToStr(64 + i % 64));
    }
}

// The writer's output cut into the pieces a hand-written encoder would
// fwrite: the fixed head, one piece per entry, the fixed tail.
std::vector<std::vector<char>> BaselinePieces(const AnsiString& scratch)
{
    TVelMidi midi(nullptr);
    midi.ExactTiming = true;
    midi.WriteMidiFile(scratch);
    std::ifstream in(scratch, std::ios::binary);
    std::vector<char> file((std::istreambuf_iterator<char>(in)), {});
    std::remove(scratch.c_str());
    std::vector<std::vector<char>> pieces;
    size_t at = 49; // header, tempo track, note track's chunk header
    pieces.emplace_back(file.begin(), file.begin() + static_cast<long>(at));
    for (int i = 0; i < NoteList.Count(); ++i) {
        size_t keys = 1;
        for (char c : NoteList[i])
            keys += c == ',';
        size_t delta = (LengthList[i] == "32" || LengthList[i] == "T32") ? 1 : 2;
        size_t size = 8 * keys - 1 + delta;
        pieces.emplace_back(file.begin() + static_cast<long>(at), file.begin() + static_cast<long>(at + size));
        at += size;
    }
    pieces.emplace_back(file.begin() + static_cast<long>(at), file.end());
    return pieces;
}

void FwriteLoop(benchmark::State& state, const Folder& folder, bool sync)
{
    const std::vector<std::vector<char>> pieces = BaselinePieces(folder.File("scratch"));
    const AnsiString target = folder.File("baseline");
    size_t bytes = 0;
    for (const auto& piece : pieces)
        bytes += piece.size();
    for (auto _ : state) {
        FILE* f = std::fopen(target.c_str(), "wb");
        if (!f) {
            state.SkipWithError("cannot open the baseline file");
            return;
        }
        for (const auto& piece : pieces)
            std::fwrite(piece.data(), 1, piece.size(), f);
        if (sync) {
            std::fflush(f);
            ::fsync(fileno(f));
        }
        std::fclose(f);
    }
    std::remove(target.c_str());
    state.SetBytesProcessed(static_cast<int64_t>(bytes) * state.iterations());
}

void WriteMidiFile(benchmark::State& state, const Folder& folder)
{
    const AnsiString target = folder.File("writer");
    TVelMidi midi(nullptr);
    midi.ExactTiming = true;
    for (auto _ : state)
        midi.WriteMidiFile(target);
    std::ifstream in(target, std::ios::binary | std::ios::ate);
    state.SetBytesProcessed(static_cast<int64_t>(in.tellg()) * state.iterations());
    in.close();
    std::remove(target.c_str());
}

// Keeps each benchmark's median real time per iteration for the ratios
// printed at the end; the median of several runs keeps a busy machine's
// spikes out of the ratio.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median" && !run.error_occurred)
            {
                times[run.run_name.function_name] = run.GetAdjustedRealTime();
                cpuTimes[run.run_name.function_name] = run.GetAdjustedCPUTime();
            }
    }
    std::map<std::string, double> times;
    std::map<std::string, double> cpuTimes;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    FillMelody();
    const std::vector<Folder> folders = Folders();
    for (const Folder& folder : folders) {
        benchmark::RegisterBenchmark(Format("FwriteLoop/%s", folder.label).c_str(),
            [&folder](benchmark::State& s) { FwriteLoop(s, folder, false); })
            ->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(kRepetitions)->ReportAggregatesOnly(true);
        benchmark::RegisterBenchmark(Format("FwriteLoopSynced/%s", folder.label).c_str(),
            [&folder](benchmark::State& s) { FwriteLoop(s, folder, true); })
            ->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(kRepetitions)->ReportAggregatesOnly(true);
        benchmark::RegisterBenchmark(Format("WriteMidiFile/%s", folder.label).c_str(),
            [&folder](benchmark::State& s) { WriteMidiFile(s, folder); })
            ->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(kRepetitions)->ReportAggregatesOnly(true);
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    std::printf("\n");
    for (const Folder& folder : folders) {
        auto ratio = [&](const std::map<std::string, double>& times, const char* baseline) {
            auto writer = times.find(Format("WriteMidiFile/%s", folder.label));
            auto base = times.find(Format("%s/%s", baseline, folder.label));
            return writer == times.end() || base == times.end() || base->second <= 0 ? 0.0 : writer->second / base->second;
        };
        double plain = ratio(reporter.times, "FwriteLoop");
        if (plain <= 0)
            continue;
        std::printf("%-6s (%s): WriteMidiFile / plain fwrite loop %.2f (goal: at most 2.00, %s); "
                    "/ fwrite loop with fsync %.2f; CPU time / plain fwrite loop %.2f\n",
            folder.label, folder.path.c_str(), plain, plain <= 2.0 ? "met" : "missed",
            ratio(reporter.times, "FwriteLoopSynced"), ratio(reporter.cpuTimes, "FwriteLoop"));
    }
    benchmark::Shutdown();
    return 0;
}
