#include "zq/gl/ZqGlQuery.h"

#include "zq/gl/ZqGlSystem.h"
#include "zq/platform/gpu/gpu.h"
#include "zq/system/ZqError.h"

namespace gpu = zqp::gpu;

ZqGlQuery::~ZqGlQuery() = default;

void ZqGlQuery::sysInit() {
    init(POOL_SIZE);
}

void ZqGlQuery::sysQuit() {
    if (m_pCriticalSection != nullptr) {
        quit();
    }
}

ZqGlQuery* ZqGlQuery::create(const TYPE type) {
    gpu::Device* const device = ZqGlSystem::getD3dDevice();
    if (m_pCriticalSection == nullptr || device == nullptr) {
        return nullptr;
    }
    const ZqLockGuard hold(*m_pCriticalSection);
    ZqGlQuery* const q = ZqFixList::create();
    if (q == nullptr) {
        return nullptr;
    }
    if (device->createQuery(static_cast<gpu::QueryType>(type), &q->m_pD3dQuery) !=
        gpu::Result::Ok) {
        q->m_pD3dQuery.reset();
        ZqFixList::release(q);
        return nullptr;
    }
    q->m_type = type;
    return q;
}

uint32_t ZqGlQuery::release() {
    m_pD3dQuery.reset();
    const ZqLockGuard hold(*m_pCriticalSection);
    return ZqFixList::release(this);
}

bool ZqGlQuery::issueBegin() {
    return m_pD3dQuery->issue(gpu::issue::BEGIN) == gpu::Result::Ok;
}

bool ZqGlQuery::issueEnd() {
    return m_pD3dQuery->issue(gpu::issue::END) == gpu::Result::Ok;
}

uint32_t ZqGlQuery::getDataSize() const {
    return m_pD3dQuery->getDataSize();
}

uint32_t ZqGlQuery::getData(void* const data, const uint32_t size, const bool flush) {
    return static_cast<uint32_t>(
        m_pD3dQuery->getData(data, size, flush ? gpu::getdata::FLUSH : 0u));
}

void ZqGlQuery::onResetDevice() {
    gpu::Device* const device = ZqGlSystem::getD3dDevice();
    if (m_pCriticalSection == nullptr || device == nullptr) {
        return;
    }
    const ZqLockGuard hold(*m_pCriticalSection);
    for (ZqGlQuery* q = getUsed(); q != nullptr; q = q->getNext()) {
        const TYPE type = q->m_type;
        q->m_pD3dQuery.reset();
        if (device->createQuery(static_cast<gpu::QueryType>(type), &q->m_pD3dQuery) !=
            gpu::Result::Ok) {
            throw ZqError::QUERY_RESET;
        }
    }
}
