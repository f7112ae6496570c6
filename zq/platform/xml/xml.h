// XML documents for the framework: a DOM with XPath selection, parsed from and serialised to
// UTF-16 text. Handles are shared: a node keeps its document's tree alive, so a node taken
// before the document was reloaded stays usable (it belongs to the old tree).
// Nodes made by the create functions, and nodes taken out of the tree, belong to the
// document but sit outside its tree until they are added again; they never show up among
// the document's children, in XPath results or in the serialised text.
// Not for: validation, namespaces beyond plain prefixed names, entity declarations.
// A document and its nodes are used on one thread; nothing here locks.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace zqp {

class XmlTree;
class XmlDocument;

// DOM node types: 1 element, 2 attribute, 3 text, 4 CDATA section, 7 processing instruction
// (the XML declaration is one, named "xml"), 8 comment, 9 document, 10 document type;
// 0 for no node.
enum class XmlNodeType : int {
    None = 0,
    Element = 1,
    Attribute = 2,
    Text = 3,
    CData = 4,
    ProcessingInstruction = 7,
    Comment = 8,
    Document = 9,
    DocumentType = 10,
};

class XmlNode {
public:
    XmlNode() = default;

    bool isValid() const { return m_node != nullptr; }
    XmlNodeType type() const;
    // Tag name of an element, name of an attribute or processing instruction; "#text",
    // "#cdata-section", "#comment", "#document" for the others. False for no node.
    bool name(std::u16string* out) const;
    // Value of a text, CDATA, comment, processing-instruction or attribute node; false for
    // the kinds that have none (element, document, document type).
    bool value(std::u16string* out) const;
    bool setValue(std::u16string_view value) const;

    // Attributes of an element in document order; nothing for other kinds.
    uint32_t attributeCount() const;
    bool attributeName(uint32_t index, std::u16string* out) const;
    bool attribute(std::u16string_view name, std::u16string* out) const;
    // Sets or replaces; false for a node that is not an element or a name that is not an
    // XML name.
    bool setAttribute(std::u16string_view name, std::u16string_view value) const;
    // True when the element had the attribute and it was removed.
    bool removeAttribute(std::u16string_view name) const;

    XmlNode firstChild() const;
    XmlNode lastChild() const;
    XmlNode nextSibling() const;
    XmlNode previousSibling() const;
    uint32_t childCount() const;
    XmlNode child(uint32_t index) const;

    // Tree edits. The node moved in must come from the same document, must not contain this
    // node, and must fit the parent (a document takes one element and no text). Each returns
    // an invalid node when refused and leaves the tree unchanged.
    // Appends child as the last child (moving it from wherever it was); returns it.
    XmlNode appendChild(const XmlNode& child) const;
    // Inserts child before `before`, a child of this node; an invalid `before` appends.
    XmlNode insertBefore(const XmlNode& child, const XmlNode& before) const;
    // Puts newChild in the place of oldChild, a child of this node; returns oldChild, now
    // outside the tree.
    XmlNode replaceChild(const XmlNode& newChild, const XmlNode& oldChild) const;
    // Takes child, a child of this node, out of the tree; returns it.
    XmlNode removeChild(const XmlNode& child) const;

    // Same node of the same tree.
    bool operator==(const XmlNode& other) const {
        return m_tree == other.m_tree && m_node == other.m_node &&
               m_isAttribute == other.m_isAttribute && m_attributeName == other.m_attributeName;
    }

private:
    friend struct XmlAccess;
    std::shared_ptr<XmlTree> m_tree;
    // The tree's node, or for an attribute node its element. Nodes of a tree are never freed
    // while the tree lives (edits only move them); attributes can be removed, so an attribute
    // node is held by its element and name and simply stops answering once it is gone.
    void* m_node = nullptr;
    bool m_isAttribute = false;
    std::string m_attributeName; // UTF-8
};

// A handle to one document; copies share it. An invalid handle holds no document.
class XmlDocument {
public:
    XmlDocument() = default;

    // A new empty document. maxKilobytes limits the text a parse accepts (UTF-16 bytes,
    // in whole kilobytes); 0 sets no limit. Invalid when memory runs out.
    static XmlDocument create(uint32_t maxKilobytes);

    bool isValid() const { return m_state != nullptr; }
    // Drops this handle's reference; other copies keep the document.
    void reset() { m_state.reset(); }

    // Parses text (up to its end or its first 0) into a new tree that replaces the old one.
    // Refuses text over the size limit and text that is not well-formed (also more than one
    // root element or an attribute given twice); the document is then left empty.
    bool parse(std::u16string_view text) const;
    // The same for UTF-8 text (up to its first 0 byte); ill-formed sequences read as U+FFFD.
    bool parseUtf8(std::string_view text) const;
    // The whole document as text: each top-level node followed by CR LF; the declaration
    // without an encoding (the text is UTF-16 whatever a file said).
    bool serialize(std::u16string* out) const;
    // The same text in UTF-8.
    bool serializeUtf8(std::string* out) const;

    // The document node (type 9); its children are the top-level nodes.
    XmlNode documentNode() const;
    // The first node in document order that the XPath 1.0 expression selects; invalid when
    // none, the expression is malformed or selects no node set.
    XmlNode selectSingleNode(std::u16string_view xpath) const;

    // New nodes outside the tree; invalid for an element name that is not an XML name or
    // when memory runs out.
    XmlNode createElement(std::u16string_view name) const;
    XmlNode createTextNode(std::u16string_view text) const;
    XmlNode createCDataSection(std::u16string_view text) const;
    XmlNode createComment(std::u16string_view text) const;

private:
    struct State;
    std::shared_ptr<State> m_state;
};

} // namespace zqp
