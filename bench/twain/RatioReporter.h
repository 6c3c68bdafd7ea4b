#pragma once
// Console output plus, at the end, each measured pair as a ratio: the time of
// the thing measured against its baseline from the same run.
#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

class RatioReporter : public benchmark::ConsoleReporter {
public:
    struct Pair {
        std::string measured, baseline, label;
        double goal;
    };
    explicit RatioReporter(std::vector<Pair> pairs) : m_pairs(std::move(pairs)) { }

    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            if (!run.error_occurred)
                m_times[run.benchmark_name()] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }

    void Finalize() override
    {
        ConsoleReporter::Finalize();
        for (const Pair& p : m_pairs) {
            auto m = m_times.find(p.measured);
            auto b = m_times.find(p.baseline);
            if (m == m_times.end() || b == m_times.end() || b->second <= 0)
                continue;
            double ratio = m->second / b->second;
            std::printf("%s: %.2fx the baseline (goal: at most %.1fx) %s\n", p.label.c_str(), ratio, p.goal,
                        ratio <= p.goal ? "met" : "NOT MET");
        }
    }

private:
    std::vector<Pair> m_pairs;
    std::map<std::string, double> m_times;
};
