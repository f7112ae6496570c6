// Loads arbitrary bytes as an XML document (UTF-16, UTF-8 or text, chosen by the first
// byte), then walks, queries and edits whatever loaded. A document that loads must also
// survive a round trip: its serialised text parses again and serialises to the same text.
#include "zq/platform/xml/xml.h"
#include "zq/xml/ZqXml.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void walk(const ZqXml::Node& root) {
    // Iterative: fuzzed documents nest deeply.
    std::vector<ZqXml::Node> stack{root};
    char16_t buf[32];
    unsigned int visited = 0;
    while (!stack.empty() && ++visited < 100000) {
        const ZqXml::Node n = stack.back();
        stack.pop_back();
        ZqString text;
        n.getNodeName(buf, 32);
        n.getNodeName(&text);
        n.getNodeValue(buf, 32);
        for (unsigned int i = 0; i < n.getNrAttributes() && i < 64; ++i) {
            if (n.getAttributeName(i, &text)) {
                int iv = 0;
                float fv = 0.0f;
                n.getAttribute(text.c_str(), &iv);
                n.getAttribute(text.c_str(), &fv);
                n.getAttribute(text.c_str(), buf, 32);
            }
        }
        n.getChildTextNodeValue(0, buf, 32);
        for (ZqXml::Node c = n.getLastChild(); c.isValid(); c = c.getPreviousSibling()) {
            stack.push_back(c);
        }
    }
}

void roundTrip(const std::u16string& text) {
    const zqp::XmlDocument first = zqp::XmlDocument::create(0);
    if (!first.parse(text)) {
        return;
    }
    std::u16string once;
    std::u16string twice;
    const zqp::XmlDocument second = zqp::XmlDocument::create(0);
    if (!first.serialize(&once) || !second.parse(once) || !second.serialize(&twice) ||
        once != twice) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > 1 << 20) {
        return 0;
    }
    const uint8_t mode = data[0] % 3;
    ++data;
    --size;
    ZqXml xml(0);
    std::u16string text;
    if (mode == 0) {
        xml.load(data, static_cast<unsigned int>(size));
        for (size_t i = 0; i + 1 < size; i += 2) {
            text.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
        }
    } else if (mode == 1) {
        xml.loadUtf8(data, static_cast<unsigned int>(size));
        zqp::XmlDocument utf8 = zqp::XmlDocument::create(0);
        if (utf8.parseUtf8(std::string(reinterpret_cast<const char*>(data), size))) {
            utf8.serialize(&text);
        }
    } else {
        for (size_t i = 0; i + 1 < size; i += 2) {
            text.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
        }
        xml.loadText(text.c_str());
    }
    if (!xml.isValid()) {
        return 0;
    }
    for (unsigned int i = 0; i < xml.getNrChildren(); ++i) {
        walk(xml.getChildNode(i));
    }
    for (const char16_t* q : {u"//*", u"//@*", u"//text()", u"/*/*[2]", u"//comment()"}) {
        walk(xml.selectSingleNode(q));
    }

    // Edits: a new element at the root, the root's first child moved into it, then removed.
    ZqXml::Node root = xml.getRootElement();
    ZqXml::Node added = root.addChild(xml.createElement(u"fz"));
    ZqXml::Node first = root.getFirstChild();
    added.addChild(first);
    added.setAttribute(u"n", 1.5f);
    root.replaceChild(xml.createTextNode(u"t"), added);
    walk(root);
    roundTrip(text);
    return 0;
}
