#include "zq/file/ZqRegistry.h"

#include "zq/file/ZqByteReader.h"
#include "zq/platform/registry/registry.h"
#include "zq/system/ZqSprintf.h"

namespace {

// Registry data as text: UTF-16 little-endian up to the first 0 unit or the end of the stored
// bytes, whichever comes first; a lone last byte is no character.
ZqString dataText(const std::vector<uint8_t>& data) {
    ZqString text;
    ZqByteReader r(data.data(), data.size());
    for (uint16_t c = 0; r.read(c) && c != 0;) {
        text.push_back(static_cast<char16_t>(c));
    }
    return text;
}

} // namespace

ZqRegistry::ZqRegistry() = default;

ZqRegistry::~ZqRegistry() {
    close();
}

bool ZqRegistry::open(const bool machine, const char16_t* const path) {
    close();
    char16_t key[MAX_PATH] = {};
    const int n = path != nullptr ? zqSprintf(key, MAX_PATH, u"%s\\%s", u"Software", path)
                                  : zqSprintf(key, MAX_PATH, u"%s", u"Software");
    // A path that does not fit would name a different, shorter key.
    if (n < 0) {
        return false;
    }
    m_key = zqp::RegistryKey::open(machine, key);
    return m_key != nullptr;
}

void ZqRegistry::close() {
    m_key.reset();
}

bool ZqRegistry::get(const char16_t* const name, ZqString* const value) const {
    std::vector<uint8_t> data;
    const ZqString key = name != nullptr ? ZqString(name) : ZqString();
    if (!m_key || !m_key->queryValue(key, &data) || data.size() > MAX_DATA) {
        return false;
    }
    *value = dataText(data);
    return true;
}

bool ZqRegistry::get(ZqMap<ZqString, ZqString>* const values) const {
    if (!m_key) {
        return false;
    }
    for (const zqp::RegistryKey::Value& v : m_key->values()) {
        if (v.name.size() >= MAX_NAME || v.data.size() > MAX_DATA) {
            return false;
        }
        (*values)[v.name] = dataText(v.data);
    }
    return true;
}

bool ZqRegistry::get(ZqVector<ZqString>* const keys) const {
    if (!m_key) {
        return false;
    }
    for (const ZqString& name : m_key->subkeys()) {
        if (name.size() >= MAX_NAME) {
            return false;
        }
        keys->push_back(name);
    }
    return true;
}

bool ZqRegistry::getValue(const bool machine, const char16_t* const path,
                          const char16_t* const name, ZqString* const value) {
    if (value == nullptr) {
        return false;
    }
    ZqRegistry registry;
    return registry.open(machine, path) && registry.get(name, value);
}

bool ZqRegistry::getAllValues(const bool machine, const char16_t* const path,
                              ZqMap<ZqString, ZqString>* const values) {
    if (values == nullptr) {
        return false;
    }
    ZqRegistry registry;
    return registry.open(machine, path) && registry.get(values);
}

bool ZqRegistry::getAllKeys(const bool machine, const char16_t* const path,
                            ZqVector<ZqString>* const keys) {
    if (keys == nullptr) {
        return false;
    }
    ZqRegistry registry;
    return registry.open(machine, path) && registry.get(keys);
}
