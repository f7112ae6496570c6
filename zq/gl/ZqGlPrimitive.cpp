#include "zq/gl/ZqGlPrimitive.h"

#include "zq/gl/ZqGlPrimitiveFormat_internal.h"
#include "zq/gl/ZqGlSystem.h"
#include "zq/platform/gpu/gpu.h"
#include "zq/platform/os/lasterror.h"
#include "zq/system/ZqError.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

namespace gpu = zqp::gpu;

namespace {

constexpr uint8_t LOCKED_VERTICES = 1;
constexpr uint8_t LOCKED_INDICES = 2;

constexpr uint32_t FULL_SCREEN_FORMAT = 0x201;

bool isValidType(const uint32_t type) {
    const uint32_t primitive = type & 0xFF;
    return primitive >= ZqGlPrimitive::TYPE_POINTLIST &&
           primitive <= ZqGlPrimitive::TYPE_TRIANGLEFAN;
}

// The most primitives of a type that n vertices or indices hold.
uint32_t primitivesOf(const uint32_t type, const uint32_t n) {
    switch (type) {
    case ZqGlPrimitive::TYPE_POINTLIST:
        return n;
    case ZqGlPrimitive::TYPE_LINELIST:
        return n / 2;
    case ZqGlPrimitive::TYPE_LINESTRIP:
        return n >= 2 ? n - 1 : 0;
    case ZqGlPrimitive::TYPE_TRIANGLELIST:
        return n / 3;
    case ZqGlPrimitive::TYPE_TRIANGLESTRIP:
    case ZqGlPrimitive::TYPE_TRIANGLEFAN:
        return n >= 3 ? n - 2 : 0;
    default:
        return 0;
    }
}

} // namespace

// ---------------------------------------------------------------------------------------------
// VertexDeclaration

ZqGlPrimitive::VertexDeclaration::~VertexDeclaration() = default;

std::unique_ptr<ZqGlPrimitive::VertexDeclaration>
ZqGlPrimitive::VertexDeclaration::create(const uint32_t format, unsigned short* const vertexSize) {
    zq_primitive::Element elements[zq_primitive::MAX_ELEMENTS];
    uint32_t count = 0;
    uint32_t size = 0;
    const uint32_t error = zq_primitive::makeElements(format, elements, count, size);
    if (error != 0) {
        zqp::setLastError(error);
        return nullptr;
    }
    if (size > 0xFFFF) {
        zqp::setLastError(ERROR_VERTEX_SIZE);
    }
    if (vertexSize != nullptr) {
        *vertexSize = static_cast<unsigned short>(size);
    }
    gpu::VertexElement d3dElements[zq_primitive::MAX_ELEMENTS + 1];
    for (uint32_t i = 0; i < count; ++i) {
        d3dElements[i].stream = 0;
        d3dElements[i].offset = elements[i].offset;
        d3dElements[i].type = elements[i].type;
        d3dElements[i].method = gpu::DECLMETHOD_DEFAULT;
        d3dElements[i].usage = elements[i].usage;
        d3dElements[i].usageIndex = elements[i].usageIndex;
    }
    d3dElements[count] = gpu::declEnd();

    auto declaration = std::make_unique<VertexDeclaration>(Key{});
    gpu::Device* const device = ZqGlSystem::getD3dDevice();
    if (device == nullptr || device->createVertexDeclaration(
                                 d3dElements, declaration->m_pD3dDeclaration) != gpu::Result::Ok) {
        zqp::setLastError(ERROR_DECLARATION);
        return nullptr;
    }
    declaration->m_formatMask = format;
    return declaration;
}

void ZqGlPrimitive::VertexDeclaration::release() {
    m_pD3dDeclaration.reset();
}

void ZqGlPrimitive::VertexDeclaration::set() const {
    if (m_formatMask == m_currentVertexFormatMask) {
        return;
    }
    gpu::Device* const device = ZqGlSystem::getD3dDevice();
    if (device != nullptr &&
        device->setVertexDeclaration(m_pD3dDeclaration.get()) == gpu::Result::Ok) {
        m_currentVertexFormatMask = m_formatMask;
    }
}

// ---------------------------------------------------------------------------------------------
// Pool, creation, release

ZqGlPrimitive::~ZqGlPrimitive() = default;

void ZqGlPrimitive::sysInit() {
    init(POOL_SIZE);
    VertexDeclaration::m_currentVertexFormatMask = 0;
    createFullScreen();
}

void ZqGlPrimitive::sysQuit() {
    if (m_pFullScreen != nullptr) {
        m_pFullScreen->release();
        m_pFullScreen = nullptr;
    }
    quit();
    VertexDeclaration::m_currentVertexFormatMask = 0;
}

void ZqGlPrimitive::onResetDevice() {
    if (m_pFullScreen != nullptr) {
        m_pFullScreen->release();
        m_pFullScreen = nullptr;
    }
    VertexDeclaration::m_currentVertexFormatMask = 0;
    createFullScreen();
}

void ZqGlPrimitive::createFullScreen() {
    if (!m_fullScreenOffsetsSet) {
        m_fullScreenDu = 0.5f / ZqGlSystem::getWidth();
        m_fullScreenDv = 0.5f / ZqGlSystem::getHeight();
        m_fullScreenOffsetsSet = true;
    }
    const float du = m_fullScreenDu;
    const float dv = m_fullScreenDv;
    const float vertices[4][5] = {
        {-1.0f, -1.0f, 0.0f, du, 1.0f + dv},
        {1.0f, -1.0f, 0.0f, 1.0f + du, 1.0f + dv},
        {-1.0f, 1.0f, 0.0f, du, dv},
        {1.0f, 1.0f, 0.0f, 1.0f + du, dv},
    };
    m_pFullScreen = createForce(u"*primitive*fullscreen", TYPE_TRIANGLESTRIP, FULL_SCREEN_FORMAT,
                                vertices, 4, nullptr, 0);
    if (m_pFullScreen == nullptr) {
        throw ZqError::PRIMITIVE_FULL_SCREEN;
    }
}

ZqGlPrimitive* ZqGlPrimitive::create(const char16_t* const name, const uint32_t type,
                                     const uint32_t format, const void* const vertices,
                                     const uint32_t nrVertices, const unsigned short* const indices,
                                     const uint32_t nrIndices) {
    return createCommon(false, name, type, format, vertices, nrVertices, indices, nrIndices);
}

ZqGlPrimitive* ZqGlPrimitive::createForce(const char16_t* const name, const uint32_t type,
                                          const uint32_t format, const void* const vertices,
                                          const uint32_t nrVertices,
                                          const unsigned short* const indices,
                                          const uint32_t nrIndices) {
    return createCommon(true, name, type, format, vertices, nrVertices, indices, nrIndices);
}

ZqGlPrimitive* ZqGlPrimitive::createCommon(const bool force, const char16_t* const name,
                                           const uint32_t type, const uint32_t format,
                                           const void* const vertices, const uint32_t nrVertices,
                                           const unsigned short* const indices,
                                           const uint32_t nrIndices) {
    // A buffer of no vertices cannot be made; it is refused here rather than as a fatal
    // device failure.
    if (nrVertices == 0 || nrVertices >= MAX_COUNT || nrIndices >= MAX_COUNT) {
        zqp::setLastError(ERROR_COUNT);
        return nullptr;
    }
    // A type the device cannot draw is refused whether or not there are data to count.
    if (!isValidType(type)) {
        zqp::setLastError(zq_primitive::ERROR_TYPE);
        return nullptr;
    }
    if (m_pCriticalSection == nullptr) {
        zqp::setLastError(ERROR_NO_FREE);
        return nullptr;
    }
    const ZqLockGuard hold(*m_pCriticalSection);
    ZqGlPrimitive* const p = force ? ZqRefList::createForce(name) : ZqRefList::create(name);
    if (p == nullptr) {
        zqp::setLastError(ERROR_NO_FREE);
        return nullptr;
    }
    if (p->getRefCountBody() != 1) {
        return p;
    }
    uint32_t error = 0;
    try {
        error = p->createBody(type, format, vertices, nrVertices, indices, nrIndices);
    } catch (...) {
        p->releaseBody();
        ZqRefList::release(p);
        throw;
    }
    if (error != 0) {
        p->releaseBody();
        ZqRefList::release(p);
        zqp::setLastError(error);
        return nullptr;
    }
    return p;
}

uint32_t ZqGlPrimitive::createBody(const uint32_t type, const uint32_t format,
                                   const void* const vertices, const uint32_t nrVertices,
                                   const unsigned short* const indices, const uint32_t nrIndices) {
    m_nrVertices = static_cast<uint16_t>(nrVertices);
    m_nrIndices = static_cast<uint16_t>(nrIndices);
    m_type = static_cast<uint8_t>(type & 0xFF);
    m_pVertexBuffer.reset();
    m_pIndexBuffer.reset();
    m_lockFlags = 0;
    m_vertexSize = 0;
    m_primitiveCount = 0;
    m_nrPolygons = 0;

    const bool insert = (type & TYPE_INSERT_BLEND_INDICES) != 0 &&
                        zq_primitive::fieldValue(format, zq_primitive::BLEND_WEIGHT) == 0;
    const uint32_t declared = insert ? (format | 2) : format;
    unsigned short vertexSize = 0;
    m_pDeclaration = VertexDeclaration::create(declared, &vertexSize);
    if (m_pDeclaration == nullptr) {
        return zqp::getLastError();
    }
    m_vertexSize = vertexSize;
    const auto* const source = static_cast<const uint8_t*>(vertices);
    if (!insert && source != nullptr) {
        const uint32_t error =
            zq_primitive::checkVertices(format, source, nrVertices, m_vertexSize);
        if (error != 0) {
            return error;
        }
    }
    std::vector<uint8_t> inserted;
    const uint8_t* data = source;
    if (insert && source != nullptr) {
        try {
            inserted.resize(static_cast<size_t>(nrVertices) * m_vertexSize);
        } catch (const std::bad_alloc&) {
            throw ZqError::PRIMITIVE_MEMORY;
        }
        zq_primitive::insertBlendIndices(format, source, nrVertices, inserted.data());
        data = inserted.data();
    }

    gpu::Device* const device = ZqGlSystem::getD3dDevice();
    const uint32_t vertexBytes = nrVertices * m_vertexSize;
    if (device == nullptr ||
        device->createVertexBuffer(vertexBytes, gpu::usage::WRITEONLY, gpu::Pool::Managed,
                                   m_pVertexBuffer) != gpu::Result::Ok) {
        throw ZqError::PRIMITIVE_VERTEX_BUFFER;
    }
    void* locked = nullptr;
    if (m_pVertexBuffer->lock(0, 0, &locked, 0) != gpu::Result::Ok || locked == nullptr) {
        return ERROR_VERTEX_LOCK;
    }
    if (data != nullptr) {
        std::memcpy(locked, data, vertexBytes);
    } else {
        std::memset(locked, 0, vertexBytes);
    }
    m_pVertexBuffer->unlock();

    if (nrIndices != 0) {
        if (m_type == TYPE_POINTLIST) {
            return ERROR_POINT_INDICES;
        }
        if (indices != nullptr) {
            for (uint32_t i = 0; i < nrIndices; ++i) {
                if (indices[i] >= nrVertices) {
                    return ERROR_INDEX_RANGE;
                }
            }
        }
        if (device->createIndexBuffer(nrIndices * 2, gpu::usage::WRITEONLY, gpu::Format::Index16,
                                      gpu::Pool::Managed, m_pIndexBuffer) != gpu::Result::Ok) {
            throw ZqError::PRIMITIVE_INDEX_BUFFER;
        }
        if (m_pIndexBuffer->lock(0, 0, &locked, 0) != gpu::Result::Ok || locked == nullptr) {
            return ERROR_INDEX_LOCK;
        }
        if (indices != nullptr) {
            std::memcpy(locked, indices, nrIndices * 2);
        } else {
            std::memset(locked, 0, nrIndices * 2);
        }
        m_pIndexBuffer->unlock();
    }

    if (source != nullptr) {
        uint32_t primitives = 0;
        uint32_t polygons = 0;
        const uint32_t error =
            zq_primitive::countPrimitives(m_type, declared, data, nrVertices, m_vertexSize, indices,
                                          nrIndices, primitives, polygons);
        if (error != 0) {
            return error;
        }
        m_primitiveCount = static_cast<uint16_t>(primitives);
        m_nrPolygons = static_cast<uint16_t>(polygons);
    }
    return 0;
}

void ZqGlPrimitive::releaseBody() {
    if (m_lockFlags != 0) {
        unlock();
    }
    m_pIndexBuffer.reset();
    m_pVertexBuffer.reset();
    m_pDeclaration.reset();
    m_primitiveCount = 0;
    m_nrPolygons = 0;
}

unsigned int ZqGlPrimitive::release() {
    const ZqLockGuard hold(*m_pCriticalSection);
    // An element already back in the pool has nothing left to drop.
    if (getRefCountBody() == 0) {
        return 0;
    }
    const unsigned int left = ZqRefList::release(this);
    if (left == 0) {
        releaseBody();
    }
    return left;
}

// ---------------------------------------------------------------------------------------------
// Drawing and locking

uint32_t ZqGlPrimitive::fitCount(const uint32_t count) const {
    return std::min(count,
                    primitivesOf(m_type, m_pIndexBuffer != nullptr ? m_nrIndices : m_nrVertices));
}

void ZqGlPrimitive::draw() const {
    draw(m_primitiveCount);
}

void ZqGlPrimitive::draw(const uint32_t count) const {
    gpu::Device* const device = ZqGlSystem::getD3dDevice();
    const uint32_t primitives = fitCount(count);
    if (device == nullptr || m_pVertexBuffer == nullptr || primitives == 0) {
        return;
    }
    m_pDeclaration->set();
    device->setStreamSource(0, m_pVertexBuffer.get(), 0, m_vertexSize);
    const auto type = static_cast<gpu::PrimitiveType>(m_type);
    if (m_pIndexBuffer != nullptr) {
        device->setIndices(m_pIndexBuffer.get());
        device->drawIndexedPrimitive(type, 0, 0, m_nrVertices, 0, primitives);
    } else {
        device->drawPrimitive(type, 0, primitives);
    }
}

void ZqGlPrimitive::draw(const int32_t baseVertex, const uint32_t minIndex,
                         const uint32_t numVertices, const uint32_t startIndex,
                         const uint32_t count) const {
    gpu::Device* const device = ZqGlSystem::getD3dDevice();
    if (device == nullptr || m_pVertexBuffer == nullptr) {
        return;
    }
    const auto type = static_cast<gpu::PrimitiveType>(m_type);
    if (m_pIndexBuffer == nullptr) {
        const uint32_t primitives = fitCount(count);
        if (primitives != 0) {
            m_pDeclaration->set();
            device->setStreamSource(0, m_pVertexBuffer.get(), 0, m_vertexSize);
            device->drawPrimitive(type, 0, primitives);
        }
        return;
    }
    // The range must lie inside the index buffer, and the vertices it reaches inside the
    // vertex buffer.
    const uint32_t indicesLeft = startIndex < m_nrIndices ? m_nrIndices - startIndex : 0;
    const uint32_t primitives = std::min(count, primitivesOf(m_type, indicesLeft));
    if (primitives == 0 || baseVertex < 0 || static_cast<uint32_t>(baseVertex) >= m_nrVertices) {
        return;
    }
    m_pDeclaration->set();
    device->setStreamSource(0, m_pVertexBuffer.get(), 0, m_vertexSize);
    device->setIndices(m_pIndexBuffer.get());
    device->drawIndexedPrimitive(type, baseVertex, minIndex, numVertices, startIndex, primitives);
}

bool ZqGlPrimitive::lock(void** const vertices, unsigned short** const indices) {
    if (vertices != nullptr) {
        *vertices = nullptr;
    }
    if (indices != nullptr) {
        *indices = nullptr;
    }
    if (vertices != nullptr && m_pVertexBuffer != nullptr) {
        void* p = nullptr;
        if (m_pVertexBuffer->lock(0, 0, &p, 0) != gpu::Result::Ok) {
            return false;
        }
        *vertices = p;
        m_lockFlags |= LOCKED_VERTICES;
    }
    if (indices != nullptr && m_pIndexBuffer != nullptr) {
        void* p = nullptr;
        if (m_pIndexBuffer->lock(0, 0, &p, 0) != gpu::Result::Ok) {
            if ((m_lockFlags & LOCKED_VERTICES) != 0) {
                m_pVertexBuffer->unlock();
                if (vertices != nullptr) {
                    *vertices = nullptr;
                }
            }
            m_lockFlags = 0;
            return false;
        }
        *indices = static_cast<unsigned short*>(p);
        m_lockFlags |= LOCKED_INDICES;
    }
    return true;
}

void ZqGlPrimitive::unlock() {
    if ((m_lockFlags & LOCKED_VERTICES) != 0 && m_pVertexBuffer != nullptr) {
        m_pVertexBuffer->unlock();
    }
    if ((m_lockFlags & LOCKED_INDICES) != 0 && m_pIndexBuffer != nullptr) {
        m_pIndexBuffer->unlock();
    }
    m_lockFlags = 0;
}

// ---------------------------------------------------------------------------------------------
// Layout of the vertices

uint32_t ZqGlPrimitive::getVertexFormatMask() const {
    return m_pDeclaration != nullptr ? m_pDeclaration->getVertexFormatMask() : 0;
}

uint32_t ZqGlPrimitive::getBlendIndicesOffset() const {
    return zq_primitive::fieldOffset(getVertexFormatMask(), zq_primitive::BLEND_INDICES);
}

uint32_t ZqGlPrimitive::getBlendWeightOffset(const uint32_t nr) const {
    const uint32_t mask = getVertexFormatMask();
    if (nr >= zq_primitive::fieldValue(mask, zq_primitive::BLEND_WEIGHT)) {
        return 0;
    }
    return zq_primitive::fieldOffset(mask, zq_primitive::BLEND_WEIGHT) + 4 * nr;
}

uint32_t ZqGlPrimitive::getNormalOffset() const {
    return zq_primitive::fieldOffset(getVertexFormatMask(), zq_primitive::NORMAL);
}

uint32_t ZqGlPrimitive::getPSizeOffset() const {
    return zq_primitive::fieldOffset(getVertexFormatMask(), zq_primitive::PSIZE);
}

uint32_t ZqGlPrimitive::getBinormalOffset() const {
    return zq_primitive::fieldOffset(getVertexFormatMask(), zq_primitive::BINORMAL);
}

uint32_t ZqGlPrimitive::getTangentOffset() const {
    return zq_primitive::fieldOffset(getVertexFormatMask(), zq_primitive::TANGENT);
}

uint32_t ZqGlPrimitive::getColor0Offset() const {
    return zq_primitive::fieldOffset(getVertexFormatMask(), zq_primitive::COLOR0);
}

uint32_t ZqGlPrimitive::getColor1Offset() const {
    return zq_primitive::fieldOffset(getVertexFormatMask(), zq_primitive::COLOR1);
}

uint32_t ZqGlPrimitive::getTexcoordOffset(const uint32_t set) const {
    if (set > 3) {
        return 0;
    }
    return zq_primitive::fieldOffset(
        getVertexFormatMask(), static_cast<zq_primitive::Field>(zq_primitive::TEXCOORD0 + set));
}

uint32_t ZqGlPrimitive::getTexcoordDimension(const uint32_t set) const {
    if (set > 3) {
        return 0;
    }
    return zq_primitive::fieldValue(
        getVertexFormatMask(), static_cast<zq_primitive::Field>(zq_primitive::TEXCOORD0 + set));
}
