#include "zq/crypto/ZqHash.h"

namespace {

constexpr unsigned GROUP = 10; // codes per 60-bit group
constexpr unsigned CODE_BITS = 6;

bool isDigit(const unsigned char c) {
    return c >= '0' && c <= '9';
}

} // namespace

// The codes are packed as they are taken instead of being collected first, so a file-name part
// of any length is handled without a buffer: each group of ten folds into the id by exclusive-or
// as soon as it is full, and a path separator starts everything afresh.
uint64_t zqCalcNameId64(const char* const name) {
    uint64_t id = 0;    // exclusive-or of the finished groups
    uint64_t group = 0; // codes of the open group, first code highest
    unsigned nrInGroup = 0;
    unsigned others = 0; // characters neither taken nor separators

    const auto take = [&](const unsigned code) {
        group |= static_cast<uint64_t>(code) << (CODE_BITS * (GROUP - 1 - nrInGroup));
        if (++nrInGroup == GROUP) {
            id ^= group;
            group = 0;
            nrInGroup = 0;
        }
    };

    for (const char* p = name; *p != 0; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        if (c >= 'A' && c <= 'Z') {
            take(c + 32u - 96u);
        } else if (c >= 'a' && c <= 'z') {
            take(c - 96u);
        } else if (isDigit(c)) {
            take(c - 20u);
        } else if (c == '/' || c == '\\') {
            id = 0;
            group = 0;
            nrInGroup = 0;
            others = 0;
        } else if (c == '.') {
            if (!isDigit(static_cast<unsigned char>(p[1]))) {
                break; // the extension is not part of the id
            }
        } else {
            ++others;
        }
    }
    // A partly filled group is padded with code 0, which the shifts above already left there;
    // an empty name is one group of zeros.
    id ^= group;
    return id | (static_cast<uint64_t>(others % 8u) << 60);
}
