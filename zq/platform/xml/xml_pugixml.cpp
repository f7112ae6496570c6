#include "zq/platform/xml/xml.h"

#include "zq/platform/os/utf.h"

#include <pugixml.hpp>

#include <algorithm>
#include <vector>

namespace zqp {

// One parsed tree. Nodes outside the tree (created, removed or replaced ones) are kept in a
// holder element made on first need as the document's last child; every walk over the
// document's children and every XPath result leaves the holder out.
class XmlTree {
public:
    pugi::xml_document doc;
    pugi::xml_node holder;

    pugi::xml_node outside() {
        if (!holder) {
            holder = doc.append_child(pugi::node_element);
            holder.set_name("zq-outside");
        }
        return holder;
    }
    bool isHolder(const pugi::xml_node& n) const { return holder && n == holder; }
    bool isOutside(pugi::xml_node n) const {
        if (!holder) {
            return false;
        }
        for (; n; n = n.parent()) {
            if (n == holder) {
                return true;
            }
        }
        return false;
    }
};

struct XmlDocument::State {
    uint32_t maxKilobytes = 0;
    std::shared_ptr<XmlTree> tree;
};

namespace {

constexpr unsigned PARSE_FLAGS = pugi::parse_default | pugi::parse_declaration | pugi::parse_pi |
                                 pugi::parse_comments | pugi::parse_doctype;

std::string toUtf8(const std::u16string_view text) {
    // pugixml strings end at the first 0; so does the text handed to it.
    const size_t end = text.find(u'\0');
    return utf16ToUtf8(end == std::u16string_view::npos ? text : text.substr(0, end));
}

std::u16string toUtf16(const char* text) {
    return utf8ToUtf16(text ? text : "");
}

// An XML name, closely enough: a letter, '_', ':' or any non-ASCII character first, then
// also digits, '-' and '.'.
bool isXmlName(const std::u16string_view name) {
    if (name.empty()) {
        return false;
    }
    for (size_t i = 0; i < name.size(); ++i) {
        const char16_t c = name[i];
        const bool start = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_' ||
                           c == u':' || c >= 0x80;
        const bool more = (c >= u'0' && c <= u'9') || c == u'-' || c == u'.';
        if (!(start || (i > 0 && more))) {
            return false;
        }
    }
    return name.find(u'\0') == std::u16string_view::npos &&
           name.find(0xFFFE) == std::u16string_view::npos &&
           name.find(0xFFFF) == std::u16string_view::npos;
}

struct StringWriter : pugi::xml_writer {
    std::string text;
    void write(const void* data, const size_t size) override {
        text.append(static_cast<const char*>(data), size);
    }
};

// The text a declaration holds as a processing instruction: its pseudo-attributes.
std::string declarationText(const pugi::xml_node& decl, const bool withEncoding) {
    std::string text;
    for (const pugi::xml_attribute& a : decl.attributes()) {
        if (!withEncoding && std::string_view(a.name()) == "encoding") {
            continue;
        }
        if (!text.empty()) {
            text += ' ';
        }
        text += a.name();
        text += "=\"";
        text += a.value();
        text += '"';
    }
    return text;
}

std::string_view doctypeName(const char* value) {
    const std::string_view v(value ? value : "");
    const size_t end = v.find_first_of(" \t\r\n[");
    return v.substr(0, end);
}

// Every element of the tree carries each attribute name once.
bool hasUniqueAttributes(const pugi::xml_node& root) {
    std::vector<std::string_view> names;
    pugi::xml_node n = root.first_child();
    while (n) {
        if (n.type() == pugi::node_element && n.first_attribute() &&
            n.first_attribute().next_attribute()) {
            names.clear();
            for (const pugi::xml_attribute& a : n.attributes()) {
                names.emplace_back(a.name());
            }
            std::sort(names.begin(), names.end());
            if (std::adjacent_find(names.begin(), names.end()) != names.end()) {
                return false;
            }
        }
        // Depth first without recursion: documents can nest deeply.
        if (n.first_child()) {
            n = n.first_child();
            continue;
        }
        while (n && !n.next_sibling() && n != root) {
            n = n.parent();
        }
        if (!n || n == root) {
            break;
        }
        n = n.next_sibling();
    }
    return true;
}

uint32_t countElements(const pugi::xml_node& doc, const XmlTree& tree) {
    uint32_t count = 0;
    for (const pugi::xml_node& c : doc.children()) {
        if (c.type() == pugi::node_element && !tree.isHolder(c)) {
            ++count;
        }
    }
    return count;
}

} // namespace

// Access to a node handle's insides for this file's helpers.
struct XmlAccess {
    static XmlNode make(const std::shared_ptr<XmlTree>& tree, const pugi::xml_node& n) {
        XmlNode node;
        if (n && !tree->isHolder(n)) {
            node.m_tree = tree;
            node.m_node = n.internal_object();
        }
        return node;
    }
    static XmlNode makeAttribute(const std::shared_ptr<XmlTree>& tree, const pugi::xml_node& owner,
                                 const pugi::xml_attribute& a) {
        XmlNode node = make(tree, owner);
        if (node.isValid()) {
            node.m_isAttribute = true;
            node.m_attributeName = a.name();
        }
        return node;
    }
    // The node itself; empty for attribute nodes and invalid handles.
    static pugi::xml_node node(const XmlNode& n) {
        if (!n.m_node || n.m_isAttribute) {
            return pugi::xml_node();
        }
        return pugi::xml_node(static_cast<pugi::xml_node_struct*>(n.m_node));
    }
    static pugi::xml_attribute attribute(const XmlNode& n) {
        if (!n.m_node || !n.m_isAttribute) {
            return pugi::xml_attribute();
        }
        const pugi::xml_node owner(static_cast<pugi::xml_node_struct*>(n.m_node));
        return owner.attribute(n.m_attributeName.c_str());
    }
    static const std::shared_ptr<XmlTree>& tree(const XmlNode& n) { return n.m_tree; }
    static bool isAttribute(const XmlNode& n) { return n.m_isAttribute; }
};

namespace {

// Whether child may be moved under parent (both of tree): a node of the same tree, not an
// attribute, declaration or document, not parent itself or one of its ancestors, and what a
// document holds: one element, comments and processing instructions. `replacing` is a child
// of parent that leaves at the same time.
bool canMoveUnder(const XmlTree& tree, const pugi::xml_node& parent, const XmlNode& child,
                  const pugi::xml_node& replacing) {
    const pugi::xml_node c = XmlAccess::node(child);
    if (!c || XmlAccess::tree(child).get() != &tree) {
        return false;
    }
    const pugi::xml_node_type type = c.type();
    if (type == pugi::node_document || type == pugi::node_declaration ||
        type == pugi::node_doctype) {
        return false;
    }
    for (pugi::xml_node p = parent; p; p = p.parent()) {
        if (p == c) {
            return false;
        }
    }
    if (parent.type() == pugi::node_document) {
        if (type == pugi::node_pcdata || type == pugi::node_cdata) {
            return false;
        }
        if (type == pugi::node_element) {
            for (const pugi::xml_node& e : parent.children()) {
                if (e.type() == pugi::node_element && !tree.isHolder(e) && e != c &&
                    e != replacing) {
                    return false;
                }
            }
        }
        return true;
    }
    return parent.type() == pugi::node_element;
}

} // namespace

// ---- XmlNode ----

XmlNodeType XmlNode::type() const {
    if (m_isAttribute) {
        return XmlAccess::attribute(*this) ? XmlNodeType::Attribute : XmlNodeType::None;
    }
    switch (XmlAccess::node(*this).type()) {
    case pugi::node_document:
        return XmlNodeType::Document;
    case pugi::node_element:
        return XmlNodeType::Element;
    case pugi::node_pcdata:
        return XmlNodeType::Text;
    case pugi::node_cdata:
        return XmlNodeType::CData;
    case pugi::node_comment:
        return XmlNodeType::Comment;
    case pugi::node_pi:
    case pugi::node_declaration:
        return XmlNodeType::ProcessingInstruction;
    case pugi::node_doctype:
        return XmlNodeType::DocumentType;
    default:
        return XmlNodeType::None;
    }
}

bool XmlNode::name(std::u16string* out) const {
    if (m_isAttribute) {
        const pugi::xml_attribute a = XmlAccess::attribute(*this);
        if (!a) {
            return false;
        }
        *out = toUtf16(a.name());
        return true;
    }
    const pugi::xml_node n = XmlAccess::node(*this);
    switch (n.type()) {
    case pugi::node_element:
    case pugi::node_pi:
        *out = toUtf16(n.name());
        return true;
    case pugi::node_declaration:
        *out = u"xml";
        return true;
    case pugi::node_document:
        *out = u"#document";
        return true;
    case pugi::node_pcdata:
        *out = u"#text";
        return true;
    case pugi::node_cdata:
        *out = u"#cdata-section";
        return true;
    case pugi::node_comment:
        *out = u"#comment";
        return true;
    case pugi::node_doctype:
        *out = utf8ToUtf16(doctypeName(n.value()));
        return true;
    default:
        return false;
    }
}

bool XmlNode::value(std::u16string* out) const {
    if (m_isAttribute) {
        const pugi::xml_attribute a = XmlAccess::attribute(*this);
        if (!a) {
            return false;
        }
        *out = toUtf16(a.value());
        return true;
    }
    const pugi::xml_node n = XmlAccess::node(*this);
    switch (n.type()) {
    case pugi::node_pcdata:
    case pugi::node_cdata:
    case pugi::node_comment:
    case pugi::node_pi:
        *out = toUtf16(n.value());
        return true;
    case pugi::node_declaration:
        *out = utf8ToUtf16(declarationText(n, true));
        return true;
    default:
        return false;
    }
}

bool XmlNode::setValue(const std::u16string_view value) const {
    if (m_isAttribute) {
        pugi::xml_attribute a = XmlAccess::attribute(*this);
        return a && a.set_value(toUtf8(value).c_str());
    }
    pugi::xml_node n = XmlAccess::node(*this);
    switch (n.type()) {
    case pugi::node_pcdata:
    case pugi::node_cdata:
    case pugi::node_comment:
    case pugi::node_pi:
        return n.set_value(toUtf8(value).c_str());
    default:
        return false;
    }
}

uint32_t XmlNode::attributeCount() const {
    const pugi::xml_node n = XmlAccess::node(*this);
    if (n.type() != pugi::node_element) {
        return 0;
    }
    uint32_t count = 0;
    for (pugi::xml_attribute a = n.first_attribute(); a; a = a.next_attribute()) {
        ++count;
    }
    return count;
}

bool XmlNode::attributeName(const uint32_t index, std::u16string* out) const {
    const pugi::xml_node n = XmlAccess::node(*this);
    if (n.type() != pugi::node_element) {
        return false;
    }
    uint32_t i = 0;
    for (pugi::xml_attribute a = n.first_attribute(); a; a = a.next_attribute(), ++i) {
        if (i == index) {
            *out = toUtf16(a.name());
            return true;
        }
    }
    return false;
}

bool XmlNode::attribute(const std::u16string_view name, std::u16string* out) const {
    const pugi::xml_node n = XmlAccess::node(*this);
    if (n.type() != pugi::node_element) {
        return false;
    }
    const pugi::xml_attribute a = n.attribute(toUtf8(name).c_str());
    if (!a) {
        return false;
    }
    *out = toUtf16(a.value());
    return true;
}

bool XmlNode::setAttribute(const std::u16string_view name, const std::u16string_view value) const {
    pugi::xml_node n = XmlAccess::node(*this);
    if (n.type() != pugi::node_element || !isXmlName(name)) {
        return false;
    }
    const std::string key = toUtf8(name);
    pugi::xml_attribute a = n.attribute(key.c_str());
    if (!a) {
        a = n.append_attribute(key.c_str());
    }
    return a && a.set_value(toUtf8(value).c_str());
}

bool XmlNode::removeAttribute(const std::u16string_view name) const {
    pugi::xml_node n = XmlAccess::node(*this);
    if (n.type() != pugi::node_element) {
        return false;
    }
    return n.remove_attribute(toUtf8(name).c_str());
}

XmlNode XmlNode::firstChild() const {
    const pugi::xml_node n = XmlAccess::node(*this);
    if (n.type() != pugi::node_element && n.type() != pugi::node_document) {
        return XmlNode();
    }
    return XmlAccess::make(m_tree, n.first_child());
}

XmlNode XmlNode::lastChild() const {
    const pugi::xml_node n = XmlAccess::node(*this);
    if (n.type() != pugi::node_element && n.type() != pugi::node_document) {
        return XmlNode();
    }
    pugi::xml_node last = n.last_child();
    if (m_tree->isHolder(last)) {
        last = last.previous_sibling();
    }
    return XmlAccess::make(m_tree, last);
}

XmlNode XmlNode::nextSibling() const {
    const pugi::xml_node n = XmlAccess::node(*this);
    if (!n || m_tree->isHolder(n.parent())) {
        return XmlNode();
    }
    return XmlAccess::make(m_tree, n.next_sibling());
}

XmlNode XmlNode::previousSibling() const {
    const pugi::xml_node n = XmlAccess::node(*this);
    if (!n || m_tree->isHolder(n.parent())) {
        return XmlNode();
    }
    return XmlAccess::make(m_tree, n.previous_sibling());
}

uint32_t XmlNode::childCount() const {
    const pugi::xml_node n = XmlAccess::node(*this);
    if (n.type() != pugi::node_element && n.type() != pugi::node_document) {
        return 0;
    }
    uint32_t count = 0;
    for (const pugi::xml_node& c : n.children()) {
        if (!m_tree->isHolder(c)) {
            ++count;
        }
    }
    return count;
}

XmlNode XmlNode::child(const uint32_t index) const {
    const pugi::xml_node n = XmlAccess::node(*this);
    if (n.type() != pugi::node_element && n.type() != pugi::node_document) {
        return XmlNode();
    }
    uint32_t i = 0;
    for (const pugi::xml_node& c : n.children()) {
        if (m_tree->isHolder(c)) {
            continue;
        }
        if (i++ == index) {
            return XmlAccess::make(m_tree, c);
        }
    }
    return XmlNode();
}

XmlNode XmlNode::appendChild(const XmlNode& child) const {
    pugi::xml_node parent = XmlAccess::node(*this);
    if (!parent || !canMoveUnder(*m_tree, parent, child, pugi::xml_node())) {
        return XmlNode();
    }
    const pugi::xml_node c = XmlAccess::node(child);
    // A document's own children stay in front of the holder of outside nodes.
    pugi::xml_node moved;
    if (parent.type() == pugi::node_document && m_tree->holder) {
        moved = c == m_tree->holder.previous_sibling()
                    ? c
                    : parent.insert_move_before(c, m_tree->holder);
    } else {
        moved = parent.append_move(c);
    }
    return XmlAccess::make(m_tree, moved);
}

XmlNode XmlNode::insertBefore(const XmlNode& child, const XmlNode& before) const {
    if (!before.isValid()) {
        return appendChild(child);
    }
    pugi::xml_node parent = XmlAccess::node(*this);
    const pugi::xml_node ref = XmlAccess::node(before);
    if (!parent || !ref || ref.parent() != parent || before.m_tree != m_tree ||
        !canMoveUnder(*m_tree, parent, child, pugi::xml_node())) {
        return XmlNode();
    }
    const pugi::xml_node c = XmlAccess::node(child);
    if (c == ref) {
        return child;
    }
    return XmlAccess::make(m_tree, parent.insert_move_before(c, ref));
}

XmlNode XmlNode::replaceChild(const XmlNode& newChild, const XmlNode& oldChild) const {
    pugi::xml_node parent = XmlAccess::node(*this);
    const pugi::xml_node old = XmlAccess::node(oldChild);
    if (!parent || !old || old.parent() != parent || oldChild.m_tree != m_tree ||
        old.type() == pugi::node_declaration || old.type() == pugi::node_doctype ||
        !canMoveUnder(*m_tree, parent, newChild, old)) {
        return XmlNode();
    }
    const pugi::xml_node c = XmlAccess::node(newChild);
    if (c == old) {
        return oldChild;
    }
    if (!parent.insert_move_before(c, old) || !m_tree->outside().append_move(old)) {
        return XmlNode();
    }
    return oldChild;
}

XmlNode XmlNode::removeChild(const XmlNode& child) const {
    const pugi::xml_node parent = XmlAccess::node(*this);
    const pugi::xml_node c = XmlAccess::node(child);
    if (!parent || !c || c.parent() != parent || child.m_tree != m_tree ||
        c.type() == pugi::node_declaration || c.type() == pugi::node_doctype) {
        return XmlNode();
    }
    if (!m_tree->outside().append_move(c)) {
        return XmlNode();
    }
    return child;
}

// ---- XmlDocument ----

XmlDocument XmlDocument::create(const uint32_t maxKilobytes) {
    XmlDocument document;
    auto state = std::make_shared<State>();
    state->maxKilobytes = maxKilobytes;
    state->tree = std::make_shared<XmlTree>();
    document.m_state = std::move(state);
    return document;
}

bool XmlDocument::parse(const std::u16string_view text) const {
    if (!m_state) {
        return false;
    }
    const size_t end = text.find(u'\0');
    const std::u16string_view body = end == std::u16string_view::npos ? text : text.substr(0, end);
    auto tree = std::make_shared<XmlTree>();
    const uint64_t limit = uint64_t{m_state->maxKilobytes} * 1024u;
    bool ok = limit == 0 || uint64_t{body.size()} * 2u <= limit;
    if (ok) {
        const std::string utf8 = utf16ToUtf8(body);
        const pugi::xml_parse_result result =
            tree->doc.load_buffer(utf8.data(), utf8.size(), PARSE_FLAGS, pugi::encoding_utf8);
        ok = result.status == pugi::status_ok && countElements(tree->doc, *tree) == 1 &&
             hasUniqueAttributes(tree->doc);
    }
    m_state->tree = ok ? std::move(tree) : std::make_shared<XmlTree>();
    return ok;
}

bool XmlDocument::parseUtf8(const std::string_view text) const {
    const size_t end = text.find('\0');
    return parse(utf8ToUtf16(end == std::string_view::npos ? text : text.substr(0, end)));
}

bool XmlDocument::serialize(std::u16string* out) const {
    std::string text;
    if (!serializeUtf8(&text)) {
        return false;
    }
    *out = utf8ToUtf16(text);
    return true;
}

bool XmlDocument::serializeUtf8(std::string* out) const {
    if (!m_state) {
        return false;
    }
    const XmlTree& tree = *m_state->tree;
    StringWriter writer;
    for (const pugi::xml_node& c : tree.doc.children()) {
        if (tree.isHolder(c)) {
            continue;
        }
        if (c.type() == pugi::node_declaration) {
            const std::string attributes = declarationText(c, false);
            writer.text += "<?xml";
            if (!attributes.empty()) {
                writer.text += ' ';
                writer.text += attributes;
            }
            writer.text += "?>";
        } else {
            c.print(writer, "", pugi::format_raw, pugi::encoding_utf8);
        }
        writer.text += "\r\n";
    }
    *out = std::move(writer.text);
    return true;
}

XmlNode XmlDocument::documentNode() const {
    if (!m_state) {
        return XmlNode();
    }
    return XmlAccess::make(m_state->tree, m_state->tree->doc);
}

XmlNode XmlDocument::selectSingleNode(const std::u16string_view xpath) const {
    if (!m_state) {
        return XmlNode();
    }
    const std::shared_ptr<XmlTree>& tree = m_state->tree;
    try {
        const pugi::xpath_query query(toUtf8(xpath).c_str());
        pugi::xpath_node_set found = query.evaluate_node_set(tree->doc);
        found.sort();
        for (const pugi::xpath_node& x : found) {
            if (x.attribute()) {
                if (!tree->isOutside(x.parent())) {
                    return XmlAccess::makeAttribute(tree, x.parent(), x.attribute());
                }
            } else if (!tree->isOutside(x.node())) {
                return XmlAccess::make(tree, x.node());
            }
        }
    } catch (const pugi::xpath_exception&) {
        // malformed expression, or one that gives a number, string or boolean
    }
    return XmlNode();
}

XmlNode XmlDocument::createElement(const std::u16string_view name) const {
    if (!m_state || !isXmlName(name)) {
        return XmlNode();
    }
    const std::shared_ptr<XmlTree>& tree = m_state->tree;
    return XmlAccess::make(tree, tree->outside().append_child(toUtf8(name).c_str()));
}

namespace {

XmlNode createValueNode(const std::shared_ptr<XmlTree>& tree, const pugi::xml_node_type type,
                        const std::u16string_view text) {
    pugi::xml_node n = tree->outside().append_child(type);
    if (!n || !n.set_value(toUtf8(text).c_str())) {
        return XmlNode();
    }
    return XmlAccess::make(tree, n);
}

} // namespace

XmlNode XmlDocument::createTextNode(const std::u16string_view text) const {
    return m_state ? createValueNode(m_state->tree, pugi::node_pcdata, text) : XmlNode();
}

XmlNode XmlDocument::createCDataSection(const std::u16string_view text) const {
    return m_state ? createValueNode(m_state->tree, pugi::node_cdata, text) : XmlNode();
}

XmlNode XmlDocument::createComment(const std::u16string_view text) const {
    return m_state ? createValueNode(m_state->tree, pugi::node_comment, text) : XmlNode();
}

} // namespace zqp
