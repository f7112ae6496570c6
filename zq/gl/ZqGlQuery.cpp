#include "zq/gl/ZqGlQuery.h"

#include "zq/gl/ZqGlSystem.h"
#include "zq/thread/ZqCriticalSection.h"

namespace gpu = zqp::gpu;

namespace {

// The pool: its elements, the free list and the used list (newest first), under one lock.
struct QueryPool {
    std::unique_ptr<ZqGlQuery[]> elements;
    ZqGlQuery* freeHead = nullptr;
    ZqGlQuery* usedHead = nullptr;
    uint32_t used = 0;
    std::unique_ptr<ZqCriticalSection> lock;
};

QueryPool& pool() {
    static QueryPool p;
    return p;
}

} // namespace

ZqGlQuery::~ZqGlQuery() = default;

void ZqGlQuery::sysInit() {
    QueryPool& p = pool();
    p.lock = std::make_unique<ZqCriticalSection>();
    p.elements = std::make_unique<ZqGlQuery[]>(POOL_SIZE);
    p.freeHead = nullptr;
    p.usedHead = nullptr;
    p.used = 0;
    for (uint32_t i = POOL_SIZE; i-- > 0;) {
        p.elements[i].m_pNext = p.freeHead;
        p.freeHead = &p.elements[i];
    }
}

void ZqGlQuery::sysQuit() {
    QueryPool& p = pool();
    if (p.lock == nullptr) {
        return;
    }
    while (p.usedHead != nullptr) {
        p.usedHead->release();
    }
    p.elements.reset();
    p.freeHead = nullptr;
    p.lock.reset();
}

ZqGlQuery* ZqGlQuery::create(const TYPE type) {
    QueryPool& p = pool();
    gpu::Device* const device = ZqGlSystem::getD3dDevice();
    if (p.lock == nullptr || device == nullptr) {
        return nullptr;
    }
    const ZqLockGuard hold(*p.lock);
    ZqGlQuery* const q = p.freeHead;
    if (q == nullptr) {
        return nullptr;
    }
    if (device->createQuery(static_cast<gpu::QueryType>(type), &q->m_pD3dQuery) !=
        gpu::Result::Ok) {
        q->m_pD3dQuery.reset();
        return nullptr;
    }
    p.freeHead = q->m_pNext;
    q->m_type = type;
    q->m_used = true;
    q->m_pPrev = nullptr;
    q->m_pNext = p.usedHead;
    if (p.usedHead != nullptr) {
        p.usedHead->m_pPrev = q;
    }
    p.usedHead = q;
    ++p.used;
    return q;
}

uint32_t ZqGlQuery::release() {
    QueryPool& p = pool();
    const ZqLockGuard hold(*p.lock);
    if (!m_used) {
        return p.used;
    }
    m_pD3dQuery.reset();
    if (m_pPrev != nullptr) {
        m_pPrev->m_pNext = m_pNext;
    } else {
        p.usedHead = m_pNext;
    }
    if (m_pNext != nullptr) {
        m_pNext->m_pPrev = m_pPrev;
    }
    m_used = false;
    m_pPrev = nullptr;
    m_pNext = p.freeHead;
    p.freeHead = this;
    return --p.used;
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
    QueryPool& p = pool();
    gpu::Device* const device = ZqGlSystem::getD3dDevice();
    if (p.lock == nullptr || device == nullptr) {
        return;
    }
    const ZqLockGuard hold(*p.lock);
    for (ZqGlQuery* q = p.usedHead; q != nullptr; q = q->m_pNext) {
        q->m_pD3dQuery.reset();
        if (device->createQuery(static_cast<gpu::QueryType>(q->m_type), &q->m_pD3dQuery) !=
            gpu::Result::Ok) {
            throw 1048u;
        }
    }
}
