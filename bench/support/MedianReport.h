// The common frame of the benchmarks that set our code against a peer: repeated, interleaved
// runs by default, and a console reporter that keeps each benchmark's median time for the
// closing table of ratios.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace zqbench {

class MedianReporter : public benchmark::ConsoleReporter {
public:
    // realTime: keep wall-clock times (file reads), else CPU times; benchmarks that time
    // themselves (manual time) always keep theirs.
    explicit MedianReporter(bool realTime) : m_realTime(realTime) {}

    void ReportRuns(const std::vector<Run>& runs) override;
    // The median time of a benchmark by its registered name, in its own time unit; 0 when it
    // did not run.
    double time(const std::string& name) const;
    // Its median items per second; 0 when it did not run or counts no items.
    double rate(const std::string& name) const;
    // Its median bytes per second; 0 when it did not run or counts no bytes.
    double bytesRate(const std::string& name) const;

private:
    bool m_realTime;
    std::map<std::string, double> m_time;
    std::map<std::string, double> m_rate;
    std::map<std::string, double> m_bytesRate;
    std::map<std::string, bool> m_median;
};

// Initialises Google Benchmark with five interleaved repetitions (plus `defaults`), flags on
// the command line coming later and winning, and runs every benchmark into the reporter.
// False when an argument was not recognised.
bool runRepeated(int argc, char** argv, MedianReporter& reporter,
                 const std::vector<std::string>& defaults = {});

// Whether a figure must stay at or below its goal (times against a peer) or reach it (rates).
enum class Goal { AT_MOST, AT_LEAST };

// The closing line of one figure, "<name>  <ratio>  goal <= 2.00  met" (or "missed"); a ratio
// of 0 or below, from a benchmark filtered out of the run, prints "not measured". True when
// the goal was met.
bool printFigure(const std::string& name, double ratio, Goal kind, double goal);

} // namespace zqbench
