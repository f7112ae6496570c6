// Feeds the texture-list reader with arbitrary bytes: through the parser and the loader's
// memory registration (textures searched by name find none here, so lists without textures
// register). Seeds: the particle writer's .pmt files.
#include "zq/u/pm/ZquPmFileLoader.h"
#include "zq/u/pm/ZquPmFormat.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ZquPm::PMTEXTURE list;
    std::vector<std::string> names;
    if (ZquPmFileLoader::parsePmt(data, size, list, &names)) {
        if (list.textureCount > zqpm::PMT_MAX_TEXTURES || names.size() != list.textureCount ||
            list.image.size() > size) {
            __builtin_trap();
        }
    }
    ZquPmFileLoader loader;
    loader.setTextureHooks([](const std::u16string&, bool) { return nullptr; },
                           [](ZqGlTexture*) {});
    ZquPm::PMTEXTURE* const t = loader.LoadPMT(data, size, "fuzz/list.pmt");
    loader.UnLoadPMT(t);
    return 0;
}
