#include "dorvanex/scene/CResourceManifest.h"

#include <string_view>

namespace {

constexpr CResourceEntry NO_ENTRY = {0xFFFFFFFFu, u""};

bool endsWith(const std::u16string_view name, const std::u16string_view tail) {
    if (name.size() < tail.size()) {
        return false;
    }
    const std::u16string_view end = name.substr(name.size() - tail.size());
    for (size_t i = 0; i < tail.size(); ++i) {
        char16_t a = end[i], b = tail[i];
        a = a >= u'A' && a <= u'Z' ? static_cast<char16_t>(a - u'A' + u'a') : a;
        b = b >= u'A' && b <= u'Z' ? static_cast<char16_t>(b - u'A' + u'a') : b;
        if (a != b) {
            return false;
        }
    }
    return true;
}

} // namespace

bool getArchivePath(const uint32_t archive, char16_t* const buffer, const uint32_t size) {
    if (buffer == nullptr || size == 0) {
        return false;
    }
    buffer[0] = 0;
    if (archive >= NR_ARCHIVES) {
        return false;
    }
    const std::u16string_view prefix = u"Arc/";
    const std::u16string_view name = manifest_data::ARCHIVE_NAMES[archive];
    if (prefix.size() + name.size() + 1 > size) {
        return false;
    }
    prefix.copy(buffer, prefix.size());
    name.copy(buffer + prefix.size(), name.size());
    buffer[prefix.size() + name.size()] = 0;
    return true;
}

const char16_t* getArchiveName(const uint32_t archive) {
    return archive < NR_ARCHIVES ? manifest_data::ARCHIVE_NAMES[archive] : nullptr;
}

const CResourceEntry& getResourceEntry(const uint32_t index) {
    return index < NR_RESOURCES ? manifest_data::ROWS[index] : NO_ENTRY;
}

uint32_t getArchiveFirstRow(const uint32_t archive) {
    uint32_t row = 0;
    while (row < NR_RESOURCES && manifest_data::ROWS[row].archive < archive) {
        ++row;
    }
    return row;
}

uint32_t getArchiveRowCount(const uint32_t archive) {
    uint32_t row = getArchiveFirstRow(archive);
    uint32_t n = 0;
    while (row + n < NR_RESOURCES && manifest_data::ROWS[row + n].archive == archive) {
        ++n;
    }
    return n;
}

uint32_t getResourceKindOfName(const char16_t* const name) {
    if (name == nullptr) {
        return KIND_NONE;
    }
    static constexpr struct {
        const char16_t* tail;
        uint32_t kind;
    } KINDS[] = {{u".texanime", KIND_TEXTURE_ANIMATION},
                 {u".camanime", KIND_CAMERA_ANIMATION},
                 {u".anime", KIND_ANIMATION},
                 {u".model", KIND_MODEL},
                 {u".png", KIND_TEXTURE},
                 {u".dds", KIND_TEXTURE},
                 {u".maf", KIND_FACE},
                 {u".eff", KIND_EFFECT_SET},
                 {u".sound", KIND_SOUND_EFFECT},
                 {u".dld", KIND_LAYOUT},
                 {u".scd", KIND_SOUND_LIST},
                 {u".ttf", KIND_FONTS}};
    for (const auto& k : KINDS) {
        if (endsWith(name, k.tail)) {
            return k.kind;
        }
    }
    return KIND_NONE;
}
