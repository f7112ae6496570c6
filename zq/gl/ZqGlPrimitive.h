// ZqGlPrimitive: a named, shared vertex buffer with an optional 16-bit index buffer, a
// primitive type and a vertex declaration made from a 32-bit vertex format mask. Creation
// checks the vertex data strictly and counts the primitives and the non-degenerate ones.
// The class also keeps the full-screen quad "*primitive*fullscreen".
// Not for: drawing state (effects, render states, textures are set by their own classes).
// Depends on: the graphics device (ZqGlSystem), ZqRefList. Drawing and locking run on the
// main thread; creation and release hold the pool's lock.
//
// Vertex format mask, fields in vertex order: bit 0 position (3 floats), bit 1 blend indices
// (4 bytes), bits 2-3 blend weight count (floats), bit 4 normal, bit 5 point size, bit 6
// binormal, bit 7 tangent, bits 8-10, 11-13, 14-16, 17-19 texture coordinate sets 0 to 3
// (dimension 0..4, floats), bit 20 colour 0, bit 21 colour 1 (4 bytes each).
#pragma once

#include "zq/memory/ZqRefList.h"

#include <cstdint>
#include <memory>

namespace zqp::gpu {
class VertexBuffer;
class IndexBuffer;
class VertexDeclaration;
} // namespace zqp::gpu

class ZqGlPrimitive : public ZqRefList<ZqGlPrimitive> {
public:
    // Last-error codes.
    static constexpr uint32_t ERROR_NO_FREE = 0x20002100;
    static constexpr uint32_t ERROR_VERTEX_SIZE = 0x20002104;
    static constexpr uint32_t ERROR_DECLARATION = 0x20002105;
    static constexpr uint32_t ERROR_COUNT = 0x20002106;
    static constexpr uint32_t ERROR_VERTEX_LOCK = 0x20002110;
    static constexpr uint32_t ERROR_POINT_INDICES = 0x20002111;
    static constexpr uint32_t ERROR_INDEX_RANGE = 0x20002112;
    static constexpr uint32_t ERROR_INDEX_LOCK = 0x20002113;
    static constexpr uint32_t POOL_SIZE = 4096;
    // Vertex and index counts must stay below this.
    static constexpr uint32_t MAX_COUNT = 65500;

    // Primitive types; TYPE_INSERT_BLEND_INDICES may be added to one: the vertices are given
    // without blend indices and get four zero bytes after the position.
    enum TYPE : uint32_t {
        TYPE_POINTLIST = 1,
        TYPE_LINELIST = 2,
        TYPE_LINESTRIP = 3,
        TYPE_TRIANGLELIST = 4,
        TYPE_TRIANGLESTRIP = 5,
        TYPE_TRIANGLEFAN = 6,
        TYPE_INSERT_BLEND_INDICES = 0x1000,
    };

    // The device declaration of a format mask, and the vertex size it gives.
    class VertexDeclaration {
        struct Key {};

    public:
        // Made only by create.
        explicit VertexDeclaration(Key) {}
        virtual ~VertexDeclaration();
        VertexDeclaration(const VertexDeclaration&) = delete;
        VertexDeclaration& operator=(const VertexDeclaration&) = delete;

        // Null on failure (the thread's last error tells why); *vertexSize gets the bytes
        // of one vertex, cut to 16 bits.
        static std::unique_ptr<VertexDeclaration> create(uint32_t format,
                                                         unsigned short* vertexSize);
        // Drops the device declaration.
        void release();
        // Gives the declaration to the device unless one of the same mask was given last.
        void set() const;
        uint32_t getVertexFormatMask() const { return m_formatMask; }

        // The mask of the declaration the device was given last; 0 forces the next set.
        static inline uint32_t m_currentVertexFormatMask = 0;

    private:
        uint32_t m_formatMask = 0;
        std::shared_ptr<zqp::gpu::VertexDeclaration> m_pD3dDeclaration;
    };

    // The pool of 4096 and the full-screen quad; their end. Failure to make the quad throws
    // 1104.
    static void sysInit();
    static void sysQuit();
    // Makes the full-screen quad again after a device reset.
    static void onResetDevice();

    // A primitive from vertices and optional 16-bit indices (either may be null: the buffer
    // is zero-filled). An existing name is returned with one more reference, its data kept.
    // Null on failure with the thread's last error set; fatal failures of the device throw
    // 1105 to 1107.
    static ZqGlPrimitive* create(const char16_t* name, uint32_t type, uint32_t format,
                                 const void* vertices, uint32_t nrVertices,
                                 const unsigned short* indices, uint32_t nrIndices);
    // The same, always a new primitive.
    static ZqGlPrimitive* createForce(const char16_t* name, uint32_t type, uint32_t format,
                                      const void* vertices, uint32_t nrVertices,
                                      const unsigned short* indices, uint32_t nrIndices);
    // Drops one reference; at 0 the buffers go. Returns the count left.
    unsigned int release();

    // Draws the primitive count (0 for a primitive made without vertex data).
    void draw() const;
    // Draws `count` primitives, at most as many as the buffers hold.
    void draw(uint32_t count) const;
    // Indexed: the device's indexed draw with these values; unindexed: `count` primitives
    // from vertex 0.
    void draw(int32_t baseVertex, uint32_t minIndex, uint32_t numVertices, uint32_t startIndex,
              uint32_t count) const;

    // Write access to the whole buffers; either pointer may be null. False when a buffer
    // asked for could not be locked (both outputs are then null).
    bool lock(void** vertices, unsigned short** indices);
    void unlock();

    uint32_t getPrimitiveCount() const { return m_primitiveCount; }
    uint32_t getNrPolygons() const { return m_nrPolygons; }
    uint32_t getNrVertices() const { return m_nrVertices; }
    uint32_t getNrIndices() const { return m_nrIndices; }
    uint32_t getVertexSize() const { return m_vertexSize; }
    // The mask of the vertices in the buffer (with blend indices when they were inserted).
    uint32_t getVertexFormatMask() const;
    TYPE getType() const { return static_cast<TYPE>(m_type); }
    static ZqGlPrimitive* getFullScreenPrimitive() { return m_pFullScreen; }

    // Byte offsets within a vertex; 0 when the field is absent.
    uint32_t getBlendIndicesOffset() const;
    // Offset of weight `nr`; 0 when nr is not below the weight count.
    uint32_t getBlendWeightOffset(uint32_t nr) const;
    uint32_t getNormalOffset() const;
    uint32_t getPSizeOffset() const;
    uint32_t getBinormalOffset() const;
    uint32_t getTangentOffset() const;
    uint32_t getColor0Offset() const;
    uint32_t getColor1Offset() const;
    uint32_t getTexcoordOffset(uint32_t set) const;
    uint32_t getTexcoordDimension(uint32_t set) const;

private:
    friend class ZqFixList<ZqGlPrimitive>;
    friend class ZqRefList<ZqGlPrimitive>;

    ZqGlPrimitive() = default;
    ~ZqGlPrimitive() override;

    static ZqGlPrimitive* createCommon(bool force, const char16_t* name, uint32_t type,
                                       uint32_t format, const void* vertices, uint32_t nrVertices,
                                       const unsigned short* indices, uint32_t nrIndices);
    // 0, or the error code; fatal device failures throw.
    uint32_t createBody(uint32_t type, uint32_t format, const void* vertices, uint32_t nrVertices,
                        const unsigned short* indices, uint32_t nrIndices);
    void releaseBody();
    uint32_t fitCount(uint32_t count) const;
    static void createFullScreen();

    std::shared_ptr<zqp::gpu::VertexBuffer> m_pVertexBuffer;
    std::shared_ptr<zqp::gpu::IndexBuffer> m_pIndexBuffer;
    uint16_t m_vertexSize = 0;
    uint16_t m_primitiveCount = 0;
    uint16_t m_nrPolygons = 0;
    uint8_t m_type = 0;
    uint8_t m_lockFlags = 0;
    uint16_t m_nrVertices = 0;
    uint16_t m_nrIndices = 0;
    std::unique_ptr<VertexDeclaration> m_pDeclaration;

    static inline ZqGlPrimitive* m_pFullScreen = nullptr;
    // The half-pixel offsets of the full-screen quad, fixed the first time it is made.
    static inline float m_fullScreenDu = 0.0f;
    static inline float m_fullScreenDv = 0.0f;
    static inline bool m_fullScreenOffsetsSet = false;
};
