#include "zq/platform/registry/registry.h"

#include "zq/platform/fs/readfile.h"
#include "zq/platform/os/utf.h"

#include <algorithm>
#include <cstdlib>
#include <optional>

namespace zqp {

namespace {

using Path = std::vector<std::string>; // folded components, root first ("user" / "machine")

char foldAscii(const char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

std::string fold(const std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), foldAscii);
    return out;
}

bool equalFolded(const std::u16string& a, const std::u16string& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char16_t x, char16_t y) {
        return (x >= u'A' && x <= u'Z' ? x + 32 : x) == (y >= u'A' && y <= u'Z' ? y + 32 : y);
    });
}

std::string_view trim(std::string_view s) {
    const size_t begin = s.find_first_not_of(" \t\r");
    if (begin == std::string_view::npos) {
        return {};
    }
    const size_t end = s.find_last_not_of(" \t\r");
    return s.substr(begin, end - begin + 1);
}

std::vector<std::string_view> split(const std::string_view s) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    for (;;) {
        const size_t at = s.find('\\', start);
        parts.push_back(s.substr(start, at == std::string_view::npos ? at : at - start));
        if (at == std::string_view::npos) {
            return parts;
        }
        start = at + 1;
    }
}

std::optional<std::string> rootName(const std::string_view s) {
    const std::string f = fold(s);
    if (f == "hkey_current_user" || f == "hkcu") {
        return "user";
    }
    if (f == "hkey_local_machine" || f == "hklm") {
        return "machine";
    }
    return std::nullopt;
}

// A block header "[ROOT\a\b]": its path with the original spelling of each component, or
// nothing when it names no valid key.
std::optional<std::vector<std::string_view>> parseHeader(const std::string_view line) {
    if (line.size() < 2 || line.front() != '[' || line.back() != ']') {
        return std::nullopt;
    }
    std::vector<std::string_view> parts = split(line.substr(1, line.size() - 2));
    if (!rootName(parts[0])) {
        return std::nullopt;
    }
    for (const std::string_view p : parts) {
        if (p.empty()) {
            return std::nullopt;
        }
    }
    return parts;
}

// A quoted string at the start of s with \\ and \" escapes; s moves past it.
std::optional<std::string> parseQuoted(std::string_view& s) {
    if (s.empty() || s.front() != '"') {
        return std::nullopt;
    }
    std::string out;
    for (size_t i = 1; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '"') {
            s.remove_prefix(i + 1);
            return out;
        }
        if (c == '\\') {
            if (i + 1 >= s.size() || (s[i + 1] != '\\' && s[i + 1] != '"')) {
                return std::nullopt;
            }
            out.push_back(s[++i]);
            continue;
        }
        out.push_back(c);
    }
    return std::nullopt;
}

int hexDigit(const char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    const char f = foldAscii(c);
    return f >= 'a' && f <= 'f' ? f - 'a' + 10 : -1;
}

// Exactly `digits` hex digits as a little-endian number of digits / 2 bytes.
std::optional<std::vector<uint8_t>> parseNumber(const std::string_view s, const size_t digits) {
    if (s.size() != digits) {
        return std::nullopt;
    }
    uint64_t value = 0;
    for (const char c : s) {
        const int d = hexDigit(c);
        if (d < 0) {
            return std::nullopt;
        }
        value = (value << 4) | static_cast<uint64_t>(d);
    }
    std::vector<uint8_t> bytes(digits / 2);
    for (size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<uint8_t>(value >> (8 * i));
    }
    return bytes;
}

// "01,02, ff": pairs of hex digits separated by commas; empty for no bytes.
std::optional<std::vector<uint8_t>> parseBytes(std::string_view s) {
    std::vector<uint8_t> bytes;
    s = trim(s);
    if (s.empty()) {
        return bytes;
    }
    for (;;) {
        s = trim(s);
        if (s.size() < 2 || hexDigit(s[0]) < 0 || hexDigit(s[1]) < 0) {
            return std::nullopt;
        }
        bytes.push_back(static_cast<uint8_t>(hexDigit(s[0]) * 16 + hexDigit(s[1])));
        s = trim(s.substr(2));
        if (s.empty()) {
            return bytes;
        }
        if (s.front() != ',') {
            return std::nullopt;
        }
        s.remove_prefix(1);
    }
}

// A value line: name (quoted, or @ for the default value), '=', typed data.
std::optional<RegistryKey::Value> parseValue(std::string_view line) {
    std::string name;
    if (!line.empty() && line.front() == '@') {
        line.remove_prefix(1);
    } else {
        std::optional<std::string> quoted = parseQuoted(line);
        if (!quoted) {
            return std::nullopt;
        }
        name = std::move(*quoted);
    }
    line = trim(line);
    if (line.empty() || line.front() != '=') {
        return std::nullopt;
    }
    line = trim(line.substr(1));
    RegistryKey::Value value;
    value.name = utf8ToUtf16(name);
    std::optional<std::vector<uint8_t>> data;
    if (!line.empty() && line.front() == '"') {
        std::optional<std::string> text = parseQuoted(line);
        if (!text || !trim(line).empty()) {
            return std::nullopt;
        }
        const std::u16string wide = utf8ToUtf16(*text);
        std::vector<uint8_t> bytes;
        bytes.reserve(wide.size() * 2 + 2);
        for (const char16_t c : wide) {
            bytes.push_back(static_cast<uint8_t>(c & 0xFF));
            bytes.push_back(static_cast<uint8_t>(c >> 8));
        }
        bytes.push_back(0);
        bytes.push_back(0);
        data = std::move(bytes);
    } else {
        const size_t colon = line.find(':');
        if (colon == std::string_view::npos) {
            return std::nullopt;
        }
        const std::string type = fold(trim(line.substr(0, colon)));
        const std::string_view rest = trim(line.substr(colon + 1));
        if (type == "dword") {
            data = parseNumber(rest, 8);
        } else if (type == "qword") {
            data = parseNumber(rest, 16);
        } else if (type == "hex") {
            data = parseBytes(rest);
        }
    }
    if (!data) {
        return std::nullopt;
    }
    value.data = std::move(*data);
    return value;
}

// A registry file is a few kilobytes of text; anything near this is not one.
constexpr uint64_t MAX_FILE_SIZE = 16u << 20;

// A folder, a device or a FIFO named as the registry file reads as a missing file.
bool readFile(const std::string& path, std::string* text) {
    return readWholeFile(path, MAX_FILE_SIZE, *text);
}

} // namespace

std::string RegistryKey::filePath() {
    if (const char* file = std::getenv("DORVANEX_REGISTRY"); file && *file) {
        return file;
    }
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config == '/') {
        return std::string(config) + "/dorvanex/registry.txt";
    }
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : ".") + "/.config/dorvanex/registry.txt";
}

std::unique_ptr<RegistryKey> RegistryKey::open(const bool machine, const std::u16string_view path) {
    // The key asked for, folded, root first.
    Path want{machine ? "machine" : "user"};
    {
        std::vector<std::string_view> parts;
        const std::string narrow = utf16ToUtf8(path);
        if (!narrow.empty()) {
            parts = split(narrow);
            if (parts.size() > 1 && parts.back().empty()) {
                parts.pop_back(); // "Software\" names the same key as "Software"
            }
        }
        for (const std::string_view p : parts) {
            if (p.empty()) {
                return nullptr;
            }
            want.push_back(fold(p));
        }
    }

    std::string text;
    if (!readFile(filePath(), &text)) {
        return nullptr;
    }
    std::string_view rest(text);
    if (rest.substr(0, 3) == "\xEF\xBB\xBF") {
        rest.remove_prefix(3);
    }

    auto key = std::make_unique<RegistryKey>();
    bool found = false;
    bool inKey = false; // the current block is the key asked for
    std::vector<std::string> subkeysFolded;
    while (!rest.empty()) {
        const size_t eol = rest.find('\n');
        if (eol == std::string_view::npos) {
            break; // a last line without its line feed was cut off
        }
        const std::string_view line = trim(rest.substr(0, eol));
        rest.remove_prefix(eol + 1);
        if (line.empty() || line.front() == ';' || line.front() == '#') {
            continue;
        }
        if (line.front() == '[') {
            inKey = false;
            const std::optional<std::vector<std::string_view>> header = parseHeader(line);
            if (!header || header->size() < want.size() || *rootName((*header)[0]) != want[0]) {
                continue;
            }
            bool prefix = true;
            for (size_t i = 1; i < want.size() && prefix; ++i) {
                prefix = fold((*header)[i]) == want[i];
            }
            if (!prefix) {
                continue;
            }
            found = true;
            if (header->size() == want.size()) {
                inKey = true;
                continue;
            }
            const std::string_view sub = (*header)[want.size()];
            const std::string subFolded = fold(sub);
            if (std::find(subkeysFolded.begin(), subkeysFolded.end(), subFolded) ==
                subkeysFolded.end()) {
                subkeysFolded.push_back(subFolded);
                key->m_subkeys.push_back(utf8ToUtf16(sub));
            }
            continue;
        }
        if (!inKey) {
            continue;
        }
        std::optional<Value> value = parseValue(line);
        if (!value) {
            continue;
        }
        const auto same =
            std::find_if(key->m_values.begin(), key->m_values.end(),
                         [&](const Value& v) { return equalFolded(v.name, value->name); });
        if (same != key->m_values.end()) {
            same->data = std::move(value->data);
        } else {
            key->m_values.push_back(std::move(*value));
        }
    }
    if (!found) {
        return nullptr;
    }
    std::sort(key->m_subkeys.begin(), key->m_subkeys.end(),
              [](const std::u16string& a, const std::u16string& b) {
                  return std::lexicographical_compare(
                      a.begin(), a.end(), b.begin(), b.end(), [](char16_t x, char16_t y) {
                          return (x >= u'A' && x <= u'Z' ? x + 32 : x) <
                                 (y >= u'A' && y <= u'Z' ? y + 32 : y);
                      });
              });
    return key;
}

bool RegistryKey::queryValue(const std::u16string_view name, std::vector<uint8_t>* data) const {
    const std::u16string wanted(name);
    for (const Value& v : m_values) {
        if (equalFolded(v.name, wanted)) {
            *data = v.data;
            return true;
        }
    }
    return false;
}

} // namespace zqp
