#pragma once

// Runs the registered Google Benchmark cases, then prints, as the program's last line, the ratio
// of one case's time per iteration to its baseline's ("ratio <case>/<baseline> = 0.42").

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

namespace bench {

class CollectingReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const auto& run : runs)
            if (run.run_type == Run::RT_Iteration && run.iterations > 0)
                seconds[run.benchmark_name()] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> seconds;
};

inline int runWithRatio(int argc, char** argv, const std::string& measured, const std::string& baseline)
{
    benchmark::Initialize(&argc, argv);
    CollectingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    const auto m = reporter.seconds.find(measured);
    const auto b = reporter.seconds.find(baseline);
    if (m == reporter.seconds.end() || b == reporter.seconds.end() || b->second <= 0.0) {
        std::printf("ratio %s/%s = n/a (not run)\n", measured.c_str(), baseline.c_str());
        return 0;
    }
    std::printf("ratio %s/%s = %.3f\n", measured.c_str(), baseline.c_str(), m->second / b->second);
    return 0;
}

} // namespace bench
