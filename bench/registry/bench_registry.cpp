// Push then Pop of one value through TVelReg, against the bare SQLite work
// the same round trip needs at least: an insert-or-replace and a select on
// the same database file with the same settings. Prints the ratio (goal: at
// most 2).
#include "components/registry/TVelReg.h"
#include "platform/win/prefix/Prefix.h"
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sqlite3.h>
#include <string>

namespace {

void BM_PushPop(benchmark::State& state)
{
    TVelReg reg;
    reg.SetProgrammname("Velmora Copier");
    reg.Push("Scale", "100");
    int scale = 100;
    for (auto _ : state) {
        scale = scale == 200 ? 1 : scale + 1;
        reg.Push("Scale", std::to_string(scale));
        benchmark::DoNotOptimize(reg.Pop("Scale"));
    }
}

void BM_BareSqlite(benchmark::State& state)
{
    VelPrefix::Ensure();
    // The hive itself, opened once more, with the hive's own settings.
    TVelReg reg;
    reg.SetProgrammname("Velmora Copier");
    reg.Push("Scale", "100");
    std::string file = VelPrefix::Path() + "/user.db";
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        state.SkipWithError("cannot open the hive");
        return;
    }
    sqlite3_busy_timeout(db, 60000);
    sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;"
                     "CREATE TABLE IF NOT EXISTS bench(k TEXT PRIMARY KEY, v TEXT) WITHOUT ROWID;",
        nullptr, nullptr, nullptr);
    sqlite3_stmt* put = nullptr;
    sqlite3_stmt* get = nullptr;
    sqlite3_prepare_v2(db, "INSERT OR REPLACE INTO bench(k, v) VALUES('Scale', ?1)", -1, &put, nullptr);
    sqlite3_prepare_v2(db, "SELECT v FROM bench WHERE k = 'Scale'", -1, &get, nullptr);
    int scale = 100;
    for (auto _ : state) {
        scale = scale == 200 ? 1 : scale + 1;
        std::string text = std::to_string(scale);
        sqlite3_bind_text(put, 1, text.c_str(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
        sqlite3_step(put);
        sqlite3_reset(put);
        if (sqlite3_step(get) == SQLITE_ROW)
            benchmark::DoNotOptimize(std::string(reinterpret_cast<const char*>(sqlite3_column_text(get, 0))));
        sqlite3_reset(get);
    }
    sqlite3_finalize(put);
    sqlite3_finalize(get);
    sqlite3_close(db);
}

BENCHMARK(BM_BareSqlite)->MinTime(1.0);
BENCHMARK(BM_PushPop)->MinTime(1.0);

class Collector : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            times[run.benchmark_name()] = run.GetAdjustedRealTime();
            cpuTimes[run.benchmark_name()] = run.GetAdjustedCPUTime();
        }
    }
    std::map<std::string, double> times;
    std::map<std::string, double> cpuTimes;
};

} // namespace

int main(int argc, char** argv)
{
    // Never the user's own settings.
    char temp[] = "/tmp/velmora-bench-registry-XXXXXX";
    bool ownPrefix = !std::getenv("VELMORA_PREFIX");
    if (ownPrefix) {
        if (!::mkdtemp(temp))
            return 1;
        ::setenv("VELMORA_PREFIX", temp, 1);
    }
    benchmark::Initialize(&argc, argv);
    Collector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);
    const std::string bareName = "BM_BareSqlite/min_time:1.000";
    const std::string oursName = "BM_PushPop/min_time:1.000";
    double bare = collector.times[bareName];
    double ours = collector.times[oursName];
    double bareCpu = collector.cpuTimes[bareName];
    double oursCpu = collector.cpuTimes[oursName];
    if (bare > 0 && ours > 0 && bareCpu > 0 && oursCpu > 0)
        std::printf("Push+Pop / bare SQLite insert-or-replace+select: %.2fx wall, %.2fx CPU (goal: at most 2x)\n",
            ours / bare, oursCpu / bareCpu);
    benchmark::Shutdown();
    if (ownPrefix)
        std::filesystem::remove_all(temp);
    return 0;
}
