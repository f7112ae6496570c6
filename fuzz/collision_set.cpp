// Feeds the collision-set loader with arbitrary bytes: a create from memory, every figure of a
// set that loads checked for its limits, and a reload of it with the input cut short.
// Seeds: data that tools/collision writes (fuzz/collision_set_seeds.cmake).
#include "zq/dg/ZqDgCollision.h"

#include <cstddef>
#include <cstdint>

namespace {

bool startPool() {
    ZqDgCollision::sysInit();
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool started = startPool();
    (void)started;
    if (size > 0xFFFFFFFFu) {
        return 0;
    }
    ZqDgCollision* const s = ZqDgCollision::create(u"f", data, static_cast<unsigned int>(size));
    if (s == nullptr) {
        return 0;
    }
    // A set that loads holds only figures that are finite within its limit.
    for (unsigned int i = 0; i < s->getNrFigures(); ++i) {
        if (!s->getFigure(i)->isFinite(1.0e7f)) {
            __builtin_trap();
        }
    }
    const unsigned int before = s->getNrFigures();
    if (s->reload(data, static_cast<unsigned int>(size / 2)) == nullptr &&
        s->getNrFigures() != before) {
        __builtin_trap();
    }
    if (s->release() != 0) {
        __builtin_trap();
    }
    return 0;
}
