#include "zq/system/ZqSprintf.h"

#include "zq/system/ZqUtf_internal.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

// The output: a window of `capacity` characters; whatever does not fit is dropped and
// remembered, so a cut is reported and a huge width or precision costs nothing past the end.
class Output {
public:
    Output(char16_t* const buffer, const size_t capacity)
        : m_buffer(buffer), m_capacity(capacity) {}

    void put(const char16_t c) {
        if (m_length < m_capacity) {
            m_buffer[m_length++] = c;
        } else {
            m_cut = true;
        }
    }
    void fill(const char16_t c, const size_t count) {
        const size_t n = std::min(count, m_capacity - m_length);
        std::fill_n(m_buffer + m_length, n, c);
        m_length += n;
        m_cut = m_cut || n < count;
    }
    void write(const char16_t* const text, const size_t count) {
        const size_t n = std::min(count, m_capacity - m_length);
        std::copy_n(text, n, m_buffer + m_length);
        m_length += n;
        m_cut = m_cut || n < count;
    }
    void writeAscii(const char* const text, const size_t count) {
        const size_t n = std::min(count, m_capacity - m_length);
        for (size_t i = 0; i < n; ++i) {
            m_buffer[m_length + i] = static_cast<unsigned char>(text[i]);
        }
        m_length += n;
        m_cut = m_cut || n < count;
    }
    size_t length() const { return m_length; }
    bool isCut() const { return m_cut; }

private:
    char16_t* const m_buffer;
    const size_t m_capacity;
    size_t m_length = 0;
    bool m_cut = false;
};

enum class Size : uint8_t { NONE, HH, H, L, LL, LONG_DOUBLE, J, Z, T, I32, I64, WIDE };

struct Directive {
    bool left = false;
    bool plus = false;
    bool space = false;
    bool alt = false;
    bool zero = false;
    size_t width = 0;
    int precision = -1; // -1: none given
    Size size = Size::NONE;
    char16_t conversion = 0;
};

// What goes around a field's body: a prefix (sign, "0x"), leading zeros, then padding to
// the width on the side the flags say.
struct Field {
    char prefix[3] = {};
    size_t prefixLength = 0;
    size_t zeros = 0;
    size_t bodyLength = 0;
    bool zeroPad = false;
};

template <typename Body>
void emit(Output& out, const Directive& dir, const Field& f, const Body& body) {
    const size_t length = f.prefixLength + f.zeros + f.bodyLength;
    const size_t pad = dir.width > length ? dir.width - length : 0;
    const bool zeroPad = f.zeroPad && !dir.left;
    if (!dir.left && !zeroPad) {
        out.fill(u' ', pad);
    }
    out.writeAscii(f.prefix, f.prefixLength);
    if (zeroPad) {
        out.fill(u'0', pad);
    }
    out.fill(u'0', f.zeros);
    body();
    if (dir.left) {
        out.fill(u' ', pad);
    }
}

// Reads a decimal count; false when it does not fit an int.
bool readCount(const char16_t*& p, int& value) {
    int64_t v = 0;
    while (*p >= u'0' && *p <= u'9') {
        v = v * 10 + (*p - u'0');
        if (v > INT_MAX) {
            return false;
        }
        ++p;
    }
    value = static_cast<int>(v);
    return true;
}

void formatInteger(Output& out, const Directive& dir, va_list& args) {
    const char16_t conv = dir.conversion;
    const bool isSigned = conv == u'd' || conv == u'i';
    uint64_t magnitude = 0;
    bool negative = false;
    if (isSigned) {
        int64_t v = 0;
        switch (dir.size) {
        case Size::HH:
            v = static_cast<signed char>(va_arg(args, int));
            break;
        case Size::H:
            v = static_cast<short>(va_arg(args, int));
            break;
        case Size::L:
            v = va_arg(args, long);
            break;
        case Size::LL:
        case Size::LONG_DOUBLE:
        case Size::I64:
            v = va_arg(args, long long);
            break;
        case Size::J:
            v = va_arg(args, intmax_t);
            break;
        case Size::Z:
        case Size::T:
            v = va_arg(args, ptrdiff_t);
            break;
        default:
            v = va_arg(args, int);
            break;
        }
        negative = v < 0;
        magnitude = negative ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
    } else {
        switch (dir.size) {
        case Size::HH:
            magnitude = static_cast<unsigned char>(va_arg(args, unsigned));
            break;
        case Size::H:
            magnitude = static_cast<unsigned short>(va_arg(args, unsigned));
            break;
        case Size::L:
            magnitude = va_arg(args, unsigned long);
            break;
        case Size::LL:
        case Size::LONG_DOUBLE:
        case Size::I64:
            magnitude = va_arg(args, unsigned long long);
            break;
        case Size::J:
            magnitude = va_arg(args, uintmax_t);
            break;
        case Size::Z:
        case Size::T:
            magnitude = va_arg(args, size_t);
            break;
        default:
            magnitude = va_arg(args, unsigned);
            break;
        }
    }

    const unsigned base = conv == u'o' ? 8 : (conv == u'x' || conv == u'X') ? 16 : 10;
    const char* const digitSet = conv == u'X' ? "0123456789ABCDEF" : "0123456789abcdef";
    char digits[24];
    size_t n = 0;
    for (uint64_t v = magnitude; v != 0; v /= base) {
        digits[sizeof digits - 1 - n++] = digitSet[v % base];
    }
    // Precision 1 by default; an explicit 0 prints nothing for the value 0.
    if (n == 0 && dir.precision != 0) {
        digits[sizeof digits - 1 - n++] = '0';
    }

    Field f;
    const size_t precision = dir.precision < 0 ? 1 : static_cast<size_t>(dir.precision);
    f.zeros = precision > n ? precision - n : 0;
    if (conv == u'o' && dir.alt && f.zeros == 0 && (n == 0 || digits[sizeof digits - n] != '0')) {
        f.zeros = 1;
    }
    if (isSigned) {
        if (negative) {
            f.prefix[f.prefixLength++] = '-';
        } else if (dir.plus) {
            f.prefix[f.prefixLength++] = '+';
        } else if (dir.space) {
            f.prefix[f.prefixLength++] = ' ';
        }
    }
    if (dir.alt && base == 16 && magnitude != 0) {
        f.prefix[f.prefixLength++] = '0';
        f.prefix[f.prefixLength++] = static_cast<char>(conv);
    }
    f.bodyLength = n;
    f.zeroPad = dir.zero && dir.precision < 0;
    const char* const body = digits + sizeof digits - n;
    emit(out, dir, f, [&] { out.writeAscii(body, n); });
}

void formatPointer(Output& out, const Directive& dir, va_list& args) {
    const uintptr_t v = reinterpret_cast<uintptr_t>(va_arg(args, void*));
    char digits[2 * sizeof(void*)];
    for (size_t i = 0; i < sizeof digits; ++i) {
        digits[sizeof digits - 1 - i] = "0123456789ABCDEF"[(v >> (4 * i)) & 0xF];
    }
    Field f;
    f.bodyLength = sizeof digits;
    emit(out, dir, f, [&] { out.writeAscii(digits, sizeof digits); });
}

void formatFloat(Output& out, const Directive& dir, va_list& args) {
    const char16_t conv = dir.conversion;
    const bool isLong = dir.size == Size::LONG_DOUBLE;
    long double value = isLong ? va_arg(args, long double) : va_arg(args, double);
    const bool finite = std::isfinite(value);

    // Digits past what the value can carry are zeros: format a bounded precision and add the
    // rest as zeros, so that %.100000f needs no huge buffer.
    const bool hex = conv == u'a' || conv == u'A';
    int precision = dir.precision >= 0 ? dir.precision : (hex ? 13 : 6);
    const int bound = isLong ? 16500 : 1100;
    size_t extraZeros = 0;
    if (precision > bound) {
        const bool keepsZeros = !(conv == u'g' || conv == u'G') || dir.alt;
        extraZeros = finite && keepsZeros ? static_cast<size_t>(precision - bound) : 0;
        precision = bound;
    }

    char format[12];
    size_t k = 0;
    format[k++] = '%';
    if (dir.plus) {
        format[k++] = '+';
    }
    if (dir.space) {
        format[k++] = ' ';
    }
    if (dir.alt) {
        format[k++] = '#';
    }
    format[k++] = '.';
    format[k++] = '*';
    if (isLong) {
        format[k++] = 'L';
    }
    format[k++] = static_cast<char>(conv);
    format[k] = 0;

    char local[512];
    std::string large;
    const char* text = local;
    int length =
        isLong ? std::snprintf(local, sizeof local, format, precision, value)
               : std::snprintf(local, sizeof local, format, precision, static_cast<double>(value));
    if (length < 0) {
        return;
    }
    if (static_cast<size_t>(length) >= sizeof local) {
        large.resize(static_cast<size_t>(length) + 1);
        length = isLong ? std::snprintf(large.data(), large.size(), format, precision, value)
                        : std::snprintf(large.data(), large.size(), format, precision,
                                        static_cast<double>(value));
        text = large.data();
    }

    // Split off the sign and the hex prefix so zero padding goes behind them.
    Field f;
    size_t start = 0;
    if (text[0] == '-' || text[0] == '+' || text[0] == ' ') {
        f.prefix[f.prefixLength++] = text[start++];
    }
    if (hex && finite && text[start] == '0' && (text[start + 1] == 'x' || text[start + 1] == 'X')) {
        f.prefix[f.prefixLength++] = text[start++];
        f.prefix[f.prefixLength++] = text[start++];
    }
    const char* const body = text + start;
    const size_t bodyLength = static_cast<size_t>(length) - start;
    size_t split = bodyLength;
    if (extraZeros > 0) {
        const char* const marker = std::strpbrk(body, hex ? "pP" : "eE");
        if (marker != nullptr && !(conv == u'f' || conv == u'F')) {
            split = static_cast<size_t>(marker - body);
        }
    }
    f.bodyLength = bodyLength + extraZeros;
    f.zeroPad = dir.zero && finite;
    emit(out, dir, f, [&] {
        out.writeAscii(body, split);
        out.fill(u'0', extraZeros);
        out.writeAscii(body + split, bodyLength - split);
    });
}

bool wideArgument(const Directive& dir) {
    // In a wide format the plain conversion is wide and the capital one narrow; h forces
    // narrow, l and w force wide.
    if (dir.size == Size::H) {
        return false;
    }
    if (dir.size == Size::L || dir.size == Size::WIDE) {
        return true;
    }
    return dir.conversion == u's' || dir.conversion == u'c';
}

void formatString(Output& out, const Directive& dir, va_list& args) {
    static constexpr char16_t NULL_TEXT[] = u"(null)";
    Field f;
    if (wideArgument(dir)) {
        const char16_t* s = va_arg(args, const char16_t*);
        if (s == nullptr) {
            s = NULL_TEXT;
        }
        // With a precision the text need not be terminated: never look past it.
        const size_t limit = dir.precision < 0 ? SIZE_MAX : static_cast<size_t>(dir.precision);
        size_t n = 0;
        while (n < limit && s[n] != 0) {
            ++n;
        }
        f.bodyLength = n;
        f.zeroPad = dir.zero;
        emit(out, dir, f, [&] { out.write(s, n); });
        return;
    }
    const char* s = va_arg(args, const char*);
    if (s == nullptr) {
        s = "(null)";
    }
    const size_t limit = dir.precision < 0 ? SIZE_MAX : static_cast<size_t>(dir.precision);
    size_t n = 0;
    while (n < limit && s[n] != 0) {
        ++n;
    }
    // The precision counts bytes; a character it cuts in two is left out, not half-shown.
    if (n == limit) {
        n = zqUtf8CompleteLength(s, n);
    }
    zqUtf8Decode(s, n, [&](char16_t) { ++f.bodyLength; });
    f.zeroPad = dir.zero;
    emit(out, dir, f, [&] { zqUtf8Decode(s, n, [&](const char16_t c) { out.put(c); }); });
}

void formatChar(Output& out, const Directive& dir, va_list& args) {
    const int v = va_arg(args, int);
    const char16_t c = wideArgument(dir) ? static_cast<char16_t>(v)
                                         : static_cast<char16_t>(static_cast<unsigned char>(v));
    Field f;
    f.bodyLength = 1;
    f.zeroPad = dir.zero;
    emit(out, dir, f, [&] { out.put(c); });
}

// Parses one conversion after its '%'; false for a malformed or refused one.
bool parseDirective(const char16_t*& p, Directive& dir, va_list& args) {
    for (;; ++p) {
        if (*p == u'-') {
            dir.left = true;
        } else if (*p == u'+') {
            dir.plus = true;
        } else if (*p == u' ') {
            dir.space = true;
        } else if (*p == u'#') {
            dir.alt = true;
        } else if (*p == u'0') {
            dir.zero = true;
        } else {
            break;
        }
    }
    if (*p == u'*') {
        ++p;
        const int w = va_arg(args, int);
        if (w == INT_MIN) {
            return false;
        }
        // A negative width from the arguments is a '-' flag with that width.
        dir.left = dir.left || w < 0;
        dir.width = static_cast<size_t>(w < 0 ? -w : w);
    } else {
        int w = 0;
        if (!readCount(p, w)) {
            return false;
        }
        dir.width = static_cast<size_t>(w);
    }
    if (*p == u'.') {
        ++p;
        if (*p == u'*') {
            ++p;
            const int v = va_arg(args, int);
            dir.precision = v < 0 ? -1 : v;
        } else if (!readCount(p, dir.precision)) {
            return false;
        }
    }
    switch (*p) {
    case u'h':
        dir.size = p[1] == u'h' ? Size::HH : Size::H;
        p += dir.size == Size::HH ? 2 : 1;
        break;
    case u'l':
        dir.size = p[1] == u'l' ? Size::LL : Size::L;
        p += dir.size == Size::LL ? 2 : 1;
        break;
    case u'L':
        dir.size = Size::LONG_DOUBLE;
        ++p;
        break;
    case u'j':
        dir.size = Size::J;
        ++p;
        break;
    case u'z':
        dir.size = Size::Z;
        ++p;
        break;
    case u't':
        dir.size = Size::T;
        ++p;
        break;
    case u'w':
        dir.size = Size::WIDE;
        ++p;
        break;
    case u'I':
        if (p[1] == u'6' && p[2] == u'4') {
            dir.size = Size::I64;
            p += 3;
        } else if (p[1] == u'3' && p[2] == u'2') {
            dir.size = Size::I32;
            p += 3;
        } else {
            dir.size = Size::Z;
            ++p;
        }
        break;
    default:
        break;
    }
    dir.conversion = *p;
    if (*p != 0) {
        ++p;
    }
    return true;
}

int formatBody(Output& out, const char16_t* p, va_list& args) {
    while (*p != 0) {
        if (*p != u'%') {
            const char16_t* const run = p;
            while (*p != 0 && *p != u'%') {
                ++p;
            }
            out.write(run, static_cast<size_t>(p - run));
            continue;
        }
        ++p;
        Directive dir;
        if (!parseDirective(p, dir, args)) {
            return -1;
        }
        switch (dir.conversion) {
        case u'%':
            out.put(u'%');
            break;
        case u'd':
        case u'i':
        case u'u':
        case u'o':
        case u'x':
        case u'X':
            formatInteger(out, dir, args);
            break;
        case u'e':
        case u'E':
        case u'f':
        case u'F':
        case u'g':
        case u'G':
        case u'a':
        case u'A':
            formatFloat(out, dir, args);
            break;
        case u'c':
        case u'C':
            formatChar(out, dir, args);
            break;
        case u's':
        case u'S':
            formatString(out, dir, args);
            break;
        case u'p':
            formatPointer(out, dir, args);
            break;
        default:
            // %n (writes through an argument), %Z and anything unknown are refused.
            return -1;
        }
    }
    return 0;
}

} // namespace

int zqVsprintf(char16_t* const buffer, const size_t size, const char16_t* const format,
               va_list args) {
    if (buffer == nullptr || size == 0 || format == nullptr) {
        return -1;
    }
    Output out(buffer, size - 1);
    va_list work;
    va_copy(work, args);
    const int status = formatBody(out, format, work);
    va_end(work);
    if (status < 0) {
        buffer[0] = 0;
        return -1;
    }
    buffer[out.length()] = 0;
    if (out.isCut() || out.length() > static_cast<size_t>(INT_MAX)) {
        return -1;
    }
    return static_cast<int>(out.length());
}

int zqSprintf(char16_t* const buffer, const size_t size, const char16_t* const format, ...) {
    va_list args;
    va_start(args, format);
    const int result = zqVsprintf(buffer, size, format, args);
    va_end(args);
    return result;
}
