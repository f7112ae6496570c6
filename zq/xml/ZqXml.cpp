#include "zq/xml/ZqXml.h"

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

// Files shorter than this hold no document worth parsing.
constexpr unsigned int MIN_FILE_SIZE = 16;

// Whole-file access for documents: all loads and saves go through these two.
bool readWholeFile(const char16_t* const path, std::vector<uint8_t>* const data) {
    if (path == nullptr) {
        return false;
    }
    std::ifstream in(std::filesystem::path(ZqString(path)), std::ios::binary);
    if (!in) {
        return false;
    }
    data->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad() && data->size() >= MIN_FILE_SIZE;
}

bool writeWholeFile(const char16_t* const path, const std::vector<uint8_t>& data) {
    if (path == nullptr) {
        return false;
    }
    std::ofstream out(std::filesystem::path(ZqString(path)), std::ios::binary | std::ios::trunc);
    if (!out) {
        return false;
    }
    out.write(reinterpret_cast<const char*>(data.data()),
              static_cast<std::streamsize>(data.size()));
    out.close();
    return !out.fail();
}

} // namespace

ZqXml::ZqXml(const unsigned int maxSize) {
    // The limit is kept in whole kilobytes, rounded up.
    const uint64_t kilobytes = (uint64_t{maxSize} + 1023u) / 1024u;
    m_document = zqp::XmlDocument::create(static_cast<uint32_t>(kilobytes));
}

bool ZqXml::load(const char16_t* const path) {
    std::vector<uint8_t> data;
    if (!isValid() || !readWholeFile(path, &data)) {
        return false;
    }
    return load(data.data(), static_cast<unsigned int>(data.size()));
}

bool ZqXml::load(const void* const data, const unsigned int size) {
    if (data == nullptr || size % 2 != 0) {
        return false;
    }
    // The bytes are read as little-endian code units whatever the mark says.
    const uint8_t* const bytes = static_cast<const uint8_t*>(data);
    ZqString text(size / 2 + 1, u'\0');
    for (size_t i = 0; i < size / 2; ++i) {
        text[i] = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    }
    const size_t start = !text.empty() && (text[0] == 0xFEFF || text[0] == 0xFFFE) ? 1 : 0;
    return loadText(text.c_str() + start);
}

bool ZqXml::loadUtf8(const char16_t* const path) {
    std::vector<uint8_t> data;
    if (!isValid() || !readWholeFile(path, &data)) {
        return false;
    }
    return loadUtf8(data.data(), static_cast<unsigned int>(data.size()));
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
    std::vector<uint8_t> bytes;
    bytes.reserve(2 + text.size() * 2);
    bytes.push_back(0xFF);
    bytes.push_back(0xFE);
    for (const char16_t c : text) {
        bytes.push_back(static_cast<uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<uint8_t>(c >> 8));
    }
    return writeWholeFile(path, bytes);
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
