#include "zq/xml/ZqXml.h"

#include "zq/system/ZqSprintf.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <limits>
#include <string_view>

namespace {

// Copies text into a caller's buffer: at most size - 1 units and a terminator.
void copyOut(const ZqString& text, char16_t* const buf, const unsigned int size) {
    const size_t n = text.size() < size - 1u ? text.size() : size - 1u;
    text.copy(buf, n);
    buf[n] = u'\0';
}

// Blanks the "C" conventions skip in front of a number.
bool isBlank(const char16_t c) {
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

// The number's characters: ASCII only, from the first non-blank on.
std::string numberText(const ZqString& text) {
    size_t i = 0;
    while (i < text.size() && isBlank(text[i])) {
        ++i;
    }
    std::string out;
    for (; i < text.size() && text[i] > 0 && text[i] < 0x80; ++i) {
        out.push_back(static_cast<char>(text[i]));
    }
    return out;
}

// A decimal number saturated to the 32-bit range; 0 when there are no digits.
int parseInt(const ZqString& text) {
    const std::string s = numberText(text);
    size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    int64_t value = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
        value = value * 10 + (s[i] - '0');
        if (value > int64_t{INT_MAX} + 1) {
            value = int64_t{INT_MAX} + 1;
        }
    }
    value = negative ? -value : value;
    if (value > INT_MAX) {
        return INT_MAX;
    }
    return value < INT_MIN ? INT_MIN : static_cast<int>(value);
}

// Whether a decimal number that did not fit a double was too large (rather than too small):
// the position of its first significant digit plus its exponent.
bool decimalOverflows(const std::string_view digits) {
    int64_t position = 0; // power of ten of the first significant digit, plus one
    bool seenPoint = false;
    bool seenDigit = false;
    size_t i = 0;
    for (; i < digits.size(); ++i) {
        const char c = digits[i];
        if (c == '.') {
            seenPoint = true;
        } else if (c >= '0' && c <= '9') {
            if (!seenDigit && c == '0') {
                position -= seenPoint ? 1 : 0;
                continue;
            }
            seenDigit = true;
            position += seenPoint ? 0 : 1;
        } else {
            break;
        }
    }
    int64_t exponent = 0;
    if (i < digits.size() && (digits[i] == 'e' || digits[i] == 'E')) {
        ++i;
        const bool negative = i < digits.size() && digits[i] == '-';
        if (i < digits.size() && (digits[i] == '-' || digits[i] == '+')) {
            ++i;
        }
        for (; i < digits.size() && digits[i] >= '0' && digits[i] <= '9'; ++i) {
            exponent = exponent < 100000 ? exponent * 10 + (digits[i] - '0') : exponent;
        }
        exponent = negative ? -exponent : exponent;
    }
    return position + exponent > 0;
}

// A floating-point number with the "C" conventions: blanks, sign, decimal or 0x hexadecimal
// digits, exponent, "inf" and "nan"; 0 when nothing reads as a number. Values beyond the
// double range become infinity or 0 with their sign.
double parseDouble(const ZqString& text) {
    const std::string s = numberText(text);
    std::string_view rest(s);
    bool negative = false;
    if (!rest.empty() && (rest[0] == '+' || rest[0] == '-')) {
        negative = rest[0] == '-';
        rest.remove_prefix(1);
    }
    if (rest.empty() || rest[0] == '+' || rest[0] == '-') {
        return 0.0;
    }
    double value = 0.0;
    std::chars_format format = std::chars_format::general;
    if (rest.size() > 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X')) {
        format = std::chars_format::hex;
        rest.remove_prefix(2);
    }
    const std::from_chars_result r =
        std::from_chars(rest.data(), rest.data() + rest.size(), value, format);
    if (r.ec == std::errc::result_out_of_range) {
        bool overflow = false;
        if (format == std::chars_format::hex) {
            const size_t p = rest.find_first_of("pP");
            overflow = p == std::string_view::npos || p + 1 >= rest.size() || rest[p + 1] != '-';
        } else {
            overflow = decimalOverflows(rest);
        }
        value = overflow ? std::numeric_limits<double>::infinity() : 0.0;
    } else if (r.ec != std::errc()) {
        value = 0.0; // "0x" without hexadecimal digits reads as the 0 in front of it
    }
    return negative ? -value : value;
}

float toFloat(const double value) {
    if (std::isfinite(value) && std::fabs(value) > std::numeric_limits<float>::max()) {
        return value < 0 ? -std::numeric_limits<float>::infinity()
                         : std::numeric_limits<float>::infinity();
    }
    return static_cast<float>(value);
}

} // namespace

ZqXml::Node::TYPE ZqXml::Node::getNodeType() const {
    return static_cast<TYPE>(static_cast<int>(m_node.type()));
}

bool ZqXml::Node::getNodeName(char16_t* const buf, const unsigned int size) const {
    if (buf == nullptr || size == 0) {
        return false;
    }
    ZqString name;
    if (!m_node.name(&name)) {
        buf[0] = u'\0';
        return false;
    }
    copyOut(name, buf, size);
    return true;
}

bool ZqXml::Node::getNodeName(ZqString* const name) const {
    return name != nullptr && m_node.name(name);
}

bool ZqXml::Node::getNodeValue(char16_t* const buf, const unsigned int size) const {
    if (buf == nullptr || size == 0) {
        return false;
    }
    ZqString value;
    if (!m_node.value(&value)) {
        buf[0] = u'\0';
        return false;
    }
    copyOut(value, buf, size);
    return true;
}

bool ZqXml::Node::setNodeValue(const char16_t* const value) {
    return value != nullptr && m_node.setValue(value);
}

unsigned int ZqXml::Node::getNrAttributes() const {
    return m_node.attributeCount();
}

bool ZqXml::Node::getAttributeName(const unsigned int i, char16_t* const buf,
                                   const unsigned int size) const {
    if (buf == nullptr || size == 0) {
        return false;
    }
    buf[0] = u'\0';
    ZqString name;
    if (!m_node.attributeName(i, &name)) {
        return false;
    }
    copyOut(name, buf, size);
    return true;
}

bool ZqXml::Node::getAttributeName(const unsigned int i, ZqString* const name) const {
    return name != nullptr && m_node.attributeName(i, name);
}

bool ZqXml::Node::getAttribute(const char16_t* const name, char16_t* const buf,
                               const unsigned int size) const {
    if (buf == nullptr || size == 0) {
        return false;
    }
    buf[0] = u'\0';
    ZqString value;
    if (name == nullptr || !m_node.attribute(name, &value)) {
        return false;
    }
    copyOut(value, buf, size);
    return true;
}

bool ZqXml::Node::getAttribute(const char16_t* const name, ZqString* const value) const {
    if (name == nullptr || value == nullptr) {
        return false;
    }
    ZqString text;
    if (!m_node.attribute(name, &text)) {
        return false;
    }
    *value = std::move(text);
    return true;
}

bool ZqXml::Node::getAttribute(const char16_t* const name, int* const value) const {
    ZqString text;
    if (value == nullptr || !getAttribute(name, &text)) {
        return false;
    }
    *value = parseInt(text);
    return true;
}

bool ZqXml::Node::getAttribute(const char16_t* const name, float* const value) const {
    ZqString text;
    if (value == nullptr || !getAttribute(name, &text)) {
        return false;
    }
    *value = toFloat(parseDouble(text));
    return true;
}

bool ZqXml::Node::setAttribute(const char16_t* const name, const char16_t* const value) {
    return name != nullptr && value != nullptr && m_node.setAttribute(name, value);
}

bool ZqXml::Node::setAttribute(const char16_t* const name, const int value) {
    char16_t text[16] = {};
    return zqSprintf(text, 16, u"%d", value) >= 0 && setAttribute(name, text);
}

bool ZqXml::Node::setAttribute(const char16_t* const name, const float value) {
    // "%f" of the largest float takes 47 characters: the text is never cut to a wrong number.
    char16_t text[64] = {};
    return zqSprintf(text, 64, u"%f", static_cast<double>(value)) >= 0 && setAttribute(name, text);
}

bool ZqXml::Node::removeAttribute(const char16_t* const name) {
    return name != nullptr && m_node.removeAttribute(name);
}

bool ZqXml::Node::getChildTextNodeValue(const unsigned int i, char16_t* const buf,
                                        const unsigned int size) const {
    if (buf == nullptr || size == 0) {
        return false;
    }
    unsigned int found = 0;
    for (zqp::XmlNode n = m_node.firstChild(); n.isValid(); n = n.nextSibling()) {
        if (n.type() != zqp::XmlNodeType::Text) {
            continue;
        }
        if (found++ == i) {
            ZqString value;
            if (!n.value(&value)) {
                return false;
            }
            copyOut(value, buf, size);
            return true;
        }
    }
    return false;
}

bool ZqXml::Node::setChildTextNodeValue(const unsigned int i, const char16_t* const value) {
    if (value == nullptr) {
        return false;
    }
    unsigned int found = 0;
    for (zqp::XmlNode n = m_node.firstChild(); n.isValid(); n = n.nextSibling()) {
        if (n.type() == zqp::XmlNodeType::Text && found++ == i) {
            return n.setValue(value);
        }
    }
    return false;
}

ZqXml::Node ZqXml::Node::getFirstChild() const {
    return Node(m_node.firstChild());
}

ZqXml::Node ZqXml::Node::getLastChild() const {
    return Node(m_node.lastChild());
}

ZqXml::Node ZqXml::Node::getNextSibling() const {
    return Node(m_node.nextSibling());
}

ZqXml::Node ZqXml::Node::getPreviousSibling() const {
    return Node(m_node.previousSibling());
}

namespace {

bool isElementNamed(const zqp::XmlNode& n, const std::u16string_view name) {
    ZqString nodeName;
    return n.type() == zqp::XmlNodeType::Element && n.name(&nodeName) && nodeName == name;
}

} // namespace

ZqXml::Node ZqXml::Node::getFirstChildElement(const char16_t* const name) const {
    if (name == nullptr) {
        return Node();
    }
    for (zqp::XmlNode n = m_node.firstChild(); n.isValid(); n = n.nextSibling()) {
        if (isElementNamed(n, name)) {
            return Node(n);
        }
    }
    return Node();
}

ZqXml::Node ZqXml::Node::getNextSiblingElement(const char16_t* const name) const {
    if (name == nullptr) {
        return Node();
    }
    for (zqp::XmlNode n = m_node.nextSibling(); n.isValid(); n = n.nextSibling()) {
        if (isElementNamed(n, name)) {
            return Node(n);
        }
    }
    return Node();
}

unsigned int ZqXml::Node::getNrChildren() const {
    return m_node.childCount();
}

ZqXml::Node ZqXml::Node::getChildNode(const unsigned int i) const {
    return Node(m_node.child(i));
}

ZqXml::Node ZqXml::Node::addChild(const Node& child) {
    return Node(m_node.appendChild(child.m_node));
}

ZqXml::Node ZqXml::Node::addChild(const Node& child, const Node& before) {
    return Node(m_node.insertBefore(child.m_node, before.m_node));
}

ZqXml::Node ZqXml::Node::replaceChild(const Node& newChild, const Node& oldChild) {
    return Node(m_node.replaceChild(newChild.m_node, oldChild.m_node));
}

ZqXml::Node ZqXml::Node::removeChild(const Node& child) {
    return Node(m_node.removeChild(child.m_node));
}
