// Feeds the effect container reader with arbitrary bytes. Seeds: any compiled effect (.fxo),
// for example the output of `zqfxc zq/gl/ZqGlShader_default.fx default.fxo`.
#include "zq/gl/ZqGlEffectFile.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ZqGlEffectFile file;
    if (file.read(data, size)) {
        // A file that reads must hold only what the runtime may index without checks.
        for (const auto& t : file.m_techniques) {
            for (const auto& p : t.passes) {
                if ((p.vertexShader != zqfx::NO_SHADER &&
                     p.vertexShader >= file.m_shaders.size()) ||
                    (p.pixelShader != zqfx::NO_SHADER && p.pixelShader >= file.m_shaders.size())) {
                    __builtin_trap();
                }
            }
        }
        for (const auto& s : file.m_shaders) {
            for (const auto& c : s.constants) {
                if (c.param >= file.m_params.size()) {
                    __builtin_trap();
                }
            }
        }
    }
    return 0;
}
