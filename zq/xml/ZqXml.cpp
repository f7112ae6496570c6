#include "zq/xml/ZqXml.h"

#include "zq/file/ZqByteReader.h"
#include "zq/file/ZqByteWriter.h"
#include "zq/file/ZqFile.h"
#include "zq/memory/ZqMemAlloc.h"

#include <cstdint>
#include <vector>

namespace {

// Files shorter than this hold no document worth parsing.
constexpr uint32_t MIN_FILE_SIZE = 16;

// Whole-file access for documents: all loads and saves go through the file layer's current
// Io (an enciphered Io reads and writes enciphered documents).
struct WholeFile {
    WholeFile() = default;
    ~WholeFile() { ZqMemAlloc::deallocate(data); }
    WholeFile(const WholeFile&) = delete;
    WholeFile& operator=(const WholeFile&) = delete;

    bool load(const char16_t* const path) {
        data = path != nullptr ? ZqFile::load(path, MIN_FILE_SIZE, &size) : nullptr;
        return data != nullptr;
    }

    void* data = nullptr;
    uint32_t size = 0;
};

bool writeWholeFile(const char16_t* const path, const std::vector<uint8_t>& data) {
    return path != nullptr && data.size() <= UINT32_MAX &&
           ZqFile::save(path, data.data(), static_cast<uint32_t>(data.size()));
}

} // namespace

ZqXml::ZqXml(const unsigned int maxSize) {
    // The limit is kept in whole kilobytes, rounded up.
    const uint64_t kilobytes = (uint64_t{maxSize} + 1023u) / 1024u;
    m_document = zqp::XmlDocument::create(static_cast<uint32_t>(kilobytes));
}

bool ZqXml::load(const char16_t* const path) {
    WholeFile file;
    return isValid() && file.load(path) && load(file.data, file.size);
}

bool ZqXml::load(const void* const data, const unsigned int size) {
    if (data == nullptr || size % 2 != 0) {
        return false;
    }
    // The bytes are read as little-endian code units whatever the mark says.
    ZqByteReader bytes(data, size);
    ZqString text(size / 2 + 1, u'\0');
    for (size_t i = 0; i < size / 2; ++i) {
        uint16_t c = 0;
        bytes.read(c);
        text[i] = static_cast<char16_t>(c);
    }
    const size_t start = text[0] == 0xFEFF || text[0] == 0xFFFE ? 1 : 0;
    return loadText(text.c_str() + start);
}

bool ZqXml::loadUtf8(const char16_t* const path) {
    WholeFile file;
    return isValid() && file.load(path) && loadUtf8(file.data, file.size);
}

bool ZqXml::loadUtf8(const void* const data, const unsigned int size) {
    if (data == nullptr) {
        return false;
    }
    std::string_view text(static_cast<const char*>(data), size);
    if (text.substr(0, 3) == "\xEF\xBB\xBF") {
        text.remove_prefix(3);
    }
    // Nothing to convert: not a document, but no parse failed either.
    if (text.empty()) {
        return false;
    }
    if (!m_document.parseUtf8(text)) {
        m_document.reset();
        return false;
    }
    return true;
}

bool ZqXml::loadText(const char16_t* const text) {
    if (!isValid()) {
        return false;
    }
    if (text == nullptr || !m_document.parse(text)) {
        m_document.reset();
        return false;
    }
    return true;
}

bool ZqXml::save(const char16_t* const path) const {
    ZqString text;
    if (!m_document.serialize(&text)) {
        return false;
    }
    // A byte-order mark, then little-endian code units.
    ZqByteWriter bytes;
    bytes.reserve(2 + text.size() * 2);
    bytes.u16(0xFEFF);
    for (const char16_t c : text) {
        bytes.u16(c);
    }
    return writeWholeFile(path, bytes.data());
}

bool ZqXml::saveUtf8(const char16_t* const path, const bool bom) const {
    std::string text;
    if (!m_document.serializeUtf8(&text)) {
        return false;
    }
    std::vector<uint8_t> bytes;
    bytes.reserve(4 + text.size());
    if (bom) {
        bytes.insert(bytes.end(), {0xEF, 0xBB, 0xBF});
    }
    bytes.insert(bytes.end(), text.begin(), text.end());
    // The converted text keeps its terminator.
    bytes.push_back(0);
    return writeWholeFile(path, bytes);
}

unsigned int ZqXml::getNrChildren() const {
    return m_document.documentNode().childCount();
}

ZqXml::Node ZqXml::getChildNode(const unsigned int i) const {
    return Node(m_document.documentNode().child(i));
}

ZqXml::Node ZqXml::getRootElement() const {
    for (zqp::XmlNode n = m_document.documentNode().firstChild(); n.isValid();
         n = n.nextSibling()) {
        if (n.type() == zqp::XmlNodeType::Element) {
            return Node(n);
        }
    }
    return Node();
}

ZqXml::Node ZqXml::selectSingleNode(const char16_t* const xpath) const {
    if (xpath == nullptr) {
        return Node();
    }
    return Node(m_document.selectSingleNode(xpath));
}

ZqXml::Node ZqXml::createElement(const char16_t* const name) {
    if (name == nullptr) {
        return Node();
    }
    return Node(m_document.createElement(name));
}

ZqXml::Node ZqXml::createTextNode(const char16_t* const text) {
    return Node(m_document.createTextNode(text ? text : u""));
}

ZqXml::Node ZqXml::createCDATASection(const char16_t* const text) {
    return Node(m_document.createCDataSection(text ? text : u""));
}

ZqXml::Node ZqXml::createComment(const char16_t* const text) {
    return Node(m_document.createComment(text ? text : u""));
}
