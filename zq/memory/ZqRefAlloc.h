// ZqRefAlloc: named, reference-counted memory blocks shared by every user of one name, from a
// pool of 4096. A block is zero-filled when made and freed when its last user releases it.
// Not for private buffers (use ZqMemAlloc). Depends on ZqRefList and ZqMemAlloc.
#pragma once

#include "zq/memory/ZqRefList.h"

class ZqRefAlloc : public ZqRefList<ZqRefAlloc> {
public:
    static constexpr unsigned int NR_POOL = 4096;
    static constexpr unsigned int MAX_SIZE = 0x10000;

    // The live block of that name with its count raised, or a new zero-filled block of size
    // bytes. Null for a size above MAX_SIZE, a null or empty name, a full pool, or an existing
    // block smaller than size. Throws the unsigned code 1280 when a new block cannot be
    // allocated.
    static ZqRefAlloc* create(const char16_t* name, unsigned int size);
    // Lowers the count and frees the block at 0; returns the new count (0 also when the count
    // was 0 already).
    unsigned int release();
    void* getMemory() const { return m_pMemory; }

    // Pool start and stop, called by the system's start-up and shut-down.
    static void sysInit();
    static void sysQuit();

private:
    friend class ZqFixList<ZqRefAlloc>;
    ZqRefAlloc() = default;
    ~ZqRefAlloc() override = default;

    void* m_pMemory = nullptr;
    unsigned int m_size = 0;
};
