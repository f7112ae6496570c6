#include "zq/memory/ZqRefAlloc.h"
#include "zq/memory/ZqMemAlloc.h"
#include "zq/system/ZqError.h"

ZqRefAlloc* ZqRefAlloc::create(const char16_t* const name, const unsigned int size) {
    if (size > MAX_SIZE || m_pCriticalSection == nullptr) {
        return nullptr;
    }
    const ZqLockGuard hold(*m_pCriticalSection);
    ZqRefAlloc* const e = ZqRefList::create(name);
    if (e == nullptr) {
        return nullptr;
    }
    if (e->getRefCountBody() != 1) {
        // A user that asks for more than the block holds would write past its end.
        if (size > e->m_size) {
            ZqRefList::release(e);
            return nullptr;
        }
        return e;
    }
    // At least one byte, so that every live element has a block of its own.
    void* const block = zqCalloc(1, size != 0 ? size : 1);
    if (block == nullptr) {
        // Give the half-made element back before reporting, so the name is not left behind
        // without memory.
        ZqRefList::release(e);
        throw ZqError::BLOCK_MEMORY;
    }
    e->m_pMemory = block;
    e->m_size = size;
    return e;
}

unsigned int ZqRefAlloc::release() {
    const ZqLockGuard hold(*m_pCriticalSection);
    const unsigned int count = ZqRefList::release(this);
    if (count == 0 && m_pMemory != nullptr) {
        ZqMemAlloc::deallocate(m_pMemory);
        m_pMemory = nullptr;
        m_size = 0;
    }
    return count;
}

void ZqRefAlloc::sysInit() {
    init(NR_POOL);
}

void ZqRefAlloc::sysQuit() {
    quit();
}
