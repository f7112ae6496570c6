// Draw registration of 2,000 tasks at one draw priority, then one drawing that empties the
// list: the per-frame cost of a busy scene. Depths come in three orders. The peer is a plain
// std::stable_sort of the same records followed by the same calls; a closing line gives our
// time as a multiple of the peer's for each order (goal: at most 3).
#include "bench/support/MedianReport.h"
#include "zq/task/ZqTask.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int N = 2000;

class Drawn : public ZqTask {
public:
    void draw(float) override { benchmark::DoNotOptimize(this); }
};

enum class Order { Ascending, Descending, Random };
constexpr const char* ORDER_NAMES[] = {"Ascending", "Descending", "Random"};

std::vector<float> depthsIn(const Order order) {
    std::vector<float> depths(N);
    for (int i = 0; i < N; ++i) {
        depths[i] = static_cast<float>(i);
    }
    if (order == Order::Descending) {
        std::reverse(depths.begin(), depths.end());
    } else if (order == Order::Random) {
        std::shuffle(depths.begin(), depths.end(), std::mt19937(42));
    }
    return depths;
}

void registerAll(benchmark::State& state, const Order order) {
    ZqTask root;
    ZqTask::sysInit(&root);
    std::vector<Drawn> tasks(N);
    const std::vector<float> depths = depthsIn(order);
    for (auto _ : state) {
        for (int i = 0; i < N; ++i) {
            tasks[i].addDrawTask(7, depths[i]);
        }
        ZqTask::sysDraw(16.0f);
    }
    state.SetItemsProcessed(state.iterations() * N);
    ZqTask::sysQuit();
}

// The same records gathered and stably sorted by depth, then drawn.
void stableSortAll(benchmark::State& state, const Order order) {
    struct Record {
        float depth;
        ZqTask* task;
    };
    std::vector<Drawn> tasks(N);
    const std::vector<float> depths = depthsIn(order);
    std::vector<Record> records;
    records.reserve(N);
    for (auto _ : state) {
        records.clear();
        for (int i = 0; i < N; ++i) {
            records.push_back({depths[i], &tasks[i]});
        }
        std::stable_sort(records.begin(), records.end(),
                         [](const Record& a, const Record& b) { return a.depth < b.depth; });
        for (const Record& r : records) {
            r.task->draw(16.0f);
        }
    }
    state.SetItemsProcessed(state.iterations() * N);
}

} // namespace

int main(int argc, char** argv) {
    for (const Order order : {Order::Ascending, Order::Descending, Order::Random}) {
        const std::string name = ORDER_NAMES[static_cast<int>(order)];
        benchmark::RegisterBenchmark(("register/" + name).c_str(),
                                     [order](auto& st) { registerAll(st, order); });
        benchmark::RegisterBenchmark(("stableSort/" + name).c_str(),
                                     [order](auto& st) { stableSortAll(st, order); });
    }
    zqbench::MedianReporter reporter(false);
    if (!zqbench::runRepeated(argc, argv, reporter)) {
        return 1;
    }
    std::printf("\nregistration and drawing of %d tasks as a multiple of std::stable_sort of the "
                "same records (goal: at most 3.00):\n",
                N);
    for (const char* name : ORDER_NAMES) {
        const double ours = reporter.time(std::string("register/") + name);
        const double peer = reporter.time(std::string("stableSort/") + name);
        zqbench::printFigure(std::string("registration / stable_sort, ") + name,
                             peer > 0 ? ours / peer : 0, zqbench::Goal::AT_MOST, 3.0);
    }
    benchmark::Shutdown();
    return 0;
}
