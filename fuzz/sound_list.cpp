// Feeds the resource manager's sound-list reader with arbitrary bytes: every record it keeps
// must lie inside the input. Seeds: small sound lists kept in fuzz/seeds/sound_list.
#include "dorvanex/scene/CResourceManager.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CResourceManager::SoundList list;
    const uint32_t read = CResourceManager::parseSoundList(data, size, list);
    // Each record takes at least 21 bytes after the 8-byte head.
    if (read != 0 && (size < 8 || (size - 8) / 21 < read)) {
        __builtin_trap();
    }
    return 0;
}
