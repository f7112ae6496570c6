#include "zq/xml/ZqXml.h"
#include "zq/file/ZqFile.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

using Node = ZqXml::Node;

// The fixture of the typical document: root a with x and y, then b, the text t, b.
constexpr char16_t SAMPLE[] = u"<a x=\"12\" y=\"1.5\"><b/>t<b k=\"2\"/></a>";

// A readable dump of a subtree: kind, name, value, attributes, children.
ZqString dump(const Node& n) {
    ZqString out;
    ZqString text;
    for (const char c : std::to_string(n.getNodeType())) {
        out += char16_t(c);
    }
    if (n.getNodeName(&text)) {
        out += u":" + text;
    }
    char16_t value[256];
    if (n.getNodeValue(value, 256)) {
        out += u"=" + ZqString(value);
    }
    for (unsigned int i = 0; i < n.getNrAttributes(); ++i) {
        ZqString name;
        ZqString v;
        EXPECT_TRUE(n.getAttributeName(i, &name));
        EXPECT_TRUE(n.getAttribute(name.c_str(), &v));
        out += u" @" + name + u"=" + v;
    }
    if (n.getNrChildren() > 0) {
        out += u"(";
        for (unsigned int i = 0; i < n.getNrChildren(); ++i) {
            out += (i ? u"," : u"") + dump(n.getChildNode(i));
        }
        out += u")";
    }
    return out;
}

ZqString dump(const ZqXml& xml) {
    ZqString out;
    for (unsigned int i = 0; i < xml.getNrChildren(); ++i) {
        out += dump(xml.getChildNode(i)) + u";";
    }
    return out;
}

std::string narrow(const ZqString& s) {
    return std::string(s.begin(), s.end());
}

std::vector<uint8_t> utf16le(const ZqString& s) {
    std::vector<uint8_t> bytes;
    for (const char16_t c : s) {
        bytes.push_back(static_cast<uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<uint8_t>(c >> 8));
    }
    return bytes;
}

std::vector<uint8_t> readBytes(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class XmlFiles : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() /
                ("zqxml-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                 "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir / "drive_e" / "cfg");
        setenv("DORVANEX_DRIVE_E", (m_dir / "drive_e").c_str(), 1);
        ZqFile::sysInit();
    }
    void TearDown() override {
        ZqFile::sysQuit();
        unsetenv("DORVANEX_DRIVE_E");
        fs::remove_all(m_dir);
    }
    ZqString path(const char* name) const { return (m_dir / name).u16string(); }
    fs::path m_dir;
};

TEST(ZqXml, LoadFromMemoryUtf16) {
    ZqXml xml(0);
    // An odd byte count is refused before parsing: the document stays usable.
    EXPECT_FALSE(xml.load("<a/>\0\0\0", 7));
    EXPECT_TRUE(xml.isValid());

    std::vector<uint8_t> bytes{0xFF, 0xFE};
    const std::vector<uint8_t> body = utf16le(u"<root/>");
    bytes.insert(bytes.end(), body.begin(), body.end());
    ASSERT_TRUE(xml.load(bytes.data(), static_cast<unsigned int>(bytes.size())));
    EXPECT_EQ(u"1:root;", dump(xml));
    // Without the mark the same text loads too.
    ASSERT_TRUE(xml.load(body.data(), static_cast<unsigned int>(body.size())));
    EXPECT_EQ(u"1:root;", dump(xml));
    EXPECT_FALSE(xml.load(nullptr, 4));
}

TEST(ZqXml, LoadFromMemoryUtf8WithAndWithoutMark) {
    const std::string text =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><r v=\"\xC3\xA9\xE2\x82\xAC\"/>";
    for (const std::string& bytes : {"\xEF\xBB\xBF" + text, text}) {
        ZqXml xml(0);
        ASSERT_TRUE(xml.loadUtf8(bytes.data(), static_cast<unsigned int>(bytes.size())));
        EXPECT_EQ(u"7:xml=version=\"1.0\" encoding=\"UTF-8\";1:r @v=\u00E9\u20AC;", dump(xml));
    }
    // A mark alone converts to nothing: false, but the document was not parsed.
    ZqXml xml(0);
    EXPECT_FALSE(xml.loadUtf8("\xEF\xBB\xBF", 3));
    EXPECT_TRUE(xml.isValid());
}

TEST(ZqXml, MalformedTextInvalidatesTheDocument) {
    for (const char16_t* text : {u"", u"<a>", u"<a></b>", u"<a/><b/>", u"<a x='1' x='2'/>",
                                 u"<1a/>", u"<a b=c/>", u"just text"}) {
        SCOPED_TRACE(narrow(text));
        ZqXml xml(0);
        ASSERT_TRUE(xml.loadText(u"<ok/>"));
        EXPECT_FALSE(xml.loadText(text));
        EXPECT_FALSE(xml.isValid());
        EXPECT_FALSE(xml.getRootElement().isValid());
        EXPECT_EQ(0u, xml.getNrChildren());
        // It stays invalid: good text no longer loads either.
        EXPECT_FALSE(xml.loadText(u"<ok/>"));
        EXPECT_FALSE(xml.createElement(u"e").isValid());
    }
}

TEST(ZqXml, NavigatesTheTypicalDocument) {
    ZqXml xml(0);
    ASSERT_TRUE(xml.loadText(SAMPLE));
    Node a = xml.getRootElement();
    ASSERT_TRUE(a.isValid());
    EXPECT_EQ(Node::NODE_ELEMENT, a.getNodeType());

    int x = -1;
    float y = -1.0f;
    EXPECT_TRUE(a.getAttribute(u"x", &x));
    EXPECT_EQ(12, x);
    EXPECT_TRUE(a.getAttribute(u"y", &y));
    EXPECT_EQ(1.5f, y);
    int missing = 99;
    float missingF = 9.5f;
    ZqString missingS = u"keep";
    EXPECT_FALSE(a.getAttribute(u"z", &missing));
    EXPECT_FALSE(a.getAttribute(u"z", &missingF));
    EXPECT_FALSE(a.getAttribute(u"z", &missingS));
    EXPECT_EQ(99, missing);
    EXPECT_EQ(9.5f, missingF);
    EXPECT_EQ(u"keep", missingS);

    const Node b1 = a.getFirstChildElement(u"b");
    ASSERT_TRUE(b1.isValid());
    EXPECT_EQ(0u, b1.getNrAttributes());
    const Node b2 = b1.getNextSiblingElement(u"b");
    ASSERT_TRUE(b2.isValid());
    EXPECT_EQ(1u, b2.getNrAttributes());
    EXPECT_FALSE(b2.getNextSiblingElement(u"b").isValid());
    EXPECT_FALSE(a.getFirstChildElement(u"B").isValid()); // names are case-sensitive

    char16_t buf[8] = u"zzzzzzz";
    EXPECT_TRUE(a.getChildTextNodeValue(0, buf, 8));
    EXPECT_EQ(ZqString(u"t"), buf);
    EXPECT_FALSE(a.getChildTextNodeValue(1, buf, 8));
    EXPECT_EQ(ZqString(u"t"), buf); // untouched when there is no such child

    EXPECT_EQ(3u, a.getNrChildren());
    EXPECT_EQ(Node::NODE_TEXT, a.getChildNode(1).getNodeType());
    EXPECT_FALSE(a.getChildNode(3).isValid());
    EXPECT_EQ(Node::NODE_TEXT, b2.getPreviousSibling().getNodeType());
    EXPECT_EQ(Node::NODE_TEXT, b1.getNextSibling().getNodeType());
    EXPECT_EQ(1u, a.getLastChild().getNrAttributes());
    EXPECT_FALSE(b1.getFirstChild().isValid());
}

TEST(ZqXml, BufferForms) {
    ZqXml xml(0);
    ASSERT_TRUE(xml.loadText(u"<a name=\"abcdef\"><!--c--><![CDATA[<x>]]></a>"));
    Node a = xml.getRootElement();
    char16_t buf[4] = {u'q', u'q', u'q', u'q'};
    // A cut text is still success.
    EXPECT_TRUE(a.getAttribute(u"name", buf, 4));
    EXPECT_EQ(ZqString(u"abc"), buf);
    EXPECT_TRUE(a.getNodeName(buf, 4));
    EXPECT_EQ(ZqString(u"a"), buf);
    EXPECT_TRUE(a.getAttributeName(0, buf, 4));
    EXPECT_EQ(ZqString(u"nam"), buf);

    // Failures leave the buffer empty; size 0 writes nothing.
    buf[0] = u'q';
    EXPECT_FALSE(a.getAttribute(u"none", buf, 4));
    EXPECT_EQ(u'\0', buf[0]);
    buf[0] = u'q';
    EXPECT_FALSE(a.getNodeValue(buf, 4)); // an element has no value
    EXPECT_EQ(u'\0', buf[0]);
    buf[0] = u'q';
    EXPECT_FALSE(a.getAttributeName(1, buf, 4));
    EXPECT_EQ(u'\0', buf[0]);
    buf[0] = u'q';
    EXPECT_FALSE(a.getAttribute(u"name", buf, 0));
    EXPECT_FALSE(a.getNodeName(buf, 0));
    EXPECT_EQ(u'q', buf[0]);

    char16_t value[16];
    EXPECT_TRUE(a.getChildNode(0).getNodeValue(value, 16));
    EXPECT_EQ(ZqString(u"c"), value);
    EXPECT_EQ(Node::NODE_CDATA_SECTION, a.getChildNode(1).getNodeType());
    EXPECT_TRUE(a.getChildNode(1).getNodeValue(value, 16));
    EXPECT_EQ(ZqString(u"<x>"), value);

    // An invalid node answers nothing.
    const Node none;
    EXPECT_EQ(Node::NODE_INVALID, none.getNodeType());
    EXPECT_FALSE(none.getNodeName(buf, 4));
    EXPECT_EQ(0u, none.getNrChildren());
    EXPECT_FALSE(none.getFirstChild().isValid());
}

TEST(ZqXml, TypedAttributes) {
    ZqXml xml(0);
    ASSERT_TRUE(xml.loadText(u"<a/>"));
    Node a = xml.getRootElement();
    ZqString text;

    EXPECT_TRUE(a.setAttribute(u"i", 7));
    EXPECT_TRUE(a.getAttribute(u"i", &text));
    EXPECT_EQ(u"7", text);
    EXPECT_TRUE(a.setAttribute(u"i", INT_MIN));
    EXPECT_TRUE(a.getAttribute(u"i", &text));
    EXPECT_EQ(u"-2147483648", text);

    EXPECT_TRUE(a.setAttribute(u"f", 0.5f));
    EXPECT_TRUE(a.getAttribute(u"f", &text));
    EXPECT_EQ(u"0.500000", text);
    // Large values are written in full, not cut to a wrong number.
    EXPECT_TRUE(a.setAttribute(u"f", 1e30f));
    EXPECT_TRUE(a.getAttribute(u"f", &text));
    EXPECT_EQ(u"1000000015047466219876688855040.000000", text);
    float f = 0.0f;
    EXPECT_TRUE(a.getAttribute(u"f", &f));
    EXPECT_EQ(1e30f, f);

    struct IntCase {
        const char16_t* text;
        int value;
    };
    for (const IntCase& c : {IntCase{u"  42", 42}, IntCase{u"\t-7x", -7}, IntCase{u"+5", 5},
                             IntCase{u"abc", 0}, IntCase{u"", 0}, IntCase{u"- 3", 0},
                             IntCase{u"99999999999", INT_MAX}, IntCase{u"-99999999999", INT_MIN}}) {
        SCOPED_TRACE(narrow(c.text));
        ASSERT_TRUE(a.setAttribute(u"n", c.text));
        int v = 1234;
        EXPECT_TRUE(a.getAttribute(u"n", &v));
        EXPECT_EQ(c.value, v);
    }
    struct FloatCase {
        const char16_t* text;
        float value;
    };
    const float inf = std::numeric_limits<float>::infinity();
    for (const FloatCase& c :
         {FloatCase{u" 1.5", 1.5f}, FloatCase{u"-2.25e1", -22.5f}, FloatCase{u".25xyz", 0.25f},
          FloatCase{u"+3", 3.0f}, FloatCase{u"abc", 0.0f}, FloatCase{u"0x1p3", 8.0f},
          FloatCase{u"1e39", inf}, FloatCase{u"-1e400", -inf}, FloatCase{u"1e-400", 0.0f},
          FloatCase{u"0.0000000000000000000000000000000000000000000000000000000000000000000000"
                    u"00000000000000000000000000000000000000000000000000000000000000000000000"
                    u"00000000000000000000000000000000000000000000000000000000000000000000000"
                    u"00000000000000000000000000000000000000000000000000000000000000000000000"
                    u"00000000000000000000000000000000000000000000000000000000000001",
                    0.0f},
          FloatCase{u"inf", inf}}) {
        SCOPED_TRACE(narrow(c.text));
        ASSERT_TRUE(a.setAttribute(u"n", c.text));
        float v = 1234.0f;
        EXPECT_TRUE(a.getAttribute(u"n", &v));
        EXPECT_EQ(c.value, v);
    }

    // Attributes only on elements, only with XML names.
    EXPECT_FALSE(a.setAttribute(u"bad name", u"v"));
    EXPECT_FALSE(a.setAttribute(u"", u"v"));
    Node t = xml.createTextNode(u"t");
    EXPECT_FALSE(t.setAttribute(u"x", u"v"));
    EXPECT_FALSE(t.getAttribute(u"x", &text));

    EXPECT_TRUE(a.removeAttribute(u"i"));
    EXPECT_FALSE(a.removeAttribute(u"i"));
    EXPECT_FALSE(a.getAttribute(u"i", &text));
}

TEST(ZqXml, SizeLimitInWholeKilobytes) {
    // Text of n UTF-16 units is 2n bytes.
    const auto text = [](size_t bytes) { return u"<a>" + ZqString(bytes / 2 - 7, u'x') + u"</a>"; };
    struct Case {
        unsigned int maxSize;
        size_t bytes;
        bool loads;
    };
    for (const Case& c :
         {Case{0, 100000, true}, Case{1, 1024, true}, Case{1, 1026, false}, Case{1024, 1024, true},
          Case{1024, 1026, false}, Case{1025, 2048, true}, Case{1025, 2050, false}}) {
        SCOPED_TRACE(std::to_string(c.maxSize) + " " + std::to_string(c.bytes));
        ZqXml xml(c.maxSize);
        EXPECT_EQ(c.loads, xml.loadText(text(c.bytes).c_str()));
    }
}

TEST(ZqXml, XPathSelection) {
    ZqXml xml(0);
    ASSERT_TRUE(xml.loadText(u"<?xml version=\"1.0\"?><!--top--><cfg x=\"12\"><dev id=\"1\"/>"
                             u"<dev id=\"2\"><key n=\"up\">38</key></dev></cfg>"));
    int id = 0;
    EXPECT_TRUE(xml.selectSingleNode(u"/cfg/dev[2]").getAttribute(u"id", &id));
    EXPECT_EQ(2, id);
    EXPECT_TRUE(xml.selectSingleNode(u"//dev").getAttribute(u"id", &id));
    EXPECT_EQ(1, id); // the first in document order
    char16_t buf[8];
    EXPECT_TRUE(xml.selectSingleNode(u"//key[@n='up']").getChildTextNodeValue(0, buf, 8));
    EXPECT_EQ(ZqString(u"38"), buf);
    EXPECT_EQ(Node::NODE_TEXT, xml.selectSingleNode(u"//key/text()").getNodeType());

    // Attribute nodes: their value is the text, they can be set through it.
    Node attr = xml.selectSingleNode(u"/cfg/@x");
    EXPECT_EQ(Node::NODE_ATTRIBUTE, attr.getNodeType());
    EXPECT_TRUE(attr.getNodeName(buf, 8));
    EXPECT_EQ(ZqString(u"x"), buf);
    EXPECT_TRUE(attr.setNodeValue(u"13"));
    EXPECT_TRUE(xml.getRootElement().getAttribute(u"x", &id));
    EXPECT_EQ(13, id);
    EXPECT_EQ(0u, attr.getNrChildren());

    EXPECT_EQ(Node::NODE_DOCUMENT, xml.selectSingleNode(u"/").getNodeType());
    EXPECT_EQ(Node::NODE_COMMENT, xml.selectSingleNode(u"/comment()").getNodeType());
    // No match, a malformed expression, or one that is not a node set: invalid, and the
    // document is unharmed.
    for (const char16_t* q : {u"/cfg/none", u"//[", u"count(//dev)", u"", u"1 +"}) {
        SCOPED_TRACE(narrow(q));
        EXPECT_FALSE(xml.selectSingleNode(q).isValid());
    }
    EXPECT_FALSE(xml.selectSingleNode(nullptr).isValid());
    EXPECT_TRUE(xml.isValid());
}

TEST(ZqXml, DocumentChildrenAndKinds) {
    ZqXml xml(0);
    ASSERT_TRUE(xml.loadText(u"<?xml version=\"1.0\"?><!DOCTYPE r><?pi data?><!--c--><r/>"));
    EXPECT_EQ(u"7:xml=version=\"1.0\";10:r;7:pi=data;8:#comment=c;1:r;", dump(xml));
    EXPECT_EQ(u"r", [&] {
        ZqString name;
        xml.getRootElement().getNodeName(&name);
        return name;
    }());
    EXPECT_FALSE(xml.getChildNode(5).isValid());
    char16_t buf[16];
    EXPECT_TRUE(xml.selectSingleNode(u"/").getNodeName(buf, 16));
    EXPECT_EQ(ZqString(u"#document"), buf);
}

TEST(ZqXml, EditsTheTree) {
    ZqXml xml(0);
    ASSERT_TRUE(xml.loadText(u"<root><a/><c/></root>"));
    Node root = xml.getRootElement();

    // A created node is outside the tree until added.
    Node b = xml.createElement(u"b");
    ASSERT_TRUE(b.isValid());
    EXPECT_FALSE(xml.selectSingleNode(u"//b").isValid());
    EXPECT_FALSE(b.getNextSibling().isValid());
    EXPECT_TRUE(b.setAttribute(u"k", u"v"));
    const Node c = root.getChildNode(1);
    EXPECT_TRUE(root.addChild(b, c).isValid());
    // The handle is the node in the tree: edits through it show.
    EXPECT_TRUE(b.setAttribute(u"k2", 5));
    EXPECT_EQ(u"1:root(1:a,1:b @k=v @k2=5,1:c);", dump(xml));

    Node text = xml.createTextNode(u"hello");
    EXPECT_TRUE(b.addChild(text).isValid());
    EXPECT_TRUE(b.addChild(xml.createCDATASection(u"]]>")).isValid());
    EXPECT_TRUE(b.addChild(xml.createComment(u"note")).isValid());
    EXPECT_TRUE(b.setChildTextNodeValue(0, u"bye"));
    EXPECT_FALSE(b.setChildTextNodeValue(1, u"no"));
    EXPECT_EQ(u"1:root(1:a,1:b @k=v @k2=5(3:#text=bye,4:#cdata-section=]]>,8:#comment=note),1:c);",
              dump(xml));

    // Replace: the old node comes back, outside the tree, still usable.
    Node d = xml.createElement(u"d");
    Node old = root.replaceChild(d, root.getFirstChildElement(u"a"));
    ASSERT_TRUE(old.isValid());
    EXPECT_EQ(u"1:root(1:d,1:b @k=v @k2=5(3:#text=bye,4:#cdata-section=]]>,8:#comment=note),1:c);",
              dump(xml));
    EXPECT_FALSE(xml.selectSingleNode(u"//a").isValid());
    EXPECT_FALSE(old.getNextSibling().isValid());

    // Remove, then add the removed node back at the end.
    Node removed = root.removeChild(b);
    ASSERT_TRUE(removed.isValid());
    EXPECT_EQ(u"1:root(1:d,1:c);", dump(xml));
    EXPECT_FALSE(xml.selectSingleNode(u"//comment()").isValid());
    EXPECT_TRUE(root.addChild(old).isValid());
    EXPECT_EQ(u"1:root(1:d,1:c,1:a);", dump(xml));

    // Moving within the tree.
    EXPECT_TRUE(root.addChild(root.getFirstChild()).isValid());
    EXPECT_EQ(u"1:root(1:c,1:a,1:d);", dump(xml));
    EXPECT_TRUE(root.addChild(root.getLastChild(), root.getFirstChild()).isValid());
    EXPECT_EQ(u"1:root(1:d,1:c,1:a);", dump(xml));
}

TEST(ZqXml, RefusedEditsLeaveTheTree) {
    ZqXml xml(0);
    ASSERT_TRUE(xml.loadText(u"<root><a><b/></a></root>"));
    ZqXml other(0);
    ASSERT_TRUE(other.loadText(u"<o/>"));
    Node root = xml.getRootElement();
    Node a = root.getFirstChild();
    Node b = a.getFirstChild();
    Node document = xml.selectSingleNode(u"/");
    const ZqString before = dump(xml);

    EXPECT_FALSE(b.addChild(a).isValid());                         // into its own subtree
    EXPECT_FALSE(a.addChild(a).isValid());                         // into itself
    EXPECT_FALSE(root.addChild(other.getRootElement()).isValid()); // another document's
    EXPECT_FALSE(document.addChild(xml.createElement(u"second")).isValid());
    EXPECT_FALSE(document.addChild(xml.createTextNode(u"t")).isValid());
    EXPECT_FALSE(root.removeChild(b).isValid()); // not a child of root
    EXPECT_FALSE(root.replaceChild(xml.createElement(u"x"), b).isValid());
    EXPECT_FALSE(root.addChild(Node()).isValid());
    EXPECT_FALSE(root.addChild(xml.selectSingleNode(u"/")).isValid());
    EXPECT_FALSE(xml.createElement(u"no good").isValid());
    EXPECT_FALSE(xml.createElement(nullptr).isValid());
    EXPECT_FALSE(xml.createTextNode(u"t").addChild(xml.createElement(u"e")).isValid());
    EXPECT_EQ(before, dump(xml));

    // The document takes a comment, and a new root element in place of the old one.
    EXPECT_TRUE(document.addChild(xml.createComment(u"c")).isValid());
    EXPECT_TRUE(document.replaceChild(xml.createElement(u"fresh"), root).isValid());
    EXPECT_EQ(u"1:fresh;8:#comment=c;", dump(xml));
}

TEST(ZqXml, HandlesShareTheDocument) {
    Node kept;
    {
        ZqXml xml(0);
        ASSERT_TRUE(xml.loadText(SAMPLE));
        ZqXml copy = xml;
        const ZqXml& same = copy;
        copy = same; // assignment to itself keeps the share
        EXPECT_TRUE(copy.getRootElement().setAttribute(u"shared", 1));
        int v = 0;
        EXPECT_TRUE(xml.getRootElement().getAttribute(u"shared", &v));
        EXPECT_EQ(1, v);
        kept = xml.getRootElement().getFirstChild();

        // A reload gives a new tree; a node of the old one stays usable.
        Node oldRoot = xml.getRootElement();
        ASSERT_TRUE(xml.loadText(u"<new/>"));
        ZqString name;
        EXPECT_TRUE(oldRoot.getNodeName(&name));
        EXPECT_EQ(u"a", name);
        EXPECT_FALSE(xml.getRootElement().addChild(oldRoot).isValid());
    }
    // The node outlives every document handle.
    ZqString name;
    EXPECT_TRUE(kept.getNodeName(&name));
    EXPECT_EQ(u"b", name);
}

TEST_F(XmlFiles, SaveUtf16RoundTrip) {
    ZqXml xml(0);
    ASSERT_TRUE(
        xml.loadText(u"<?xml version=\"1.0\" encoding=\"UTF-8\"?><!--c-->"
                     u"<a x=\"1 &amp; &lt;2&gt; &quot;q&quot;\">t\u00E9xt<b/><![CDATA[z]]></a>"));
    const ZqString tree = dump(xml);
    ASSERT_TRUE(xml.save(path("u16.xml").c_str()));

    const std::vector<uint8_t> bytes = readBytes(m_dir / "u16.xml");
    ASSERT_GE(bytes.size(), 4u);
    EXPECT_EQ(0xFF, bytes[0]);
    EXPECT_EQ(0xFE, bytes[1]);
    EXPECT_EQ(0u, bytes.size() % 2);
    EXPECT_EQ('<', bytes[2]);
    EXPECT_EQ(0, bytes[3]);

    // The declaration loses its encoding: the text is UTF-16 now, whatever it was.
    ZqString expected = tree;
    expected.erase(expected.find(u" encoding=\"UTF-8\""), 17);
    ZqXml back(0);
    ASSERT_TRUE(back.load(path("u16.xml").c_str()));
    EXPECT_EQ(expected, dump(back));
}

TEST_F(XmlFiles, SaveUtf8RoundTrip) {
    ZqXml xml(0);
    ASSERT_TRUE(xml.loadText(u"<a v=\"\u20AC\U0001F600\">line1\nline2</a>"));
    const ZqString tree = dump(xml);
    for (const bool bom : {true, false}) {
        SCOPED_TRACE(bom);
        ASSERT_TRUE(xml.saveUtf8(path("u8.xml").c_str(), bom));
        const std::vector<uint8_t> bytes = readBytes(m_dir / "u8.xml");
        ASSERT_GE(bytes.size(), 5u);
        const size_t start = bom ? 3 : 0;
        if (bom) {
            EXPECT_EQ((std::vector<uint8_t>{0xEF, 0xBB, 0xBF}),
                      std::vector<uint8_t>(bytes.begin(), bytes.begin() + 3));
        }
        EXPECT_EQ('<', bytes[start]);
        EXPECT_EQ(0, bytes.back()); // the terminator is written too
        EXPECT_EQ(bytes.end() - 1, std::find(bytes.begin(), bytes.end(), 0));

        ZqXml back(0);
        ASSERT_TRUE(back.loadUtf8(path("u8.xml").c_str()));
        EXPECT_EQ(tree, dump(back));
    }
}

TEST_F(XmlFiles, GamePathsGoThroughTheFileLayer) {
    ZqXml xml(0);
    ASSERT_TRUE(xml.loadText(u"<layout><button id=\"3\"/></layout>"));
    ASSERT_TRUE(xml.saveUtf8(u"e:\\cfg\\layout.xml", true));
    EXPECT_TRUE(fs::exists(m_dir / "drive_e" / "cfg" / "layout.xml"));
    ZqXml back(0);
    ASSERT_TRUE(back.loadUtf8(u"E:/CFG/Layout.xml")); // the letter case of a name may differ
    EXPECT_EQ(dump(xml), dump(back));
}

TEST_F(XmlFiles, UnreadableFilesAndInvalidDocuments) {
    ZqXml xml(0);
    EXPECT_FALSE(xml.load(path("missing.xml").c_str()));
    EXPECT_FALSE(xml.loadUtf8(path("missing.xml").c_str()));
    {
        std::ofstream(m_dir / "short.xml") << "<a/>"; // under 16 bytes
    }
    EXPECT_FALSE(xml.loadUtf8(path("short.xml").c_str()));
    EXPECT_TRUE(xml.isValid()); // nothing was parsed

    // A file that is not a document spoils the object like any failed parse.
    { std::ofstream(m_dir / "bad.xml") << "<a><b></a>........."; }
    EXPECT_FALSE(xml.loadUtf8(path("bad.xml").c_str()));
    EXPECT_FALSE(xml.isValid());
    EXPECT_FALSE(xml.save(path("out.xml").c_str()));
    EXPECT_FALSE(xml.saveUtf8(path("out.xml").c_str(), true));
    EXPECT_FALSE(fs::exists(m_dir / "out.xml"));

    ZqXml good(0);
    ASSERT_TRUE(good.loadText(u"<a/>"));
    EXPECT_FALSE(good.save((m_dir / "no-such-dir" / "x.xml").u16string().c_str()));
}

} // namespace
