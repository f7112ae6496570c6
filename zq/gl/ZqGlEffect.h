// ZqGlEffect: one compiled effect made live on the graphics device: its parameter values, its
// shaders, and its techniques of passes. A pass sets its shaders, binds the textures of the
// samplers its shaders read, sets its sampler and render states, and sends the parameters its
// shaders read to their constant registers; inside a pass, commitChanges sends what changed
// since. The states a technique's passes changed are put back when the technique ends.
// Not for: names, numbers and the standard parameter set (ZqGlShader keeps those).
// Depends on the effect container reader, the parameter values and the device service.
#pragma once

#include "zq/gl/ZqGlEffectFile.h"
#include "zq/gl/ZqGlEffectParams.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zqp::gpu {
class Device;
class VertexShader;
class PixelShader;
} // namespace zqp::gpu

class ZqGlEffect {
public:
    // Reads a container and makes its shaders on the device. Null when the data are not a
    // valid container, a shared parameter clashes with the pool's value of its name, or a
    // shader does not compile (the device's log then goes to *log when log is given).
    static std::unique_ptr<ZqGlEffect> create(zqp::gpu::Device& device, const void* data,
                                              size_t size, ZqGlEffectPool* pool,
                                              std::string* log = nullptr);
    // Made through create only.
    struct Key {
        explicit Key() = default;
    };
    ZqGlEffect(Key, zqp::gpu::Device& device);
    ~ZqGlEffect();
    ZqGlEffect(const ZqGlEffect&) = delete;
    ZqGlEffect& operator=(const ZqGlEffect&) = delete;

    ZqGlEffectParams& params() { return m_params; }
    const ZqGlEffectParams& params() const { return m_params; }
    // Index of the parameter, sampler or technique of that name, or -1.
    int findParam(const char* name) const { return m_file.findParam(name); }
    int findSampler(const char* name) const { return m_file.findSampler(name); }
    int findTechnique(const char* name) const { return m_file.findTechnique(name); }
    // Parameters including samplers, as effects count them.
    uint32_t getParamCount() const;
    uint32_t getTechniqueCount() const;

    // False for a technique outside the table, or while a technique is running.
    bool setTechnique(int technique);
    int getTechnique() const { return m_technique; }
    // Starts the current technique: its number of passes, 0 when no technique is set or one is
    // running already.
    uint32_t begin();
    // False outside begin/end, for a pass outside the technique, or while a pass is running.
    bool beginPass(uint32_t pass);
    // Inside a pass: sends the parameters and textures changed since the pass began or since
    // the last commit. Outside a pass there is nothing to send.
    bool commitChanges();
    bool endPass();
    // Ends the technique and puts back every render and sampler state its passes changed.
    bool end();

    // Around a device reset: textures are device resources and are let go of first.
    void onLostDevice();
    void onResetDevice();

private:
    struct SavedState {
        uint32_t sampler; // NO_SAMPLER for a render state
        uint32_t state;
        uint32_t value;
    };
    static constexpr uint32_t NO_SAMPLER = 0xFFFFFFFFu;

    void sendShader(uint32_t shader, bool onlyChanged);
    void sendConstant(zqfx::Stage stage, const ZqGlEffectFile::Constant& constant);
    void setRenderState(uint32_t state, uint32_t value);
    void setSamplerState(uint32_t stage, uint32_t state, uint32_t value);
    bool isSaved(uint32_t sampler, uint32_t state) const;
    void restoreStates();

    zqp::gpu::Device& m_device;
    ZqGlEffectFile m_file;
    ZqGlEffectParams m_params;
    std::vector<std::shared_ptr<zqp::gpu::VertexShader>> m_vertexShaders; // by shader index
    std::vector<std::shared_ptr<zqp::gpu::PixelShader>> m_pixelShaders;
    std::vector<SavedState> m_saved;
    std::vector<float> m_registers;
    int m_technique = -1;
    bool m_begun = false;
    int m_pass = -1;
    uint64_t m_sentStamp = 0;
};
