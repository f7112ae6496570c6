// UTF-8 <-> UTF-16 transcoding behind the framework's text functions (conversions, the
// formatter's narrow strings). Ill-formed input is replaced, never refused: each maximal
// ill-formed subpart of UTF-8 and each unpaired surrogate of UTF-16 becomes U+FFFD. Nothing is
// read past the given length. Internal to the framework; plain code, any thread.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr char16_t ZQ_REPLACEMENT_CHARACTER = 0xFFFD;

// Decodes `length` bytes, handing each UTF-16 unit to put(char16_t).
template <typename Put> void zqUtf8Decode(const char* const text, const size_t length, Put&& put) {
    const auto* const s = reinterpret_cast<const unsigned char*>(text);
    size_t i = 0;
    while (i < length) {
        const unsigned c = s[i];
        if (c < 0x80) {
            put(static_cast<char16_t>(c));
            ++i;
            continue;
        }
        // The lead byte fixes the count of continuation bytes and the range of the first one
        // (which excludes overlong forms, surrogates and values past U+10FFFF).
        unsigned need = 0;
        unsigned lo = 0x80;
        unsigned hi = 0xBF;
        char32_t cp = 0;
        if (c >= 0xC2 && c <= 0xDF) {
            need = 1;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            need = 2;
            cp = c & 0x0F;
            lo = c == 0xE0 ? 0xA0 : 0x80;
            hi = c == 0xED ? 0x9F : 0xBF;
        } else if (c >= 0xF0 && c <= 0xF4) {
            need = 3;
            cp = c & 0x07;
            lo = c == 0xF0 ? 0x90 : 0x80;
            hi = c == 0xF4 ? 0x8F : 0xBF;
        } else {
            put(ZQ_REPLACEMENT_CHARACTER);
            ++i;
            continue;
        }
        unsigned k = 1;
        for (; k <= need; ++k) {
            if (i + k >= length) {
                break;
            }
            const unsigned cc = s[i + k];
            if (cc < lo || cc > hi) {
                break;
            }
            cp = (cp << 6) | (cc & 0x3F);
            lo = 0x80;
            hi = 0xBF;
        }
        if (k <= need) {
            // The valid start of a sequence that stops early: one replacement for all of it.
            put(ZQ_REPLACEMENT_CHARACTER);
            i += k;
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            put(static_cast<char16_t>(0xD800 + (cp >> 10)));
            put(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            put(static_cast<char16_t>(cp));
        }
        i += need + 1;
    }
}

// Encodes `length` UTF-16 units, handing each UTF-8 byte to put(char).
template <typename Put>
void zqUtf16Encode(const char16_t* const text, const size_t length, Put&& put) {
    for (size_t i = 0; i < length; ++i) {
        char32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < length && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = ZQ_REPLACEMENT_CHARACTER;
        }
        if (cp < 0x80) {
            put(static_cast<char>(cp));
        } else if (cp < 0x800) {
            put(static_cast<char>(0xC0 | (cp >> 6)));
            put(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            put(static_cast<char>(0xE0 | (cp >> 12)));
            put(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            put(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            put(static_cast<char>(0xF0 | (cp >> 18)));
            put(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            put(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            put(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
}

// `length` shortened so that it does not end inside a multi-byte sequence that the bytes
// present begin but do not finish.
inline size_t zqUtf8CompleteLength(const char* const text, const size_t length) {
    const auto* const s = reinterpret_cast<const unsigned char*>(text);
    // Step back over at most three continuation bytes to the lead of the last sequence.
    size_t lead = length;
    for (size_t back = 1; back <= 4 && back <= length; ++back) {
        const unsigned c = s[length - back];
        if ((c & 0xC0) != 0x80) {
            lead = length - back;
            break;
        }
    }
    if (lead == length) {
        return length;
    }
    const unsigned c = s[lead];
    const size_t need = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    return length - lead < need ? lead : length;
}
