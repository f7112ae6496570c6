#include "zq/gl/ZqGlModelFile.h"

#include "zq/file/ZqByteReader.h"
#include "zq/gl/ZqGlModelFormat.h"
#include "zq/gl/ZqGlPrimitiveFormat_internal.h"
#include "zq/system/ZqUtf_internal.h"

#include <cmath>
#include <cstring>

namespace {

using zqmdl::HEADER_SIZE;

// A table of n records of s bytes at o: after the header and ending strictly before the end
// of the file, in 64-bit arithmetic so that a large count cannot wrap into range.
bool placed(const int64_t o, const uint64_t n, const uint64_t s, const uint64_t size) {
    const uint64_t bytes = n * s;
    return o >= static_cast<int64_t>(HEADER_SIZE) && bytes < size &&
           static_cast<uint64_t>(o) < size - bytes;
}

bool bounded(const float v) {
    return std::isfinite(v) && std::fabs(v) <= zqmdl::MAX_COORDINATE;
}

bool inUnit(const float v) {
    return v >= 0.0f && v <= 1.0f;
}

ZqVector3 readVector3(const ZqByteReader& in, const uint64_t at) {
    float v[3] = {};
    for (int i = 0; i < 3; ++i) {
        in.f32(at + 4ull * i, v[i]);
    }
    return ZqVector3(v[0], v[1], v[2]);
}

ZqVector4 readVector4(const ZqByteReader& in, const uint64_t at) {
    float v[4] = {};
    for (int i = 0; i < 4; ++i) {
        in.f32(at + 4ull * i, v[i]);
    }
    return ZqVector4(v[0], v[1], v[2], v[3]);
}

ZqMatrix readMatrix(const ZqByteReader& in, const uint64_t at, bool& ok) {
    float m[16] = {};
    ok = true;
    for (int i = 0; i < 16; ++i) {
        in.f32(at + 4ull * i, m[i]);
        ok = ok && bounded(m[i]);
    }
    return ZqMatrix(m);
}

// The box of two corners in either order; false when its centre or half-sizes are out of range.
bool makeBox(const ZqVector3& a, const ZqVector3& b, ZqGlModelFile::Box& out) {
    out.centre = ZqVector3((a.x + b.x) * 0.5f, (a.y + b.y) * 0.5f, (a.z + b.z) * 0.5f);
    out.half = ZqVector3(std::fabs(b.x - a.x) * 0.5f, std::fabs(b.y - a.y) * 0.5f,
                         std::fabs(b.z - a.z) * 0.5f);
    return bounded(out.centre.x) && bounded(out.centre.y) && bounded(out.centre.z) &&
           bounded(out.half.x) && bounded(out.half.y) && bounded(out.half.z);
}

float squaredDistance(const float* const p, const ZqVector3& c) {
    const float dx = p[0] - c.x;
    const float dy = p[1] - c.y;
    const float dz = p[2] - c.z;
    return dx * dx + dy * dy + dz * dz;
}

struct ElementRow {
    uint8_t code;
    uint8_t minType;
    uint8_t maxType;
    uint32_t base; // the mask bit of type 0
    bool scaled;   // bits = base x (type + 1)
};

const ElementRow* findElement(const uint8_t code) {
    static const ElementRow rows[] = {
        {zqmdl::ELEMENT_POSITION, 2, 2, 0x1, false},
        {zqmdl::ELEMENT_BLEND_INDICES, 11, 11, 0x2, false},
        {zqmdl::ELEMENT_BLEND_WEIGHTS, 0, 2, 0x4, true},
        {zqmdl::ELEMENT_NORMAL, 2, 2, 0x10, false},
        {zqmdl::ELEMENT_PSIZE, 0, 0, 0x20, false},
        {zqmdl::ELEMENT_BINORMAL, 2, 2, 0x40, false},
        {zqmdl::ELEMENT_TANGENT, 2, 2, 0x80, false},
        {zqmdl::ELEMENT_TEXCOORD0, 0, 3, 0x100, true},
        {zqmdl::ELEMENT_TEXCOORD1, 0, 3, 0x800, true},
        {zqmdl::ELEMENT_TEXCOORD2, 0, 3, 0x4000, true},
        {zqmdl::ELEMENT_TEXCOORD3, 0, 3, 0x20000, true},
        {zqmdl::ELEMENT_COLOR, 18, 18, 0x100000, false},
        {zqmdl::ELEMENT_COLOR_B, 18, 18, 0x100000, false},
    };
    for (const ElementRow& r : rows) {
        if (r.code == code) {
            return &r;
        }
    }
    return nullptr;
}

// Blend code fields to device blend values; 0 for a code that has none.
uint8_t blendValue(const uint32_t code, const bool source) {
    if (code == 0) {
        return source ? 3 : 9;
    }
    if (code <= 11) {
        return static_cast<uint8_t>(code);
    }
    if (code == 12) {
        return source ? 13 : 0;
    }
    return static_cast<uint8_t>(code + 1);
}

uint32_t readMaterial(const ZqByteReader& in, const uint64_t at, ZqGlModelFile::Material& m) {
    in.u64(at, m.nameId);
    uint32_t shader = 0;
    uint32_t kind = 0;
    in.u32(at + zqmdl::MAT_SHADER, shader);
    in.u32(at + zqmdl::MAT_KIND, kind);
    if ((shader & 0xFF) > 16) {
        return 0x20003032;
    }
    if ((shader & 0xFFFFFF00u) > 0xFF00) {
        return 0x20003033;
    }
    if (kind < 5 || kind > 8) {
        return 0x20003034;
    }
    m.shader = static_cast<uint8_t>(shader & 0xFF);
    m.technique = static_cast<uint8_t>((shader >> 8) & 0xFF);

    m.diffuse = readVector4(in, at + zqmdl::MAT_DIFFUSE);
    m.ambient = readVector4(in, at + zqmdl::MAT_AMBIENT);
    m.specular = readVector4(in, at + zqmdl::MAT_SPECULAR);
    m.diffuse.w = 1.0f;
    m.ambient.w = 1.0f;
    m.specular.w = 0.0f;
    in.f32(at + zqmdl::MAT_SHININESS, m.shininess);
    const ZqVector4* const colours[3] = {&m.diffuse, &m.ambient, &m.specular};
    bool coloursOk = std::isfinite(m.shininess) && m.shininess >= 0.0f && m.shininess <= 512.0f;
    for (const ZqVector4* const c : colours) {
        coloursOk = coloursOk && inUnit(c->x) && inUnit(c->y) && inUnit(c->z);
    }
    if (!coloursOk) {
        return 0x20003035;
    }

    float cull = 0.0f;
    in.f32(at + zqmdl::MAT_CULL, cull);
    if (!std::isfinite(cull) || cull < 0.0f || cull > 3.0f || cull != std::floor(cull)) {
        return 0x20003036;
    }
    static const uint8_t cullModes[4] = {2, 1, 2, 3};
    m.cullMode = cullModes[static_cast<int>(cull)];

    float alpha = 0.0f;
    in.f32(at + zqmdl::MAT_ALPHA_TEST, alpha);
    if (!std::isfinite(alpha) || alpha < 0.0f || alpha > 99.0f ||
        ZqGlModelFile::unitsPart(alpha) > 1.0f) {
        return 0x20003037;
    }
    const int alphaTens = ZqGlModelFile::tensDigit(alpha);
    if (alphaTens == 0) {
        m.alphaFunc = 8;
        m.alphaRef = 0;
    } else if (alphaTens == 1) {
        m.alphaFunc = ZqGlModelFile::Material::OFF;
        m.alphaRef = 0;
    } else {
        m.alphaFunc = static_cast<int8_t>(alphaTens - 1);
        m.alphaRef = static_cast<uint8_t>(ZqGlModelFile::unitsPart(alpha) * 255.0f);
    }

    float depth = 0.0f;
    in.f32(at + zqmdl::MAT_DEPTH, depth);
    if (!std::isfinite(depth) || depth < 0.0f || depth > 99.0f ||
        ZqGlModelFile::tensDigit(depth) == 1 || !(ZqGlModelFile::unitsPart(depth) < 1.0f)) {
        return 0x20003038;
    }
    const int depthTens = ZqGlModelFile::tensDigit(depth);
    if (depthTens == 0) {
        m.depthFunc = 4;
        m.depthWrite = 1;
    } else {
        m.depthFunc = static_cast<uint8_t>(depthTens - 1);
        m.depthWrite = ZqGlModelFile::unitsPart(depth) != 0.0f ? 1 : 0;
    }

    float blend = 0.0f;
    in.f32(at + zqmdl::MAT_BLEND, blend);
    const ZqVector4 factor = readVector4(in, at + zqmdl::MAT_BLEND_FACTOR);
    if (!std::isfinite(blend) || blend < 0.0f || blend > 69999.0f) {
        return 0x20003039;
    }
    const uint32_t n = static_cast<uint32_t>(blend);
    const uint32_t op = n / 10000;
    const uint32_t src = n / 100 % 100;
    const uint32_t dst = n % 100;
    if (op >= 7 || src >= 15 || dst >= 15 || dst == 12 || !inUnit(factor.x) || !inUnit(factor.y) ||
        !inUnit(factor.z) || !inUnit(factor.w)) {
        return 0x20003039;
    }
    m.blendOp = op <= 1 ? ZqGlModelFile::Material::OFF : static_cast<int8_t>(op - 1);
    m.srcBlend = blendValue(src, true);
    m.dstBlend = blendValue(dst, false);
    m.useBlendFactor = m.srcBlend >= 14 || m.dstBlend >= 14;
    m.blendFactor = 0;
    if (m.useBlendFactor) {
        const auto channel = [](const float c) { return static_cast<uint32_t>(c * 255.0f); };
        m.blendFactor = channel(factor.w) << 24 | channel(factor.x) << 16 | channel(factor.y) << 8 |
                        channel(factor.z);
    }
    return 0;
}

// Chooses the four palette positions with the largest weight sums; sums is consumed.
void chooseMainBones(float (&sums)[zqmdl::MAX_PALETTE], ZqGlModelFile::Submodel& s) {
    float weights[4] = {1.0f, 0.0f, 0.0f, 0.0f};
    uint8_t bones[4] = {};
    for (int r = 0; r < 4; ++r) {
        for (uint32_t e = 0; e < zqmdl::MAX_PALETTE; ++e) {
            if (sums[e] > weights[r]) {
                weights[r] = sums[e];
                bones[r] = static_cast<uint8_t>(e);
            }
        }
        sums[bones[r]] = 0.0f;
    }
    const float total = weights[0] + weights[1] + weights[2] + weights[3];
    for (int r = 0; r < 4; ++r) {
        s.mainBones[r] = bones[r];
        s.mainBoneWeights[r] = weights[r] / total;
    }
}

} // namespace

int ZqGlModelFile::tensDigit(const float v) {
    return static_cast<int>(std::floor(v)) / 10;
}

float ZqGlModelFile::unitsPart(const float v) {
    return v - 10.0f * std::floor(v * 0.1f);
}

uint32_t ZqGlModelFile::elementsToMask(const uint8_t* const elements, const uint32_t count) {
    uint32_t mask = 0;
    uint32_t previousBase = 0;
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t type = elements[4 * i + 2];
        const uint8_t code = elements[4 * i + 3];
        const ElementRow* const row = code < 36 ? findElement(code) : nullptr;
        if (row == nullptr || type < row->minType || type > row->maxType ||
            row->base < previousBase) {
            return 0;
        }
        previousBase = row->base;
        mask |= row->scaled ? row->base * (type + 1u) : row->base;
    }
    return (mask & 0x100700u) != 0 ? mask : 0;
}

uint32_t ZqGlModelFile::read(const void* const data, const uint64_t size) {
    if (data == nullptr || size < HEADER_SIZE) {
        return ERROR_SIZE;
    }
    const ZqByteReader in(data, size);
    const uint8_t* const bytes = static_cast<const uint8_t*>(data);
    const auto u32 = [&in](const uint64_t at) {
        uint32_t v = 0;
        in.u32(at, v);
        return v;
    };
    const auto i32 = [&in](const uint64_t at) {
        int32_t v = 0;
        in.i32(at, v);
        return static_cast<int64_t>(v);
    };
    const auto u8 = [&in](const uint64_t at) {
        uint8_t v = 0;
        in.u8(at, v);
        return v;
    };

    const uint32_t nrSubmodels = u32(zqmdl::HEADER_NR_SUBMODELS);
    const uint32_t nrMaterials = u32(zqmdl::HEADER_NR_MATERIALS);
    const uint32_t nrBones = u32(zqmdl::HEADER_NR_BONES);
    const uint32_t nrTextures = u32(zqmdl::HEADER_NR_TEXTURES);
    if (nrSubmodels > zqmdl::MAX_SUBMODELS) {
        return 0x20003005;
    }
    if (nrMaterials > zqmdl::MAX_MATERIALS) {
        return 0x20003006;
    }
    if (nrBones > zqmdl::MAX_BONES) {
        return 0x20003007;
    }
    if (nrTextures > zqmdl::MAX_TEXTURES) {
        return 0x20003008;
    }
    uint16_t one = 0;
    in.u16(zqmdl::HEADER_ONE, one);
    if (std::memcmp(bytes, zqmdl::MAGIC, sizeof zqmdl::MAGIC) != 0 ||
        u32(zqmdl::HEADER_VERSION) != zqmdl::VERSION || one != 1) {
        return 0x20003009;
    }

    // Names: the section, its offset table (every entry inside the file) and each name.
    const int64_t section = u32(zqmdl::HEADER_NAMES);
    if (!placed(section, 1, zqmdl::NAMES_HEADER, size)) {
        return 0x2000300A;
    }
    const uint32_t nrNames = u32(zqmdl::HEADER_NR_NAMES) & 0xFF;
    const int64_t nameTable = section + i32(section + zqmdl::NAMES_TABLE);
    if (!placed(nameTable, 1, 4, size) || !in.fits(static_cast<uint64_t>(nameTable), nrNames, 4)) {
        return 0x2000300B;
    }
    std::vector<uint64_t> namePositions(nrNames);
    std::vector<uint64_t> nameLengths(nrNames);
    for (uint32_t i = 0; i < nrNames; ++i) {
        const int64_t at = nameTable + i32(static_cast<uint64_t>(nameTable) + 4ull * i);
        if (at < static_cast<int64_t>(HEADER_SIZE) || static_cast<uint64_t>(at) >= size - 1) {
            return 0x2000300C;
        }
        const uint64_t left = size - static_cast<uint64_t>(at);
        const uint64_t window = left < zqmdl::MAX_NAME_BYTES ? left : zqmdl::MAX_NAME_BYTES;
        const void* const zero = std::memchr(bytes + at, 0, window);
        if (zero == nullptr) {
            return 0x2000300D;
        }
        namePositions[i] = static_cast<uint64_t>(at);
        nameLengths[i] = static_cast<uint64_t>(static_cast<const uint8_t*>(zero) - (bytes + at));
    }

    const int64_t subTable = u32(zqmdl::HEADER_SUBMODELS);
    const int64_t boneTable = u32(zqmdl::HEADER_BONES);
    const int64_t boneNumberTable = u32(zqmdl::HEADER_BONE_NUMBERS);
    if (!placed(subTable, nrSubmodels, zqmdl::SUB_SIZE, size)) {
        return 0x2000300E;
    }
    if (!placed(boneTable, nrBones, zqmdl::BONE_SIZE, size)) {
        return 0x2000300F;
    }
    if (!placed(boneNumberTable, nrBones, 2, size)) {
        return 0x20003010;
    }
    const uint64_t nrBoneEntries =
        static_cast<uint64_t>(nrBones) * u32(zqmdl::HEADER_BONE_MULTIPLIER);
    submodels.assign(nrSubmodels, Submodel{});
    uint64_t usedEntries = 0;
    for (uint32_t s = 0; s < nrSubmodels; ++s) {
        const uint64_t record = static_cast<uint64_t>(subTable) + uint64_t{zqmdl::SUB_SIZE} * s;
        const int64_t first = static_cast<int64_t>(record) + i32(record + zqmdl::SUB_PALETTE);
        const uint64_t length = u32(record + zqmdl::SUB_PALETTE_LENGTH);
        const int64_t start = first - boneNumberTable;
        // The run starts on an entry of the array and ends within its B x M entries.
        if (start < 0 || start % 2 != 0 ||
            static_cast<uint64_t>(start / 2) + length > nrBoneEntries) {
            return 0x20003011;
        }
        if (length > zqmdl::MAX_PALETTE) {
            return 0x20003012;
        }
        const uint64_t end = static_cast<uint64_t>(start / 2) + length;
        usedEntries = end > usedEntries ? end : usedEntries;
        if (usedEntries > zqmdl::MAX_BONE_NUMBERS) {
            return 0x20003013;
        }
        submodels[s].paletteStart = static_cast<uint16_t>(start / 2);
        submodels[s].paletteLength = static_cast<uint8_t>(length);
    }

    bones.assign(nrBones, Bone{});
    for (uint32_t b = 0; b < nrBones; ++b) {
        const uint64_t record = static_cast<uint64_t>(boneTable) + uint64_t{zqmdl::BONE_SIZE} * b;
        Bone& bone = bones[b];
        const int64_t parent = i32(record + zqmdl::BONE_PARENT);
        if (parent < -1 || parent > 126) {
            return 0x20003014;
        }
        bone.parent = static_cast<int8_t>(parent);
        in.u64(record, bone.nameId);
        bool ok = false;
        bone.bind = readMatrix(in, record + zqmdl::BONE_BIND, ok);
        if (!ok) {
            return 0x20003015;
        }
        bone.inverse = readMatrix(in, record + zqmdl::BONE_INVERSE, ok);
        if (!ok) {
            return 0x20003016;
        }
        if (!makeBox(readVector3(in, record + zqmdl::BONE_BOX_A),
                     readVector3(in, record + zqmdl::BONE_BOX_B), bone.box)) {
            return 0x20003017;
        }
    }

    // The used entries must lie inside the file, not only the first B of them.
    if (!in.fits(static_cast<uint64_t>(boneNumberTable), usedEntries, 2)) {
        return 0x20003010;
    }
    boneNumbers.assign(usedEntries, 0);
    for (uint64_t e = 0; e < usedEntries; ++e) {
        uint16_t v = 0;
        in.u16(static_cast<uint64_t>(boneNumberTable) + 2 * e, v);
        if (v >= nrBones) {
            return 0x20003018;
        }
        boneNumbers[e] = static_cast<uint8_t>(v);
    }

    const int64_t textureTable = u32(zqmdl::HEADER_TEXTURES);
    // Texture record i carries the sampler settings of name i, so there are at least N.
    if (!placed(textureTable, nrTextures, zqmdl::TEX_SIZE, size) || nrNames > nrTextures) {
        return 0x20003019;
    }
    textures.assign(nrNames, Texture{});
    for (uint32_t i = 0; i < nrNames; ++i) {
        Texture& t = textures[i];
        zqUtf8Decode(reinterpret_cast<const char*>(bytes + namePositions[i]),
                     static_cast<size_t>(nameLengths[i]),
                     [&t](const char16_t c) { t.fileName.push_back(c); });
        const uint64_t record = static_cast<uint64_t>(textureTable) + uint64_t{zqmdl::TEX_SIZE} * i;
        const uint8_t u = u8(record + zqmdl::TEX_ADDRESS_U);
        const uint8_t v = u8(record + zqmdl::TEX_ADDRESS_V);
        const uint8_t mag = u8(record + zqmdl::TEX_MAG);
        const uint8_t min = u8(record + zqmdl::TEX_MIN);
        const uint8_t mip = u8(record + zqmdl::TEX_MIP);
        if (u > 2 || v > 2 || mag > 3 || min > 3 || mip > 3) {
            return 0x2000301B;
        }
        t.addressU = static_cast<uint8_t>(u + 1);
        t.addressV = static_cast<uint8_t>(v + 1);
        t.addressW = 1;
        t.magFilter = mag;
        t.minFilter = min;
        t.mipFilter = mip;
    }

    const uint32_t nrBoxes = u32(zqmdl::HEADER_NR_BOXES);
    const int64_t boxTable = u32(zqmdl::HEADER_BOXES);
    if (nrBoxes == 0 || !placed(boxTable, nrBoxes, zqmdl::BOX_SIZE, size)) {
        return 0x2000301D;
    }
    if (!makeBox(readVector3(in, static_cast<uint64_t>(boxTable) + zqmdl::BOX_A),
                 readVector3(in, static_cast<uint64_t>(boxTable) + zqmdl::BOX_B), box)) {
        return 0x2000301E;
    }
    sphere.centre = box.centre;
    sphere.radius = 0.0f;

    const uint32_t nrExtra = u32(zqmdl::HEADER_NR_EXTRA);
    if (nrExtra > nrSubmodels) {
        return 0x2000301F;
    }
    if (!placed(u32(zqmdl::HEADER_EXTRA), nrExtra, zqmdl::EXTRA_SIZE, size)) {
        return 0x20003021;
    }
    const uint32_t nrDescriptors = u32(zqmdl::HEADER_NR_DESCRIPTORS);
    if (nrDescriptors > 2 * nrSubmodels) {
        return 0x20003022;
    }
    const uint32_t nrElements = u32(zqmdl::HEADER_NR_ELEMENTS);

    float modelRadius2 = 0.0f;
    for (uint32_t index = 0; index < nrSubmodels; ++index) {
        Submodel& s = submodels[index];
        const uint64_t record = static_cast<uint64_t>(subTable) + uint64_t{zqmdl::SUB_SIZE} * index;
        const uint8_t code = u8(record + zqmdl::SUB_PRIMITIVE);
        if (code >= 6) {
            return 0x20003023;
        }
        s.primitiveCode = code;
        const uint32_t nrBuffers = u32(record + zqmdl::SUB_NR_VERTEX_BUFFERS);
        if (nrBuffers > 1 || nrBuffers != u32(record + zqmdl::SUB_NR_INDEX_BUFFERS)) {
            return 0x20003024;
        }
        s.nrPrimitives = static_cast<uint8_t>(nrBuffers);
        ZqVector3 low(zqmdl::MAX_COORDINATE, zqmdl::MAX_COORDINATE, zqmdl::MAX_COORDINATE);
        ZqVector3 high(-zqmdl::MAX_COORDINATE, -zqmdl::MAX_COORDINATE, -zqmdl::MAX_COORDINATE);
        if (nrBuffers == 1) {
            // Both descriptors lie in the descriptor area, whole.
            const int64_t vd =
                static_cast<int64_t>(record) + i32(record + zqmdl::SUB_VERTEX_BUFFER);
            if (!placed(vd, nrDescriptors, zqmdl::DESC_SIZE, size) ||
                !in.fits(static_cast<uint64_t>(vd), zqmdl::DESC_SIZE)) {
                return 0x20003025;
            }
            const uint64_t v = static_cast<uint64_t>(vd);
            if (u32(v + zqmdl::DESC_KIND) != zqmdl::KIND_VERTICES || u8(v + zqmdl::DESC_ONE) != 1) {
                return 0x20003026;
            }
            const int64_t id = static_cast<int64_t>(record) + i32(record + zqmdl::SUB_INDEX_BUFFER);
            if (!placed(id, nrDescriptors, zqmdl::DESC_SIZE, size) ||
                !in.fits(static_cast<uint64_t>(id), zqmdl::DESC_SIZE)) {
                return 0x20003027;
            }
            const uint64_t ix = static_cast<uint64_t>(id);
            if (u32(ix + zqmdl::DESC_KIND) != zqmdl::KIND_INDICES) {
                return 0x20003028;
            }
            const uint8_t count = u8(v + zqmdl::DESC_NR_ELEMENTS);
            const int64_t list = vd + i32(v + zqmdl::DESC_ELEMENTS);
            if (!placed(list, nrElements, zqmdl::ELEMENT_SIZE, size) ||
                !in.fits(static_cast<uint64_t>(list), count, zqmdl::ELEMENT_SIZE)) {
                return 0x20003029;
            }
            if (u8(v + zqmdl::DESC_ONE_B) != 1) {
                return 0x2000302A;
            }
            const uint32_t mask =
                count >= 1 && count <= 15 ? elementsToMask(bytes + list, count) : 0;
            if (mask == 0) {
                return 0x2000302B;
            }
            s.format = mask;
            s.stride = zq_primitive::vertexSize(mask);
            s.nrBlendWeights = static_cast<uint8_t>((mask >> 2) & 3);
            // The vertex and index data lie inside the file, with 16-bit counts.
            const int64_t vertices = vd + i32(v + zqmdl::DESC_DATA);
            s.nrVertices = u32(v + zqmdl::DESC_COUNT);
            if (vertices < 0 || s.nrVertices > 0xFFFF ||
                !in.fits(static_cast<uint64_t>(vertices), s.nrVertices, s.stride)) {
                return 0x20003025;
            }
            const int64_t indices = id + i32(ix + zqmdl::DESC_DATA);
            s.nrIndices = u32(ix + zqmdl::DESC_COUNT);
            if (indices < 0 || s.nrIndices > 0xFFFF ||
                !in.fits(static_cast<uint64_t>(indices), s.nrIndices, 2)) {
                return 0x20003027;
            }
            s.vertices = bytes + vertices;
            s.indices = bytes + indices;
            if ((mask & 1) != 0) {
                for (uint32_t k = 0; k < s.nrVertices; ++k) {
                    const ZqVector3 p =
                        readVector3(in, static_cast<uint64_t>(vertices) + uint64_t{s.stride} * k);
                    low = ZqVector3(std::fmin(low.x, p.x), std::fmin(low.y, p.y),
                                    std::fmin(low.z, p.z));
                    high = ZqVector3(std::fmax(high.x, p.x), std::fmax(high.y, p.y),
                                     std::fmax(high.z, p.z));
                }
            }
        }
        makeBox(low, high, s.box);
        s.sphere.centre = s.box.centre;
        float sums[zqmdl::MAX_PALETTE] = {};
        if (s.nrPrimitives == 1) {
            const uint32_t positionAt = zq_primitive::fieldOffset(s.format, zq_primitive::POSITION);
            const uint32_t indicesAt =
                zq_primitive::fieldOffset(s.format, zq_primitive::BLEND_INDICES);
            const uint32_t weightsAt =
                zq_primitive::fieldOffset(s.format, zq_primitive::BLEND_WEIGHT);
            float radius2 = 0.0f;
            for (uint32_t k = 0; k < s.nrVertices; ++k) {
                const uint8_t* const vertex = s.vertices + static_cast<size_t>(s.stride) * k;
                if ((s.format & 1) != 0) {
                    const float p[3] = {ZqByteReader::load<float>(vertex + positionAt),
                                        ZqByteReader::load<float>(vertex + positionAt + 4),
                                        ZqByteReader::load<float>(vertex + positionAt + 8)};
                    radius2 = std::fmax(radius2, squaredDistance(p, s.sphere.centre));
                    modelRadius2 = std::fmax(modelRadius2, squaredDistance(p, sphere.centre));
                }
                if ((s.format & 2) != 0) {
                    const uint8_t* const index = vertex + indicesAt;
                    float rest = 1.0f;
                    for (uint32_t j = 1; j < s.nrBlendWeights; ++j) {
                        const float w = ZqByteReader::load<float>(vertex + weightsAt + 4 * (j - 1));
                        rest -= w;
                        // Blend indices beyond the palette's 48 entries add to no bone.
                        if (index[j] < zqmdl::MAX_PALETTE) {
                            sums[index[j]] += w;
                        }
                    }
                    if (index[0] < zqmdl::MAX_PALETTE) {
                        sums[index[0]] += rest;
                    }
                }
            }
            s.sphere.radius = std::sqrt(radius2);
        }

        const uint32_t nrStages = u8(record + zqmdl::SUB_NR_STAGES);
        if (nrStages > zqmdl::MAX_STAGES) {
            return 0x2000302D;
        }
        s.nrStages = static_cast<uint8_t>(nrStages);
        for (uint32_t k = 0; k < nrStages; ++k) {
            uint16_t textureRecord = 0;
            in.u16(record + zqmdl::SUB_STAGES + 4ull * k, textureRecord);
            if (textureRecord >= nrTextures) {
                return 0x2000302E;
            }
            uint16_t texture = 0;
            in.u16(static_cast<uint64_t>(textureTable) + uint64_t{zqmdl::TEX_SIZE} * textureRecord +
                       zqmdl::TEX_INDEX,
                   texture);
            if (texture >= nrNames) {
                return 0x2000302F;
            }
            s.textures[k] = static_cast<uint8_t>(texture);
        }
        const uint32_t material = u32(record + zqmdl::SUB_MATERIAL);
        if (material >= nrMaterials) {
            return 0x20003030;
        }
        s.material = static_cast<uint8_t>(material);
        chooseMainBones(sums, s);
    }
    sphere.radius = std::sqrt(modelRadius2);

    const int64_t materialTable = u32(zqmdl::HEADER_MATERIALS);
    if (!placed(materialTable, nrMaterials, zqmdl::MAT_SIZE, size)) {
        return 0x20003031;
    }
    materials.assign(nrMaterials, Material{});
    for (uint32_t m = 0; m < nrMaterials; ++m) {
        const uint32_t error = readMaterial(
            in, static_cast<uint64_t>(materialTable) + uint64_t{zqmdl::MAT_SIZE} * m, materials[m]);
        if (error != 0) {
            return error;
        }
    }
    return 0;
}
