#include "zq/memory/ZqMemAlloc.h"

#include <cstdint>
#include <cstdlib>

void* ZqMemAlloc::allocate(const unsigned int size) {
    return std::malloc(size);
}

void ZqMemAlloc::deallocate(void* const p) {
    std::free(p);
}

bool ZqMemAlloc::enableLogging(const char16_t*) {
    return false;
}

void ZqMemAlloc::setAllocAssertByNumber(unsigned int) {}

void ZqMemAlloc::setAllocAssertBySize(unsigned int) {}

void ZqMemAlloc::setDeallocAssertByNumber(unsigned int) {}

void ZqMemAlloc::setDeallocAssertByPointer(const void*) {}

void ZqMemAlloc::setLoggingMessage(const char16_t*) {}

void ZqMemAlloc::sysInit() {}

void ZqMemAlloc::sysQuit() {}

void* zqCalloc(const unsigned int count, const unsigned int size) {
    const uint64_t bytes = static_cast<uint64_t>(count) * size;
    if (bytes > UINT32_MAX) {
        return nullptr;
    }
    return std::calloc(count, size);
}
