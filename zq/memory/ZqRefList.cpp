#include "zq/memory/ZqRefList.h"
#include "zq/crypto/ZqHash.h"

#include <new>

namespace zq_refname {

size_t length(const char16_t* const name) {
    if (name == nullptr) {
        return 0;
    }
    size_t n = 0;
    while (name[n] != 0) {
        ++n;
    }
    return n;
}

uint64_t hash(const char16_t* const name, const size_t length) {
    // The code units as they lie in memory, without the terminator.
    return zqCalcFnv(name, static_cast<uint32_t>(length * sizeof(char16_t)));
}

bool equals(const char16_t* const stored, const char16_t* const name, const size_t length) {
    // Hashes matched already; the terminator is compared too, so a longer stored name whose
    // hash happens to collide is not taken for a shorter one.
    for (size_t i = 0; i <= length; ++i) {
        if (stored[i] != name[i]) {
            return false;
        }
    }
    return true;
}

char16_t* copy(const char16_t* const name, const size_t length) {
    auto* const p = new (std::nothrow) char16_t[length + 1];
    if (p != nullptr) {
        for (size_t i = 0; i <= length; ++i) {
            p[i] = name[i];
        }
    }
    return p;
}

void free(char16_t* const heapCopy) {
    delete[] heapCopy;
}

} // namespace zq_refname
