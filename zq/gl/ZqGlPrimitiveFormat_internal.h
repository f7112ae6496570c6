// The 32-bit vertex format mask of ZqGlPrimitive, without the device: the thirteen fields in
// vertex order with their offsets and sizes, the vertex elements a declaration is made of,
// the strict checks on vertex data and the counting of primitives and non-degenerate ones.
// Internal to ZqGlPrimitive (and readable by its tests); not part of the framework's surface.
// Every read of a vertex goes through the offsets the mask gives, so a format without a
// position or without blend indices never reads another field's bytes or past a vertex.
#pragma once

#include "zq/platform/gpu/gpu_values.h"

#include <cstdint>

namespace zq_primitive {

enum Field : uint32_t {
    POSITION,
    BLEND_INDICES,
    BLEND_WEIGHT,
    NORMAL,
    PSIZE,
    BINORMAL,
    TANGENT,
    TEXCOORD0,
    TEXCOORD1,
    TEXCOORD2,
    TEXCOORD3,
    COLOR0,
    COLOR1,
    FIELD_COUNT,
};

// Declaration types and usages: the device's own.
using zqp::gpu::DeclType;
using enum zqp::gpu::DeclType;
using zqp::gpu::DeclUsage;
using enum zqp::gpu::DeclUsage;

constexpr uint32_t MAX_ELEMENTS = 16;
// The flag a primitive type may carry: blend indices of zero are inserted after the position.
constexpr uint32_t TYPE_INSERT_BLEND_INDICES = 0x1000;

// Error codes of the primitive block that the checks below give (0 is success).
constexpr uint32_t ERROR_ZERO_FIELD = 0x20002101;
constexpr uint32_t ERROR_TOO_MANY_ELEMENTS = 0x20002102;
constexpr uint32_t ERROR_TEXCOORD_DIMENSION = 0x20002103;
constexpr uint32_t ERROR_POSITION = 0x20002107;
constexpr uint32_t ERROR_BLEND_INDICES = 0x20002108;
constexpr uint32_t ERROR_BLEND_WEIGHT = 0x20002109;
constexpr uint32_t ERROR_BLEND_WEIGHT_SUM = 0x2000210A;
constexpr uint32_t ERROR_NORMAL = 0x2000210B;
constexpr uint32_t ERROR_PSIZE = 0x2000210C;
constexpr uint32_t ERROR_BINORMAL = 0x2000210D;
constexpr uint32_t ERROR_TANGENT = 0x2000210E;
constexpr uint32_t ERROR_TEXCOORD = 0x2000210F;
constexpr uint32_t ERROR_LINE_LIST_ODD = 0x20002114;
constexpr uint32_t ERROR_LINE_STRIP_SHORT = 0x20002115;
constexpr uint32_t ERROR_TRIANGLE_LIST_COUNT = 0x20002116;
constexpr uint32_t ERROR_STRIP_FAN_SHORT = 0x20002117;
constexpr uint32_t ERROR_TYPE = 0x20002118;

struct Element {
    uint16_t offset = 0;
    uint8_t type = DECLTYPE_FLOAT3;
    uint8_t usage = DECLUSAGE_POSITION;
    uint8_t usageIndex = 0;
};

// The value of one field of a mask (a bit, a weight count 0..3 or a dimension 0..7).
uint32_t fieldValue(uint32_t mask, Field field);
// Byte offset of a field within a vertex; 0 when the field is absent.
uint32_t fieldOffset(uint32_t mask, Field field);
// Bytes of one vertex (not cut to 16 bits).
uint32_t vertexSize(uint32_t mask);

// The elements of a mask's declaration in vertex order, with the vertex size; 0, or the code
// of the first fault (a texture coordinate dimension above 4, more than 16 elements).
uint32_t makeElements(uint32_t mask, Element (&out)[MAX_ELEMENTS], uint32_t& count, uint32_t& size);

// Checks every vertex (stride bytes apart) of a mask: finite bounded positions, blend indices
// and weights, unit normals, binormals and tangents, point sizes and texture coordinates.
// 0, or the code of the first fault.
uint32_t checkVertices(uint32_t mask, const uint8_t* vertices, uint32_t count, uint32_t stride);

// Copies vertices of mask into vertices of mask | 2, with four zero bytes inserted where the
// blend indices belong.
void insertBlendIndices(uint32_t mask, const uint8_t* vertices, uint32_t count, uint8_t* out);

// Primitives a draw of n vertices or indices makes, and those among them whose corners all
// differ (positions compared for unindexed data, index values for indexed data; a format
// without a position counts every unindexed primitive). 0, or the code of the fault.
uint32_t countPrimitives(uint32_t type, uint32_t mask, const uint8_t* vertices, uint32_t nrVertices,
                         uint32_t stride, const uint16_t* indices, uint32_t nrIndices,
                         uint32_t& primitives, uint32_t& polygons);

} // namespace zq_primitive
