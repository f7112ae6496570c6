#include "zq/system/ZqString.h"

#include "zq/system/ZqUtf_internal.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <new>

namespace {

constexpr int ERROR_INVALID = 22;
constexpr int ERROR_RANGE = 34;

// Units of a text to convert: the given length, or through the terminator for -1.
template <typename Char> size_t sourceUnits(const Char* const text, const int length) {
    if (length >= 0) {
        return static_cast<size_t>(length);
    }
    size_t n = 0;
    while (text[n] != 0) {
        ++n;
    }
    return n + 1;
}

// The steps both directions share: measure, convert into a buffer with room for a terminator
// when the source has none at its end, and hand over the text up to its first 0.
template <typename From, typename To, typename Convert>
int convert(const From* const text, const int length, std::basic_string<To>& out,
            const Convert& run) {
    if (text == nullptr || length == 0 || length < -1) {
        out.clear();
        return 0;
    }
    const size_t units = sourceUnits(text, length);
    size_t needed = 0;
    run(text, units, [&needed](To) { ++needed; });
    if (needed == 0 || needed > static_cast<size_t>(INT_MAX)) {
        out.clear();
        return 0;
    }
    const bool addTerminator = length >= 1 && text[length - 1] != 0;
    try {
        std::basic_string<To> buffer(needed + (addTerminator ? 1 : 0), To{0});
        size_t at = 0;
        run(text, units, [&buffer, &at](const To c) { buffer[at++] = c; });
        const size_t end = std::find(buffer.begin(), buffer.end(), To{0}) - buffer.begin();
        buffer.resize(end);
        out = std::move(buffer);
    } catch (const std::bad_alloc&) {
        out.clear();
        return 0;
    }
    return static_cast<int>(needed);
}

bool isBlank(const char16_t c) {
    return c == 9 || c == 10 || c == 13 || c == 32;
}

} // namespace

int zqChar2Utf8(const char16_t* const text, const int length, ZqStringMb& out) {
    return convert(text, length, out,
                   [](const char16_t* s, size_t n, const auto& put) { zqUtf16Encode(s, n, put); });
}

int zqUtf82Char(const char* const text, const int length, ZqString& out) {
    return convert(text, length, out,
                   [](const char* s, size_t n, const auto& put) { zqUtf8Decode(s, n, put); });
}

int zqChar2Utf8Body(const char16_t* const text, const int length, char* const buffer,
                    const size_t size) {
    if (text == nullptr || buffer == nullptr || size == 0 || length == 0 || length < -1) {
        return 0;
    }
    const size_t units = sourceUnits(text, length);
    size_t needed = 0;
    zqUtf16Encode(text, units, [&needed](char) { ++needed; });
    if (needed > size || needed > static_cast<size_t>(INT_MAX)) {
        return 0;
    }
    size_t at = 0;
    zqUtf16Encode(text, units, [buffer, &at](const char c) { buffer[at++] = c; });
    return static_cast<int>(needed);
}

int zqStrtrim(char16_t* const destination, const size_t size, const char16_t* const source) {
    if (destination == nullptr || size == 0) {
        errno = ERROR_INVALID;
        return ERROR_INVALID;
    }
    if (source == nullptr) {
        destination[0] = 0;
        errno = ERROR_INVALID;
        return ERROR_INVALID;
    }
    size_t begin = 0;
    while (isBlank(source[begin])) {
        ++begin;
    }
    size_t end = begin;
    while (source[end] != 0) {
        ++end;
    }
    while (end > begin && isBlank(source[end - 1])) {
        --end;
    }
    const size_t count = end - begin;
    if (count >= size) {
        destination[0] = 0;
        errno = ERROR_RANGE;
        return ERROR_RANGE;
    }
    // memmove: trimming a buffer into itself is a natural use.
    std::memmove(destination, source + begin, count * sizeof(char16_t));
    destination[count] = 0;
    return 0;
}
