// ZqXml: an XML document, and ZqXml::Node, a handle to one of its nodes. Loads whole files or
// memory in UTF-16 or UTF-8, picks nodes with XPath or by element name, reads and writes
// attributes as text, int or float, edits the tree and saves it as UTF-16 or UTF-8.
// Both classes are shared handles: a copy refers to the same document or node.
// Failures are reported by the result alone (false, 0 or an invalid node); nothing sets an
// error code. A document and its nodes stay on the thread that made the document.
// Not for: validation, streaming, namespaces. Depends on the platform's XML layer and on
// whole-file loading and saving.
#pragma once

#include "zq/platform/xml/xml.h"
#include "zq/system/ZqString.h"

class ZqXml {
public:
    class Node {
    public:
        // The DOM's node type numbers; NODE_INVALID for no node or a failure.
        enum TYPE : int {
            NODE_INVALID = 0,
            NODE_ELEMENT = 1,
            NODE_ATTRIBUTE = 2,
            NODE_TEXT = 3,
            NODE_CDATA_SECTION = 4,
            NODE_ENTITY_REFERENCE = 5,
            NODE_ENTITY = 6,
            NODE_PROCESSING_INSTRUCTION = 7,
            NODE_COMMENT = 8,
            NODE_DOCUMENT = 9,
            NODE_DOCUMENT_TYPE = 10,
            NODE_DOCUMENT_FRAGMENT = 11,
            NODE_NOTATION = 12,
        };

        // An invalid node.
        Node() = default;
        virtual ~Node() = default;
        Node(const Node&) = default;
        Node& operator=(const Node&) = default;

        bool isValid() const { return m_node.isValid(); }
        TYPE getNodeType() const;

        // The functions that copy text into a caller's buffer write at most size - 1 code
        // units and a terminator, and return true even when the text was cut. A size of 0 or
        // a null buffer gives false and writes nothing.

        // Tag name of an element, name of an attribute; "#text", "#comment" ... for others.
        // The buffer is empty on failure.
        bool getNodeName(char16_t* buf, unsigned int size) const;
        bool getNodeName(ZqString* name) const;
        // Value of a text, CDATA, comment, processing-instruction or attribute node; false
        // with the buffer empty for the other kinds.
        bool getNodeValue(char16_t* buf, unsigned int size) const;
        bool setNodeValue(const char16_t* value);

        // Attributes of an element, in document order; 0 for other kinds.
        unsigned int getNrAttributes() const;
        // The buffer form empties the buffer first.
        bool getAttributeName(unsigned int i, char16_t* buf, unsigned int size) const;
        bool getAttributeName(unsigned int i, ZqString* name) const;
        // The attribute's text. False for a node that is not an element or an absent
        // attribute; the buffer is emptied first, the string left untouched on false.
        bool getAttribute(const char16_t* name, char16_t* buf, unsigned int size) const;
        bool getAttribute(const char16_t* name, ZqString* value) const;
        // The text as a decimal number: leading blanks and a sign allowed, reading stops at
        // the first other character, no digits give 0, out-of-range values saturate to the
        // 32-bit range. The int is untouched when the attribute is missing.
        bool getAttribute(const char16_t* name, int* value) const;
        // The text as a floating-point number ("C" conventions), stored as float.
        bool getAttribute(const char16_t* name, float* value) const;
        // Sets or replaces the attribute of an element; false for other kinds and for a name
        // that is not an XML name.
        bool setAttribute(const char16_t* name, const char16_t* value);
        // The int as "%d".
        bool setAttribute(const char16_t* name, int value);
        // The float as "%f" (six decimals), in full however large.
        bool setAttribute(const char16_t* name, float value);
        // True when the element had the attribute and it was removed.
        bool removeAttribute(const char16_t* name);

        // Value of the i-th child of type text (text children counted alone, in document
        // order); false with the buffer untouched when there is none.
        bool getChildTextNodeValue(unsigned int i, char16_t* buf, unsigned int size) const;
        bool setChildTextNodeValue(unsigned int i, const char16_t* value);

        Node getFirstChild() const;
        Node getLastChild() const;
        Node getNextSibling() const;
        Node getPreviousSibling() const;
        // The first child element (or the nearest following sibling element) whose name is
        // exactly name, case-sensitive; invalid when none.
        Node getFirstChildElement(const char16_t* name) const;
        Node getNextSiblingElement(const char16_t* name) const;
        unsigned int getNrChildren() const;
        Node getChildNode(unsigned int i) const;

        // Tree edits; a node moved in leaves the place it had. Each returns an invalid node
        // when refused (another document's node, a node that holds this one, a second root
        // element, text directly in the document) and leaves the tree as it was.
        // Appends child as the last child; returns it.
        Node addChild(const Node& child);
        // Inserts child in front of before, a child of this node (an invalid before appends);
        // returns child.
        Node addChild(const Node& child, const Node& before);
        // Puts newChild in the place of oldChild; returns oldChild, now outside the tree.
        Node replaceChild(const Node& newChild, const Node& oldChild);
        // Takes child out of the tree; returns it.
        Node removeChild(const Node& child);

    private:
        friend class ZqXml;
        explicit Node(zqp::XmlNode node) : m_node(std::move(node)) {}

        zqp::XmlNode m_node;
    };

    // A new empty document. maxSize limits the size of a document that loads, in bytes of
    // UTF-16 text rounded up to whole kilobytes; 0 sets no limit. Invalid when it cannot be
    // made.
    explicit ZqXml(unsigned int maxSize);
    virtual ~ZqXml() = default;
    ZqXml(const ZqXml&) = default;
    ZqXml& operator=(const ZqXml&) = default;

    bool isValid() const { return m_document.isValid(); }

    // Loading. A failed parse leaves this ZqXml invalid for good; a file that cannot be read
    // (or is shorter than 16 bytes) and memory that cannot be text only give false.
    // A whole file as UTF-16 little-endian text.
    bool load(const char16_t* path);
    // UTF-16 little-endian text of size bytes (even); a leading byte-order mark is skipped.
    bool load(const void* data, unsigned int size);
    // A whole file as UTF-8 text.
    bool loadUtf8(const char16_t* path);
    // UTF-8 text of size bytes; a leading EF BB BF is skipped.
    bool loadUtf8(const void* data, unsigned int size);
    // A 0-terminated UTF-16 string.
    bool loadText(const char16_t* text);

    // Writes FF FE and the document as UTF-16 little-endian text.
    bool save(const char16_t* path) const;
    // Writes (EF BB BF when bom is true,) the document as UTF-8 and one 0 byte.
    bool saveUtf8(const char16_t* path, bool bom) const;

    // The document's children of every kind (declaration, comments, the root element ...).
    unsigned int getNrChildren() const;
    Node getChildNode(unsigned int i) const;
    // The first child of the document that is an element.
    Node getRootElement() const;
    // The first node, in document order, that the XPath expression selects.
    Node selectSingleNode(const char16_t* xpath) const;

    // New nodes that belong to the document but stay outside its tree until added with
    // addChild; invalid on failure (also for an element name that is not an XML name).
    Node createElement(const char16_t* name);
    Node createTextNode(const char16_t* text);
    Node createCDATASection(const char16_t* text);
    Node createComment(const char16_t* text);

private:
    ZqXml() = default;

    zqp::XmlDocument m_document;
};
