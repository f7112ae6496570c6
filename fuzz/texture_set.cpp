// Feeds the texture-set reader with arbitrary bytes: a create from memory, every name and
// slot of a set that loads read back, and a reload of it with the input cut short. Seeds:
// files that tools/textureset writes (fuzz/texture_set_seeds.cmake).
#include "zq/gl/ZqGlTexture.h"
#include "zq/gl/ZqGlTextureSet.h"

#include <cstddef>
#include <cstdint>

namespace {

bool startPool() {
    ZqGlTextureSet::sysInit();
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool started = startPool();
    (void)started;
    ZqGlTextureSet* const s = ZqGlTextureSet::create(u"f", data, static_cast<uint32_t>(size));
    if (s == nullptr) {
        return 0;
    }
    // Every name is read to its end (the sanitizer checks each read).
    size_t units = 0;
    for (uint32_t set = 0; set < s->getNrSets(); ++set) {
        for (uint32_t i = 0; i < s->getNrTexturesPerSet(); ++i) {
            for (const char16_t* p = s->getTextureFilename(set, i); *p != 0; ++p) {
                ++units;
            }
            if (s->getTextureArray(set)[i] != nullptr) {
                __builtin_trap();
            }
        }
    }
    if (units == SIZE_MAX) {
        __builtin_trap();
    }
    s->reload(data, static_cast<uint32_t>(size / 2));
    if (s->release() != 0) {
        __builtin_trap();
    }
    return 0;
}
