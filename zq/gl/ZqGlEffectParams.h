// ZqGlEffectParams: the parameter values of one effect, read from its container, with the
// effect pool through which effects share the values of their `shared` parameters (one value
// per name for every effect made with the pool). Values are set and read by parameter index
// with the conversions below; every change stamps the value so that the effect can send only
// what changed, and a parameter block records changes to replay them later.
// Not for: device work (ZqGlEffect sends the values). Depends on ZqGlEffectFile; device
// textures are only held, never used.
#pragma once

#include "zq/gl/ZqGlEffectFile.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace zqp::gpu {
class Texture;
}

// One parameter's value: numeric words (booleans and integers as signed 32-bit integers,
// the rest as float bits, a matrix row by row) or a texture, with the stamp of its last change.
struct ZqGlEffectValue {
    std::string name;
    zqfx::ParamType type = zqfx::TYPE_FLOAT;
    uint32_t elements = 0; // 0: not an array
    std::vector<uint32_t> words;
    std::shared_ptr<zqp::gpu::Texture> texture;
    uint64_t stamp = 0;

    uint32_t count() const { return elements == 0 ? 1 : elements; }
};

class ZqGlEffectPool {
public:
    // The live shared value of the parameter's name, or a new one holding the parameter's
    // initial value; null when a live value of that name has another type or length.
    std::shared_ptr<ZqGlEffectValue> share(const ZqGlEffectFile::Param& param);
    // Live shared values.
    size_t size() const;

private:
    std::map<std::string, std::weak_ptr<ZqGlEffectValue>> m_values;
};

class ZqGlEffectParams {
public:
    // Takes the parameters of a container; shared ones through the pool when one is given.
    // False (and empty) when a shared parameter clashes with the pool's value of its name.
    bool init(const ZqGlEffectFile& file, ZqGlEffectPool* pool);

    uint32_t size() const { return static_cast<uint32_t>(m_values.size()); }
    const ZqGlEffectValue& at(const uint32_t index) const { return *m_values[index]; }
    // Index of the parameter of that name, or -1.
    int find(const char* name) const;

    // Setters return false and change nothing for an index outside the table, a parameter of
    // another kind, or a count beyond the parameter's size. Scalars and vectors go to
    // booleans, integers and float vectors (element 0; a vector gives as many components as
    // the parameter has); matrices only to float4x4 parameters; flat int and float arrays to
    // any numeric parameter, component after component. Floats become integers by truncation
    // (clamped, NaN as 0), anything non-zero becomes true.
    bool setInt(uint32_t index, int32_t value);
    bool setIntArray(uint32_t index, const int32_t* values, uint32_t count);
    bool setFloat(uint32_t index, float value);
    bool setFloatArray(uint32_t index, const float* values, uint32_t count);
    bool setVector4(uint32_t index, const float* xyzw);
    bool setVector4Array(uint32_t index, const float* xyzw, uint32_t count);
    bool setMatrix(uint32_t index, const float* m16);
    bool setMatrixArray(uint32_t index, const float* m16, uint32_t count);
    bool setTexture(uint32_t index, std::shared_ptr<zqp::gpu::Texture> texture);

    // Getters read what the setters write; getVector4 fills components the parameter lacks
    // with 0.
    bool getInt(uint32_t index, int32_t& out) const;
    bool getIntArray(uint32_t index, int32_t* out, uint32_t count) const;
    bool getFloat(uint32_t index, float& out) const;
    bool getFloatArray(uint32_t index, float* out, uint32_t count) const;
    bool getVector4(uint32_t index, float* xyzw) const;
    bool getVector4Array(uint32_t index, float* xyzw, uint32_t count) const;
    bool getMatrix(uint32_t index, float* m16) const;
    bool getMatrixArray(uint32_t index, float* m16, uint32_t count) const;
    bool getTexture(uint32_t index, std::shared_ptr<zqp::gpu::Texture>& out) const;

    // Parameter blocks: changes made between begin and end are applied as usual and also
    // recorded (the last value of each parameter); apply sets them again. Beginning drops the
    // recorded block. applyBlock is false when there is none.
    void beginBlock();
    void endBlock();
    bool applyBlock();
    bool hasBlock() const { return m_haveBlock; }
    void dropBlock();

    // Forgets every texture (own and shared): device resources must go before a reset.
    void dropTextures();

    // The stamp clock: every change takes the next value.
    static uint64_t now() { return m_clock; }

private:
    struct Recorded {
        std::vector<uint32_t> words;
        std::shared_ptr<zqp::gpu::Texture> texture;
    };

    ZqGlEffectValue* numeric(uint32_t index, bool allowMatrix, bool allowVector) const;
    void changed(uint32_t index);

    std::vector<std::shared_ptr<ZqGlEffectValue>> m_values;
    std::map<uint32_t, Recorded> m_block;
    bool m_recording = false;
    bool m_haveBlock = false;

    static inline uint64_t m_clock = 0;
};
