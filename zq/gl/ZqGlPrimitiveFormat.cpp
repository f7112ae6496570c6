#include "zq/gl/ZqGlPrimitiveFormat_internal.h"

#include <cmath>
#include <cstring>

namespace zq_primitive {

namespace {

struct FieldFacts {
    uint32_t shift;
    uint32_t bits;
    uint32_t unitBytes;
    uint8_t type; // single-bit fields; multi-bit ones are FLOAT1..FLOAT4 by value
    uint8_t usage;
    uint8_t usageIndex;
};

constexpr FieldFacts FIELDS[FIELD_COUNT] = {
    {0, 1, 12, DECLTYPE_FLOAT3, DECLUSAGE_POSITION, 0},
    {1, 1, 4, DECLTYPE_UBYTE4, DECLUSAGE_BLENDINDICES, 0},
    {2, 2, 4, DECLTYPE_FLOAT1, DECLUSAGE_BLENDWEIGHT, 0},
    {4, 1, 12, DECLTYPE_FLOAT3, DECLUSAGE_NORMAL, 0},
    {5, 1, 4, DECLTYPE_FLOAT1, DECLUSAGE_PSIZE, 0},
    {6, 1, 12, DECLTYPE_FLOAT3, DECLUSAGE_BINORMAL, 0},
    {7, 1, 12, DECLTYPE_FLOAT3, DECLUSAGE_TANGENT, 0},
    {8, 3, 4, DECLTYPE_FLOAT1, DECLUSAGE_TEXCOORD, 0},
    {11, 3, 4, DECLTYPE_FLOAT1, DECLUSAGE_TEXCOORD, 1},
    {14, 3, 4, DECLTYPE_FLOAT1, DECLUSAGE_TEXCOORD, 2},
    {17, 3, 4, DECLTYPE_FLOAT1, DECLUSAGE_TEXCOORD, 3},
    {20, 1, 4, DECLTYPE_D3DCOLOR, DECLUSAGE_COLOR, 0},
    {21, 1, 4, DECLTYPE_D3DCOLOR, DECLUSAGE_COLOR, 1},
};

constexpr float POSITION_LIMIT = 10000000.0f;
constexpr uint32_t BLEND_INDEX_LIMIT = 48;
constexpr float WEIGHT_SUM_LIMIT = 1.01f;
constexpr float UNIT_COMPONENT_LIMIT = 1.01f;
constexpr float UNIT_LENGTH_MIN = 0.999f;
constexpr float UNIT_LENGTH_LIMIT = 1.001f;
constexpr float PSIZE_LIMIT = 8.0f;
constexpr float TEXCOORD_LIMIT = 100000.0f;

float readFloat(const uint8_t* const p) {
    float f = 0.0f;
    std::memcpy(&f, p, sizeof f);
    return f;
}

bool isBounded(const float v, const float limit) {
    return std::isfinite(v) && std::fabs(v) <= limit;
}

bool isUnitVector(const uint8_t* const p) {
    const float x = readFloat(p);
    const float y = readFloat(p + 4);
    const float z = readFloat(p + 8);
    if (!isBounded(x, UNIT_COMPONENT_LIMIT) || !isBounded(y, UNIT_COMPONENT_LIMIT) ||
        !isBounded(z, UNIT_COMPONENT_LIMIT)) {
        return false;
    }
    const float length = std::sqrt(x * x + y * y + z * z);
    return length >= UNIT_LENGTH_MIN && length < UNIT_LENGTH_LIMIT;
}

uint32_t checkVertex(const uint32_t mask, const uint8_t* const v) {
    if (fieldValue(mask, POSITION) != 0) {
        const uint8_t* const p = v + fieldOffset(mask, POSITION);
        for (int i = 0; i < 3; ++i) {
            if (!isBounded(readFloat(p + 4 * i), POSITION_LIMIT)) {
                return ERROR_POSITION;
            }
        }
    }
    const uint32_t weights = fieldValue(mask, BLEND_WEIGHT);
    if (weights != 0) {
        if (fieldValue(mask, BLEND_INDICES) != 0) {
            const uint8_t* const indices = v + fieldOffset(mask, BLEND_INDICES);
            for (uint32_t i = 0; i < 4; ++i) {
                if (indices[i] >= BLEND_INDEX_LIMIT || (i > weights && indices[i] != 0)) {
                    return ERROR_BLEND_INDICES;
                }
            }
        }
        const uint8_t* const w = v + fieldOffset(mask, BLEND_WEIGHT);
        float sum = 0.0f;
        for (uint32_t i = 0; i < weights; ++i) {
            const float weight = readFloat(w + 4 * i);
            if (!isBounded(weight, 1.0f)) {
                return ERROR_BLEND_WEIGHT;
            }
            sum += weight;
        }
        if (sum > WEIGHT_SUM_LIMIT) {
            return ERROR_BLEND_WEIGHT_SUM;
        }
    }
    if (fieldValue(mask, NORMAL) != 0 && !isUnitVector(v + fieldOffset(mask, NORMAL))) {
        return ERROR_NORMAL;
    }
    if (fieldValue(mask, PSIZE) != 0 &&
        !isBounded(readFloat(v + fieldOffset(mask, PSIZE)), PSIZE_LIMIT)) {
        return ERROR_PSIZE;
    }
    if (fieldValue(mask, BINORMAL) != 0 && !isUnitVector(v + fieldOffset(mask, BINORMAL))) {
        return ERROR_BINORMAL;
    }
    if (fieldValue(mask, TANGENT) != 0 && !isUnitVector(v + fieldOffset(mask, TANGENT))) {
        return ERROR_TANGENT;
    }
    for (uint32_t set = TEXCOORD0; set <= TEXCOORD3; ++set) {
        const Field field = static_cast<Field>(set);
        const uint8_t* const t = v + fieldOffset(mask, field);
        for (uint32_t i = 0; i < fieldValue(mask, field); ++i) {
            if (!isBounded(readFloat(t + 4 * i), TEXCOORD_LIMIT)) {
                return ERROR_TEXCOORD;
            }
        }
    }
    return 0;
}

// Corners compared as positions (unindexed) or as index values (indexed).
struct Corners {
    const uint8_t* vertices;
    uint32_t stride;
    int32_t positionOffset; // -1 without a position
    const uint16_t* indices;
    bool indexed;

    bool same(const uint32_t a, const uint32_t b) const {
        if (indexed) {
            const uint16_t ia = indices != nullptr ? indices[a] : 0;
            const uint16_t ib = indices != nullptr ? indices[b] : 0;
            return ia == ib;
        }
        if (positionOffset < 0) {
            return false;
        }
        const uint8_t* const pa = vertices + static_cast<size_t>(a) * stride + positionOffset;
        const uint8_t* const pb = vertices + static_cast<size_t>(b) * stride + positionOffset;
        for (int i = 0; i < 3; ++i) {
            if (readFloat(pa + 4 * i) != readFloat(pb + 4 * i)) {
                return false;
            }
        }
        return true;
    }
    bool distinct(const uint32_t a, const uint32_t b, const uint32_t c) const {
        return !same(a, b) && !same(b, c) && !same(a, c);
    }
};

} // namespace

uint32_t fieldValue(const uint32_t mask, const Field field) {
    const FieldFacts& f = FIELDS[field];
    return (mask >> f.shift) & ((1u << f.bits) - 1);
}

uint32_t fieldOffset(const uint32_t mask, const Field field) {
    if (fieldValue(mask, field) == 0) {
        return 0;
    }
    uint32_t offset = 0;
    for (uint32_t i = 0; i < field; ++i) {
        offset += fieldValue(mask, static_cast<Field>(i)) * FIELDS[i].unitBytes;
    }
    return offset;
}

uint32_t vertexSize(const uint32_t mask) {
    uint32_t size = 0;
    for (uint32_t i = 0; i < FIELD_COUNT; ++i) {
        size += fieldValue(mask, static_cast<Field>(i)) * FIELDS[i].unitBytes;
    }
    return size;
}

uint32_t makeElements(const uint32_t mask, Element (&out)[MAX_ELEMENTS], uint32_t& count,
                      uint32_t& size) {
    count = 0;
    size = 0;
    for (uint32_t i = 0; i < FIELD_COUNT; ++i) {
        const FieldFacts& f = FIELDS[i];
        if (f.bits == 0) {
            return ERROR_ZERO_FIELD;
        }
        const uint32_t value = fieldValue(mask, static_cast<Field>(i));
        if (value == 0) {
            continue;
        }
        if (f.usage == DECLUSAGE_TEXCOORD && value > 4) {
            return ERROR_TEXCOORD_DIMENSION;
        }
        if (count == MAX_ELEMENTS) {
            return ERROR_TOO_MANY_ELEMENTS;
        }
        Element& e = out[count++];
        e.offset = static_cast<uint16_t>(size);
        e.type = f.bits == 1 ? f.type : static_cast<uint8_t>(DECLTYPE_FLOAT1 + value - 1);
        e.usage = f.usage;
        e.usageIndex = f.usageIndex;
        size += value * f.unitBytes;
    }
    return 0;
}

uint32_t checkVertices(const uint32_t mask, const uint8_t* const vertices, const uint32_t count,
                       const uint32_t stride) {
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t error = checkVertex(mask, vertices + static_cast<size_t>(i) * stride);
        if (error != 0) {
            return error;
        }
    }
    return 0;
}

void insertBlendIndices(const uint32_t mask, const uint8_t* const vertices, const uint32_t count,
                        uint8_t* const out) {
    const uint32_t from = vertexSize(mask);
    const uint32_t to = vertexSize(mask | 2);
    // Blend indices follow the position when there is one, else they come first.
    const uint32_t at = fieldOffset(mask | 2, BLEND_INDICES);
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* const s = vertices + static_cast<size_t>(i) * from;
        uint8_t* const d = out + static_cast<size_t>(i) * to;
        std::memcpy(d, s, at);
        std::memset(d + at, 0, 4);
        std::memcpy(d + at + 4, s + at, from - at);
    }
}

uint32_t countPrimitives(const uint32_t type, const uint32_t mask, const uint8_t* const vertices,
                         const uint32_t nrVertices, const uint32_t stride,
                         const uint16_t* const indices, const uint32_t nrIndices,
                         uint32_t& primitives, uint32_t& polygons) {
    const bool indexed = nrIndices != 0;
    const uint32_t n = indexed ? nrIndices : nrVertices;
    const Corners corners{
        vertices, stride,
        fieldValue(mask, POSITION) != 0 ? static_cast<int32_t>(fieldOffset(mask, POSITION)) : -1,
        indices, indexed};
    primitives = 0;
    polygons = 0;
    switch (type) {
    case 1: // point list
        primitives = n;
        polygons = n;
        return 0;
    case 2: // line list
        if (n % 2 != 0) {
            return ERROR_LINE_LIST_ODD;
        }
        primitives = n / 2;
        for (uint32_t i = 0; i + 1 < n; i += 2) {
            polygons += corners.same(i, i + 1) ? 0 : 1;
        }
        return 0;
    case 3: // line strip
        if (n < 2) {
            return ERROR_LINE_STRIP_SHORT;
        }
        primitives = n - 1;
        for (uint32_t i = 0; i + 1 < n; ++i) {
            polygons += corners.same(i, i + 1) ? 0 : 1;
        }
        return 0;
    case 4: // triangle list
        if (n % 3 != 0) {
            return ERROR_TRIANGLE_LIST_COUNT;
        }
        primitives = n / 3;
        for (uint32_t i = 0; i + 2 < n; i += 3) {
            polygons += corners.distinct(i, i + 1, i + 2) ? 1 : 0;
        }
        return 0;
    case 5: // triangle strip
    case 6: // triangle fan: every triangle shares the first corner
        if (n < 3) {
            return ERROR_STRIP_FAN_SHORT;
        }
        primitives = n - 2;
        for (uint32_t i = 0; i + 2 < n; ++i) {
            const uint32_t first = type == 5 ? i : 0;
            polygons += corners.distinct(first, i + 1, i + 2) ? 1 : 0;
        }
        return 0;
    default:
        return ERROR_TYPE;
    }
}

} // namespace zq_primitive
