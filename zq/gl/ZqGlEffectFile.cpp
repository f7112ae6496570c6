#include "zq/gl/ZqGlEffectFile.h"

#include "zq/file/ZqByteReader.h"

#include <cstring>
#include <unordered_set>

namespace {

using namespace zqfx;

struct SectionRef {
    uint32_t offset = 0;
    uint32_t count = 0;
};

class Parser {
public:
    Parser(const ZqByteReader& r, ZqGlEffectFile& out) : m_r(r), m_out(out) {}

    bool run() {
        return header() && params() && samplers() && shaders() && techniques() && uniqueNames();
    }

private:
    uint64_t record(const Section s, const uint32_t i) const {
        return static_cast<uint64_t>(m_sections[s].offset) +
               static_cast<uint64_t>(i) * RECORD_SIZE[s];
    }

    bool header() {
        const uint8_t* const magic = m_r.bytes(0, sizeof MAGIC);
        if (m_r.size() < HEADER_SIZE || magic == nullptr ||
            std::memcmp(magic, MAGIC, sizeof MAGIC) != 0) {
            return false;
        }
        uint32_t version = 0;
        uint32_t fileSize = 0;
        uint32_t sectionCount = 0;
        if (!m_r.u32(4, version) || !m_r.u32(8, fileSize) || !m_r.u32(12, sectionCount)) {
            return false;
        }
        // A container larger than its stated size is refused too: the size guards against
        // files cut or glued by a copy.
        if (version != VERSION || fileSize != m_r.size() || sectionCount != SECTION_COUNT) {
            return false;
        }
        for (uint32_t s = 0; s < SECTION_COUNT; ++s) {
            SectionRef& ref = m_sections[s];
            if (!m_r.u32(16 + s * 8, ref.offset) || !m_r.u32(20 + s * 8, ref.count)) {
                return false;
            }
            const uint64_t end = static_cast<uint64_t>(ref.offset) +
                                 static_cast<uint64_t>(ref.count) * RECORD_SIZE[s];
            if (ref.count != 0 && (ref.offset < HEADER_SIZE || ref.offset % 4 != 0)) {
                return false;
            }
            if (end > fileSize) {
                return false;
            }
        }
        return m_sections[SECTION_PARAMS].count <= MAX_PARAMS &&
               m_sections[SECTION_SAMPLERS].count <= MAX_SAMPLERS &&
               m_sections[SECTION_SHADERS].count <= MAX_SHADERS &&
               m_sections[SECTION_TECHNIQUES].count <= MAX_TECHNIQUES &&
               m_sections[SECTION_PASSES].count <= MAX_PASSES;
    }

    // A (offset, length) string pair at `at`; names are identifiers, code is text without NUL.
    bool string(const uint64_t at, std::string& out, const bool isName) const {
        uint32_t offset = 0;
        uint32_t length = 0;
        if (!m_r.u32(at, offset) || !m_r.u32(at + 4, length)) {
            return false;
        }
        const SectionRef& strings = m_sections[SECTION_STRINGS];
        if (static_cast<uint64_t>(offset) + length > strings.count || length == 0) {
            return false;
        }
        if (length > (isName ? MAX_NAME_LENGTH : MAX_CODE_LENGTH)) {
            return false;
        }
        const uint8_t* const text =
            m_r.bytes(static_cast<uint64_t>(strings.offset) + offset, length);
        if (text == nullptr) {
            return false;
        }
        const char* const p = reinterpret_cast<const char*>(text);
        for (uint32_t i = 0; i < length; ++i) {
            const unsigned char c = static_cast<unsigned char>(p[i]);
            if (isName) {
                const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
                const bool digit = c >= '0' && c <= '9';
                if (!letter && !(digit && i != 0)) {
                    return false;
                }
            } else if (c == 0) {
                return false;
            }
        }
        out.assign(p, length);
        return true;
    }

    bool params() {
        const uint32_t count = m_sections[SECTION_PARAMS].count;
        m_out.m_params.resize(count);
        uint32_t totalWords = 0;
        for (uint32_t i = 0; i < count; ++i) {
            const uint64_t at = record(SECTION_PARAMS, i);
            ZqGlEffectFile::Param& p = m_out.m_params[i];
            uint8_t type = 0;
            uint8_t flags = 0;
            uint16_t reserved = 0;
            uint32_t firstValue = 0;
            uint32_t valueCount = 0;
            if (!string(at, p.name, true) || !m_r.u8(at + 8, type) || !m_r.u8(at + 9, flags) ||
                !m_r.u16(at + 10, reserved) || !m_r.u32(at + 12, p.elements) ||
                !m_r.u32(at + 16, firstValue) || !m_r.u32(at + 20, valueCount)) {
                return false;
            }
            if (type >= TYPE_COUNT || (flags & ~PARAM_SHARED) != 0 || reserved != 0 ||
                p.elements > MAX_ELEMENTS) {
                return false;
            }
            p.type = static_cast<ParamType>(type);
            p.shared = (flags & PARAM_SHARED) != 0;
            const uint32_t words = componentsOf(p.type) * (p.elements == 0 ? 1 : p.elements);
            totalWords += words;
            if ((valueCount != 0 && valueCount != words) || totalWords > MAX_VALUE_WORDS) {
                return false;
            }
            const SectionRef& values = m_sections[SECTION_VALUES];
            if (static_cast<uint64_t>(firstValue) + valueCount > values.count) {
                return false;
            }
            p.value.assign(words, 0);
            for (uint32_t w = 0; w < valueCount; ++w) {
                if (!m_r.u32(values.offset + (static_cast<uint64_t>(firstValue) + w) * 4,
                             p.value[w])) {
                    return false;
                }
            }
            if (p.type == TYPE_BOOL) {
                for (const uint32_t v : p.value) {
                    if (v > 1) {
                        return false;
                    }
                }
            }
        }
        return true;
    }

    bool samplers() {
        const uint32_t count = m_sections[SECTION_SAMPLERS].count;
        m_out.m_samplers.resize(count);
        for (uint32_t i = 0; i < count; ++i) {
            const uint64_t at = record(SECTION_SAMPLERS, i);
            ZqGlEffectFile::Sampler& s = m_out.m_samplers[i];
            uint8_t kind = 0;
            uint8_t reserved = 0;
            if (!string(at, s.name, true) || !m_r.u8(at + 8, kind) || !m_r.u8(at + 9, reserved) ||
                !m_r.u16(at + 10, s.texture) || !m_r.u32(at + 12, s.stateMask)) {
                return false;
            }
            if (kind >= SAMPLER_KIND_COUNT || reserved != 0 || s.texture >= m_out.m_params.size() ||
                m_out.m_params[s.texture].type != TYPE_TEXTURE) {
                return false;
            }
            s.kind = static_cast<SamplerKind>(kind);
            for (uint32_t slot = 0; slot < SAMPLER_STATE_SLOTS; ++slot) {
                if (!m_r.u32(at + 16 + slot * 4, s.states[slot])) {
                    return false;
                }
                const bool set = (s.stateMask >> slot & 1u) != 0;
                const StateInfo* const info = findState(SAMPLER_STATES, slot);
                if (set && (info == nullptr || !isValueInRange(info->kind, s.states[slot]))) {
                    return false;
                }
                if (!set && s.states[slot] != 0) {
                    return false;
                }
            }
            if ((s.stateMask >> SAMPLER_STATE_SLOTS) != 0) {
                return false;
            }
        }
        return true;
    }

    bool shaders() {
        const uint32_t count = m_sections[SECTION_SHADERS].count;
        m_out.m_shaders.resize(count);
        for (uint32_t i = 0; i < count; ++i) {
            const uint64_t at = record(SECTION_SHADERS, i);
            ZqGlEffectFile::Shader& sh = m_out.m_shaders[i];
            uint8_t stage = 0;
            uint8_t reserved8 = 0;
            uint16_t reserved16 = 0;
            uint32_t firstConstant = 0;
            uint32_t constantCount = 0;
            uint32_t firstSampler = 0;
            uint32_t samplerCount = 0;
            if (!m_r.u8(at, stage) || !m_r.u8(at + 1, reserved8) || !m_r.u16(at + 2, reserved16) ||
                !string(at + 4, sh.code, false) || !m_r.u32(at + 12, firstConstant) ||
                !m_r.u32(at + 16, constantCount) || !m_r.u32(at + 20, firstSampler) ||
                !m_r.u32(at + 24, samplerCount)) {
                return false;
            }
            if (stage >= STAGE_COUNT || reserved8 != 0 || reserved16 != 0) {
                return false;
            }
            sh.stage = static_cast<Stage>(stage);
            if (!constants(sh, firstConstant, constantCount) ||
                !samplerBindings(sh, firstSampler, samplerCount)) {
                return false;
            }
        }
        return true;
    }

    bool constants(ZqGlEffectFile::Shader& sh, const uint32_t first, const uint32_t count) {
        if (static_cast<uint64_t>(first) + count > m_sections[SECTION_CONSTANTS].count) {
            return false;
        }
        const uint32_t limit = sh.stage == STAGE_VERTEX ? VERTEX_REGISTERS : PIXEL_REGISTERS;
        // One bit per register: bindings of one shader may not overlap.
        uint64_t used[VERTEX_REGISTERS / 64] = {};
        std::vector<bool> paramSeen(m_out.m_params.size(), false);
        sh.constants.resize(count);
        for (uint32_t i = 0; i < count; ++i) {
            const uint64_t at = record(SECTION_CONSTANTS, first + i);
            ZqGlEffectFile::Constant& c = sh.constants[i];
            uint16_t reserved = 0;
            if (!m_r.u16(at, c.param) || !m_r.u16(at + 2, c.firstRegister) ||
                !m_r.u16(at + 4, c.registerCount) || !m_r.u16(at + 6, reserved) || reserved != 0) {
                return false;
            }
            if (c.param >= m_out.m_params.size() || paramSeen[c.param]) {
                return false;
            }
            paramSeen[c.param] = true;
            const ZqGlEffectFile::Param& p = m_out.m_params[c.param];
            const uint32_t registers = registersOf(p.type) * (p.elements == 0 ? 1 : p.elements);
            if (registers == 0 || c.registerCount != registers ||
                static_cast<uint32_t>(c.firstRegister) + c.registerCount > limit) {
                return false;
            }
            for (uint32_t r = c.firstRegister; r < c.firstRegister + c.registerCount; ++r) {
                const uint64_t bit = uint64_t{1} << (r % 64);
                if ((used[r / 64] & bit) != 0) {
                    return false;
                }
                used[r / 64] |= bit;
            }
        }
        return true;
    }

    bool samplerBindings(ZqGlEffectFile::Shader& sh, const uint32_t first, const uint32_t count) {
        if (static_cast<uint64_t>(first) + count > m_sections[SECTION_SAMPLER_BINDINGS].count ||
            count > SAMPLER_STAGES) {
            return false;
        }
        uint32_t stagesUsed = 0;
        sh.samplers.resize(count);
        for (uint32_t i = 0; i < count; ++i) {
            const uint64_t at = record(SECTION_SAMPLER_BINDINGS, first + i);
            ZqGlEffectFile::SamplerBinding& b = sh.samplers[i];
            if (!m_r.u16(at, b.sampler) || !m_r.u16(at + 2, b.stage)) {
                return false;
            }
            if (b.sampler >= m_out.m_samplers.size() || b.stage >= SAMPLER_STAGES ||
                (stagesUsed >> b.stage & 1u) != 0) {
                return false;
            }
            stagesUsed |= 1u << b.stage;
        }
        return true;
    }

    bool shaderIndex(const uint32_t index, const Stage stage) const {
        return index == NO_SHADER ||
               (index < m_out.m_shaders.size() && m_out.m_shaders[index].stage == stage);
    }

    bool techniques() {
        const uint32_t count = m_sections[SECTION_TECHNIQUES].count;
        const uint32_t passCount = m_sections[SECTION_PASSES].count;
        m_out.m_techniques.resize(count);
        for (uint32_t i = 0; i < count; ++i) {
            const uint64_t at = record(SECTION_TECHNIQUES, i);
            ZqGlEffectFile::Technique& t = m_out.m_techniques[i];
            uint32_t firstPass = 0;
            uint32_t passes = 0;
            if (!string(at, t.name, true) || !m_r.u32(at + 8, firstPass) ||
                !m_r.u32(at + 12, passes)) {
                return false;
            }
            if (passes == 0 || static_cast<uint64_t>(firstPass) + passes > passCount) {
                return false;
            }
            t.passes.resize(passes);
            for (uint32_t p = 0; p < passes; ++p) {
                if (!pass(firstPass + p, t.passes[p])) {
                    return false;
                }
            }
        }
        return true;
    }

    bool pass(const uint32_t index, ZqGlEffectFile::Pass& p) {
        const uint64_t at = record(SECTION_PASSES, index);
        uint32_t firstState = 0;
        uint32_t stateCount = 0;
        if (!string(at, p.name, true) || !m_r.u32(at + 8, p.vertexShader) ||
            !m_r.u32(at + 12, p.pixelShader) || !m_r.u32(at + 16, firstState) ||
            !m_r.u32(at + 20, stateCount)) {
            return false;
        }
        if (!shaderIndex(p.vertexShader, STAGE_VERTEX) ||
            !shaderIndex(p.pixelShader, STAGE_PIXEL)) {
            return false;
        }
        if (stateCount > MAX_STATES_PER_PASS ||
            static_cast<uint64_t>(firstState) + stateCount > m_sections[SECTION_STATES].count) {
            return false;
        }
        // The vertex and pixel shader of one pass share the sampler stages.
        if (p.vertexShader != NO_SHADER && p.pixelShader != NO_SHADER) {
            for (const auto& v : m_out.m_shaders[p.vertexShader].samplers) {
                for (const auto& f : m_out.m_shaders[p.pixelShader].samplers) {
                    if (v.stage == f.stage && v.sampler != f.sampler) {
                        return false;
                    }
                }
            }
        }
        p.states.resize(stateCount);
        for (uint32_t s = 0; s < stateCount; ++s) {
            const uint64_t sat = record(SECTION_STATES, firstState + s);
            ZqGlEffectFile::State& st = p.states[s];
            if (!m_r.u32(sat, st.id) || !m_r.u32(sat + 4, st.value)) {
                return false;
            }
            const StateInfo* const info = findState(RENDER_STATES, st.id);
            if (info == nullptr || !isValueInRange(info->kind, st.value)) {
                return false;
            }
        }
        return true;
    }

    // Parameters and samplers share one name space, techniques have their own.
    bool uniqueNames() const {
        std::unordered_set<std::string> names;
        for (const auto& p : m_out.m_params) {
            if (!names.insert(p.name).second) {
                return false;
            }
        }
        for (const auto& s : m_out.m_samplers) {
            if (!names.insert(s.name).second) {
                return false;
            }
        }
        names.clear();
        for (const auto& t : m_out.m_techniques) {
            if (!names.insert(t.name).second) {
                return false;
            }
        }
        return true;
    }

    const ZqByteReader& m_r;
    ZqGlEffectFile& m_out;
    SectionRef m_sections[SECTION_COUNT];
};

template <class T> int findByName(const std::vector<T>& table, const char* const name) {
    if (name == nullptr) {
        return -1;
    }
    for (size_t i = 0; i < table.size(); ++i) {
        if (table[i].name == name) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

} // namespace

bool ZqGlEffectFile::hasMagic(const void* const data, const size_t size) {
    return data != nullptr && size >= 4 && std::memcmp(data, zqfx::MAGIC, 4) == 0;
}

bool ZqGlEffectFile::read(const void* const data, const size_t size) {
    clear();
    if (!hasMagic(data, size)) {
        return false;
    }
    const ZqByteReader reader(data, size);
    Parser parser(reader, *this);
    if (!parser.run()) {
        clear();
        return false;
    }
    return true;
}

void ZqGlEffectFile::clear() {
    m_params.clear();
    m_samplers.clear();
    m_shaders.clear();
    m_techniques.clear();
}

int ZqGlEffectFile::findParam(const char* const name) const {
    return findByName(m_params, name);
}

int ZqGlEffectFile::findSampler(const char* const name) const {
    return findByName(m_samplers, name);
}

int ZqGlEffectFile::findTechnique(const char* const name) const {
    return findByName(m_techniques, name);
}
