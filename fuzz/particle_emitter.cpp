// Feeds emitter records to the particle engine and runs it for 50 steps: no fault,
// no endless loop, and the pools' counts agree with the effect's. Input: an effect description
// (the writer's .pmd files are the seeds); the header's motion type and up to 4 of its records
// are used, whatever the magic says. The work of an input is bounded so that the fuzzer runs
// many of them: each emission makes at most 8 particles, and the engine runs 50 steps.
#include "zq/u/pm/ParticleManager_internal.h"
#include "zq/u/pm/ZquPm.h"
#include "zq/u/pm/ZquPmFormat.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static auto pm = ParticleManager::create();
    pm->reset();
    ZquPm::EmitParam ep;
    if (size >= zqpm::PMD_HEADER_SIZE) {
        uint32_t motion = 0;
        std::memcpy(&motion, data + zqpm::PMD_MOTION_TYPE, 4);
        ep.motionType = motion % 6;
        ep.velocity = ZqVector3(0.1f, 0.0f, 0.0f);
        ep.target = ZqVector3(0.0f, 5.0f, 0.0f);
        ep.transform.setTrans(1.0f, 2.0f, 3.0f);
    }
    std::vector<ZquPm::EMITDATA> recs;
    for (uint64_t at = zqpm::PMD_HEADER_SIZE; at + zqpm::EMIT_SIZE <= size && recs.size() < 4;
         at += zqpm::EMIT_SIZE) {
        recs.emplace_back();
        recs.back().read(data + at, size - at);
        recs.back().count = std::min(recs.back().count, 8u);
    }
    for (const auto& r : recs) {
        pm->startEmitter(&r, &ep);
    }
    for (int i = 0; i < 50; ++i) {
        pm->update();
    }
    const uint32_t live = pm->rot().count() + pm->line().count() + pm->model().count();
    if (live != ep.particleCount || pm->emitterCount() != ep.emitterCount) {
        __builtin_trap();
    }
    pm->releaseEffect(&ep);
    if (pm->rot().count() + pm->line().count() + pm->model().count() != 0 ||
        ep.particleCount != 0 || ep.emitterCount != 0) {
        __builtin_trap();
    }
    return 0;
}
