// ZqRegistry: reads text values and key names below the "Software" key of the user or of the
// machine. Read-only; nothing in the framework writes the registry. Used through its three
// static members, which keep no shared state and may run on any thread. Failures are
// reported by the false result alone; outputs keep what was stored before a failure.
// Depends on the platform's registry layer.
#pragma once

#include "zq/file/ZqContainer.h"
#include "zq/system/ZqString.h"

#include <memory>

namespace zqp {
class RegistryKey;
}

class ZqRegistry {
public:
    // Buffer sizes of one read: names in UTF-16 units with their terminator, data in bytes,
    // key paths in UTF-16 units with their terminator.
    static constexpr unsigned int MAX_NAME = 256;
    static constexpr unsigned int MAX_DATA = 512;
    static constexpr unsigned int MAX_PATH = 256;

    // The value (null name: the key's default value) of the key "Software\path" ("Software"
    // for a null path), as text: its data read as UTF-16 up to the first 0 or its stored
    // length, whatever its type. False for a missing key or value, data over 512 bytes or a
    // path too long; the string is then unchanged.
    static bool getValue(bool machine, const char16_t* path, const char16_t* name, ZqString* value);
    // Every value of the key into the map under its name (replacing an entry of that name).
    // False when the key is missing or when a value's name (256 units or more) or data
    // (over 512 bytes) does not fit; the values stored before it stay.
    static bool getAllValues(bool machine, const char16_t* path, ZqMap<ZqString, ZqString>* values);
    // The names of the key's direct subkeys appended to the vector; false as above.
    static bool getAllKeys(bool machine, const char16_t* path, ZqVector<ZqString>* keys);

    ~ZqRegistry();
    ZqRegistry(const ZqRegistry&) = delete;
    ZqRegistry& operator=(const ZqRegistry&) = delete;

private:
    ZqRegistry();

    bool open(bool machine, const char16_t* path);
    bool get(const char16_t* name, ZqString* value) const;
    bool get(ZqMap<ZqString, ZqString>* values) const;
    bool get(ZqVector<ZqString>* keys) const;
    void close();

    std::unique_ptr<zqp::RegistryKey> m_key;
};
