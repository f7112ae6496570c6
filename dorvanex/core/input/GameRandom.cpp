#include "dorvanex/core/input/GameRandom.h"

#include "zq/math/ZqMt19937Ar.h"

#include <memory>

namespace {

std::unique_ptr<ZqMt19937Ar> g_random;

} // namespace

void createGameRandom() {
    g_random = std::make_unique<ZqMt19937Ar>();
}

void seedGameRandom(const uint32_t seed) {
    if (g_random) {
        g_random->init(seed);
    }
}

void deleteGameRandom() {
    g_random.reset();
}

uint32_t getGameRandom() {
    return g_random ? g_random->rand() : 0;
}

void getGameRandomState(uint32_t* const words, uint32_t* const index) {
    if (g_random) {
        g_random->getState(words, index);
    }
}

void setGameRandomState(const uint32_t* const words, const uint32_t index) {
    if (g_random) {
        g_random->setState(words, index);
    }
}
