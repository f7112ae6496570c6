#include "bench/support/MedianReport.h"

#include <cstdio>

namespace zqbench {

void MedianReporter::ReportRuns(const std::vector<Run>& runs) {
    // With repetitions the median stands for the benchmark; otherwise the single run does.
    for (const Run& r : runs) {
        if (r.error_occurred) {
            continue;
        }
        const std::string& name = r.run_name.function_name;
        const bool real = m_realTime || r.run_name.time_type == "manual_time";
        const double t = real ? r.GetAdjustedRealTime() : r.GetAdjustedCPUTime();
        const auto counter = [&r](const char* key) {
            const auto it = r.counters.find(key);
            return it != r.counters.end() ? static_cast<double>(it->second) : 0.0;
        };
        const double rate = counter("items_per_second");
        const double bytes = counter("bytes_per_second");
        if (r.run_type == Run::RT_Aggregate && r.aggregate_name == "median") {
            m_time[name] = t;
            m_rate[name] = rate;
            m_bytesRate[name] = bytes;
            m_median[name] = true;
        } else if (r.run_type == Run::RT_Iteration && !m_median[name]) {
            m_time[name] = t;
            m_rate[name] = rate;
            m_bytesRate[name] = bytes;
        }
    }
    ConsoleReporter::ReportRuns(runs);
}

double MedianReporter::time(const std::string& name) const {
    const auto it = m_time.find(name);
    return it != m_time.end() ? it->second : 0.0;
}

double MedianReporter::rate(const std::string& name) const {
    const auto it = m_rate.find(name);
    return it != m_rate.end() ? it->second : 0.0;
}

double MedianReporter::bytesRate(const std::string& name) const {
    const auto it = m_bytesRate.find(name);
    return it != m_bytesRate.end() ? it->second : 0.0;
}

bool runRepeated(int argc, char** argv, MedianReporter& reporter,
                 const std::vector<std::string>& defaults) {
    std::vector<std::string> flags = {"--benchmark_repetitions=5",
                                      "--benchmark_enable_random_interleaving=true",
                                      "--benchmark_report_aggregates_only=true"};
    flags.insert(flags.end(), defaults.begin(), defaults.end());
    std::vector<char*> args = {argv[0]};
    for (std::string& f : flags) {
        args.push_back(f.data());
    }
    args.insert(args.end(), argv + 1, argv + argc);
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data())) {
        return false;
    }
    benchmark::RunSpecifiedBenchmarks(&reporter);
    return true;
}

bool printFigure(const std::string& name, const double ratio, const Goal kind, const double goal) {
    const char* const op = kind == Goal::AT_MOST ? "<=" : ">=";
    if (ratio <= 0) {
        std::printf("%-48s %7s  goal %s %.2f  not measured\n", name.c_str(), "-", op, goal);
        return false;
    }
    const bool met = kind == Goal::AT_MOST ? ratio <= goal : ratio >= goal;
    std::printf("%-48s %7.2f  goal %s %.2f  %s\n", name.c_str(), ratio, op, goal,
                met ? "met" : "missed");
    return met;
}

} // namespace zqbench
