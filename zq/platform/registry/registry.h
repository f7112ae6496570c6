// The read-only registry: keys and values below the user's and the machine's root, read
// from one plain text file. Nothing here writes it; it is edited by hand or by tools.
//
// The file is UTF-8 (a byte-order mark is allowed), one key per block:
//
//   ; a comment ('#' also starts one)
//   [HKEY_CURRENT_USER\Software\Vendor\Game]        (or HKCU; HKEY_LOCAL_MACHINE or HKLM)
//   "Name"="text"                   string: UTF-16LE with a terminating 0 (\\ and \" escape)
//   "Count"=dword:0000002a          4 bytes, little-endian, exactly 8 hex digits
//   "Size"=qword:000000000000002a   8 bytes, little-endian, exactly 16 hex digits
//   "Blob"=hex:01,02,ff             the bytes as given
//   @="the key's default value"
//
// A block names its key in full; the keys on its path exist with it. Blocks of the same key
// add up; a value named twice keeps the later data. Names compare without regard to ASCII
// case. A line that does not read cleanly (a cut-off file, a typo) is left out, so its value
// reads as missing; values after a bad block header belong to no key. Every line ends with a
// line feed: a last line without one is taken as cut off and left out.
// The file is DORVANEX_REGISTRY, or registry.txt in the user's configuration folder
// ($XDG_CONFIG_HOME/dorvanex, default ~/.config/dorvanex). Any thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zqp {

class RegistryKey {
public:
    struct Value {
        std::u16string name;
        std::vector<uint8_t> data;
    };

    // The key at path ('\\'-separated, e.g. "Software\\Vendor") below the machine's root
    // when machine is true, else below the user's; a snapshot of the file as it is now.
    // Null when the file or the key is missing.
    static std::unique_ptr<RegistryKey> open(bool machine, std::u16string_view path);
    // Where the registry file is looked for.
    static std::string filePath();

    // The data of the named value; an empty name is the key's default value ("@").
    // False when the key has no such value.
    bool queryValue(std::u16string_view name, std::vector<uint8_t>* data) const;
    // Values in the order the file gives them.
    const std::vector<Value>& values() const { return m_values; }
    // Names of the direct subkeys, sorted without regard to ASCII case.
    const std::vector<std::u16string>& subkeys() const { return m_subkeys; }

private:
    std::vector<Value> m_values;
    std::vector<std::u16string> m_subkeys;
};

} // namespace zqp
