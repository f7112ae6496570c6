// Draw registration of 2,000 tasks at one draw priority, then one drawing that empties the
// list: the per-frame cost of a busy scene. Depths come in three orders, since registration
// walks the list from its head.
#include "zq/task/ZqTask.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {

class Drawn : public ZqTask {
public:
    void draw(float) override { benchmark::DoNotOptimize(this); }
};

enum class Order { Ascending, Descending, Random };

void registerAll(benchmark::State& state, const Order order) {
    constexpr int N = 2000;
    ZqTask root;
    ZqTask::sysInit(&root);
    std::vector<Drawn> tasks(N);
    std::vector<float> depths(N);
    for (int i = 0; i < N; ++i) {
        depths[i] = static_cast<float>(i);
    }
    if (order == Order::Descending) {
        std::reverse(depths.begin(), depths.end());
    } else if (order == Order::Random) {
        std::shuffle(depths.begin(), depths.end(), std::mt19937(42));
    }
    for (auto _ : state) {
        for (int i = 0; i < N; ++i) {
            tasks[i].addDrawTask(7, depths[i]);
        }
        ZqTask::sysDraw(16.0f);
    }
    state.SetItemsProcessed(state.iterations() * N);
    ZqTask::sysQuit();
}

void BM_DrawRegistrationAscending(benchmark::State& s) {
    registerAll(s, Order::Ascending);
}
void BM_DrawRegistrationDescending(benchmark::State& s) {
    registerAll(s, Order::Descending);
}
void BM_DrawRegistrationRandom(benchmark::State& s) {
    registerAll(s, Order::Random);
}

BENCHMARK(BM_DrawRegistrationAscending);
BENCHMARK(BM_DrawRegistrationDescending);
BENCHMARK(BM_DrawRegistrationRandom);

} // namespace
