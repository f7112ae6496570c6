// Feeds the model file reader with arbitrary bytes and checks that a file it accepts holds only
// what the model resource and the draws index without further checks. Seeds: models that
// tools/model writes (fuzz/model_file_seeds.cmake).
#include "zq/gl/ZqGlModelFile.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ZqGlModelFile file;
    if (file.read(data, size) != 0) {
        return 0;
    }
    const uint8_t* const end = data + size;
    for (const ZqGlModelFile::Submodel& s : file.submodels) {
        if (s.paletteStart + s.paletteLength > file.boneNumbers.size() ||
            s.material >= file.materials.size() || s.nrStages > 4) {
            __builtin_trap();
        }
        for (uint32_t k = 0; k < s.nrStages; ++k) {
            if (s.textures[k] >= file.textures.size()) {
                __builtin_trap();
            }
        }
        if (s.nrPrimitives != 0 &&
            (s.vertices < data || s.vertices + static_cast<size_t>(s.stride) * s.nrVertices > end ||
             s.indices < data || s.indices + 2 * static_cast<size_t>(s.nrIndices) > end)) {
            __builtin_trap();
        }
    }
    for (const uint8_t b : file.boneNumbers) {
        if (b >= file.bones.size()) {
            __builtin_trap();
        }
    }
    return 0;
}
