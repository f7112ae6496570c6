// ZqMemAlloc: the library's heap as the program sees it, and zqCalloc for zero-filled tables.
// Blocks that the library hands over (whole-file loads, archive loads, inflated buffers) come
// from here and go back through ZqMemAlloc::deallocate, never through the program's own heap.
// Allocation logging is not part of this build; its members answer and do nothing.
// Depends on the C runtime heap only.
#pragma once

class ZqMemAlloc {
public:
    // A block of size bytes, or null.
    static void* allocate(unsigned int size);
    // Gives a block back; null is ignored.
    static void deallocate(void* p);

    // Always false: no logging in this build.
    static bool enableLogging(const char16_t* fileName);
    static void setAllocAssertByNumber(unsigned int number);
    static void setAllocAssertBySize(unsigned int size);
    static void setDeallocAssertByNumber(unsigned int number);
    static void setDeallocAssertByPointer(const void* p);
    static void setLoggingMessage(const char16_t* message);
    static void sysInit();
    static void sysQuit();
};

// count x size bytes filled with zero, freed with ZqMemAlloc::deallocate; null when the
// allocation fails or the product does not fit in 32 bits (tables sized by counts read from
// files must not wrap into a short block).
void* zqCalloc(unsigned int count, unsigned int size);
