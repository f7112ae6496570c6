// ZqGlEffectFile: a compiled effect container ("ZQFX", see ZqGlEffectFormat.h) read into plain
// tables. Reading checks the whole file before anything is used: magic and version, every
// section inside the file, every string inside the string section, every index inside its
// table, every register and sampler stage inside the device's limits, every state a known
// one with a value of its range. Anything else (a D3D effect, garbage, a cut file) is refused.
// Not for: making device objects (ZqGlEffect does that). Depends on the standard library only.
#pragma once

#include "zq/gl/ZqGlEffectFormat.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class ZqGlEffectFile {
public:
    struct Param {
        std::string name;
        zqfx::ParamType type = zqfx::TYPE_FLOAT;
        bool shared = false;
        // 0 for a single value, else the array length.
        uint32_t elements = 0;
        // The initial value words, componentsOf(type) x max(1, elements) of them (none for a
        // texture).
        std::vector<uint32_t> value;
    };
    struct Sampler {
        std::string name;
        zqfx::SamplerKind kind = zqfx::SAMPLER_2D;
        uint16_t texture = 0; // index of a texture parameter
        uint32_t stateMask = 0;
        uint32_t states[zqfx::SAMPLER_STATE_SLOTS] = {};
    };
    struct Constant {
        uint16_t param = 0;
        uint16_t firstRegister = 0;
        uint16_t registerCount = 0;
    };
    struct SamplerBinding {
        uint16_t sampler = 0;
        uint16_t stage = 0;
    };
    struct Shader {
        zqfx::Stage stage = zqfx::STAGE_VERTEX;
        std::string code;
        std::vector<Constant> constants;
        std::vector<SamplerBinding> samplers;
    };
    struct State {
        uint32_t id = 0;
        uint32_t value = 0;
    };
    struct Pass {
        std::string name;
        uint32_t vertexShader = zqfx::NO_SHADER;
        uint32_t pixelShader = zqfx::NO_SHADER;
        std::vector<State> states;
    };
    struct Technique {
        std::string name;
        std::vector<Pass> passes;
    };

    // True when the bytes begin with the container's magic (a cheap first test).
    static bool hasMagic(const void* data, size_t size);
    // Reads and checks a whole container; false leaves this object empty.
    bool read(const void* data, size_t size);
    void clear();

    // Index of the parameter, sampler or technique of that name, or -1.
    int findParam(const char* name) const;
    int findSampler(const char* name) const;
    int findTechnique(const char* name) const;

    std::vector<Param> m_params;
    std::vector<Sampler> m_samplers;
    std::vector<Shader> m_shaders;
    std::vector<Technique> m_techniques;
};
