#include "zq/file/ZquPathListParser_internal.h"

#include <string_view>
#include <vector>

namespace {

constexpr size_t NR_FIELDS = 11;

int hexDigit(const char16_t c) {
    if (c >= u'0' && c <= u'9') {
        return c - u'0';
    }
    if (c >= u'A' && c <= u'F') {
        return c - u'A' + 10;
    }
    return c >= u'a' && c <= u'f' ? c - u'a' + 10 : -1;
}

bool isBlank(const char16_t c) {
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

// "%d": blanks, a sign, digits; the number must fit 0..2^31-1 to be a size.
bool parseSize(std::u16string_view field, uint32_t* size) {
    while (!field.empty() && isBlank(field.front())) {
        field.remove_prefix(1);
    }
    bool negative = false;
    if (!field.empty() && (field.front() == u'+' || field.front() == u'-')) {
        negative = field.front() == u'-';
        field.remove_prefix(1);
    }
    uint64_t value = 0;
    size_t digits = 0;
    for (; digits < field.size() && field[digits] >= u'0' && field[digits] <= u'9'; ++digits) {
        value = value * 10 + (field[digits] - u'0');
        if (value > 0x7FFFFFFFu) {
            return false;
        }
    }
    if (digits == 0 || (negative && value != 0)) {
        return false;
    }
    *size = static_cast<uint32_t>(value);
    return true;
}

// Hexadecimal digits, most significant first, one at a time; 1 to 8 of them and nothing else.
bool parseCrc(const std::u16string_view field, uint32_t* crc) {
    if (field.empty() || field.size() > 8) {
        return false;
    }
    uint32_t value = 0;
    for (const char16_t c : field) {
        const int d = hexDigit(c);
        if (d < 0) {
            return false;
        }
        value = (value << 4) | static_cast<uint32_t>(d);
    }
    *crc = value;
    return true;
}

bool endsWithItsFirst(const std::u16string_view path, const std::u16string_view extension) {
    const size_t at = path.find(extension);
    return at != std::u16string_view::npos && at + extension.size() == path.size();
}

} // namespace

ZquPathListLine zquParsePathListLine(const char16_t* const line, const char16_t* const prefix,
                                     ZquPathListEntry* const entry) {
    if (line == nullptr || prefix == nullptr || entry == nullptr) {
        return ZquPathListLine::Malformed;
    }
    std::u16string_view text(line);
    text = text.substr(0, text.find(u'\n'));

    // Up to NR_FIELDS non-empty fields; the rest of the line is not looked at.
    std::vector<std::u16string_view> fields;
    size_t at = 0;
    while (at < text.size() && fields.size() < NR_FIELDS) {
        if (text[at] == u',') {
            ++at;
            continue;
        }
        const size_t end = std::min(text.find(u',', at), text.size());
        fields.push_back(text.substr(at, end - at));
        at = end;
    }

    const std::u16string_view wanted(prefix);
    if (fields.empty() || fields[0].substr(0, wanted.size()) != wanted) {
        return ZquPathListLine::Malformed;
    }
    if (fields.size() >= 2 &&
        (endsWithItsFirst(fields[1], u".exe") || endsWithItsFirst(fields[1], u".dll"))) {
        return ZquPathListLine::Skipped;
    }
    if (fields.size() < NR_FIELDS || fields[10].substr(0, 5) != u"CRC32" ||
        !parseSize(fields[7], &entry->size) || !parseCrc(fields[9], &entry->crc)) {
        return ZquPathListLine::Malformed;
    }
    entry->path.assign(fields[1]);
    entry->name.assign(fields[2]);
    return ZquPathListLine::Counted;
}
