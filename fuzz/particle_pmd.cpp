// Feeds the effect description reader with arbitrary bytes: through the parser and the
// loader's memory registration. Seeds: the particle writer's .pmd files.
#include "zq/u/pm/ZquPmFileLoader.h"
#include "zq/u/pm/ZquPmFormat.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ZquPm::PMD_HEADER h;
    if (ZquPmFileLoader::parsePmd(data, size, h)) {
        // What parses must hold every record it names, inside the input.
        if (h.image.size() != zqpm::PMD_HEADER_SIZE + h.emitters.size() * zqpm::EMIT_SIZE ||
            h.image.size() > size) {
            __builtin_trap();
        }
    }
    ZquPmFileLoader loader;
    const ZquPm::PMD_HEADER* const a = loader.LoadPMD(data, size);
    const ZquPm::PMD_HEADER* const b = loader.LoadPMD(data, size);
    if (a != b) {
        __builtin_trap();
    }
    loader.UnLoadPMD(a);
    loader.UnLoadPMD(b);
    return 0;
}
