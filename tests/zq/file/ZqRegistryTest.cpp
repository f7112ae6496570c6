#include "zq/file/ZqRegistry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;

using Map = ZqMap<ZqString, ZqString>;
using Keys = ZqVector<ZqString>;

// Values of every type and shape the reader must take apart.
const char* const REGISTRY = "\xEF\xBB\xBF; test registry\r\n"
                             "[HKEY_CURRENT_USER\\Software]\r\n"
                             "\"Top\"=\"at the top\"\r\n"
                             "[HKEY_CURRENT_USER\\Software\\Vendor\\Game]\r\n"
                             "\"Name\"=\"caf\xC3\xA9 \\\"q\\\" C:\\\\x\"\r\n"
                             "@=\"default\"\r\n"
                             "\"Count\"=dword:00000041\r\n"
                             "\"NoZero\"=hex:41,00,42,00\r\n"
                             "\"Odd\"=hex:41,00,42\r\n"
                             "\"Inner\"=hex:41,00,00,00,42,00\r\n"
                             "\"Empty\"=hex:\r\n"
                             "\"Bad1\"=dword:41\r\n"
                             "\"Bad2\"=hex:41,\r\n"
                             "\"Bad3\"=\"open\r\n"
                             "garbage line\r\n"
                             "[HKLM\\Software\\Vendor\\Game]\r\n"
                             "\"Name\"=\"machine\"\r\n"
                             "[HKEY_CURRENT_USER\\Software\\Vendor\\Game\\zeta]\r\n"
                             "[hkey_current_user\\software\\VENDOR\\game\\Alpha\\Deep]\r\n"
                             "[HKEY_CURRENT_USER\\Software\\Vendor\\Game\\mid]\r\n"
                             "[HKEY_CURRENT_USER\\Software\\Vendor\\Empty]\r\n"
                             "[HKEY_CURRENT_USER\\Software\\Vendor\\Game]\r\n"
                             "\"count\"=dword:00000042\r\n"
                             "[HKEY_CURRENT_USER\\\\Broken]\r\n"
                             "\"Lost\"=\"x\"\r\n";

class ZqRegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_file = fs::temp_directory_path() /
                 (std::string("zqreg-") +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".txt");
        write(REGISTRY);
        setenv("DORVANEX_REGISTRY", m_file.c_str(), 1);
    }
    void TearDown() override {
        unsetenv("DORVANEX_REGISTRY");
        fs::remove(m_file);
    }
    void write(const std::string& text) const {
        std::ofstream(m_file, std::ios::binary | std::ios::trunc) << text;
    }
    fs::path m_file;
};

TEST_F(ZqRegistryTest, ReadsValuesAsText) {
    struct Case {
        const char16_t* name;
        const char16_t* text;
    };
    for (const Case& c : {
             Case{u"Name", u"caf\u00E9 \"q\" C:\\x"},
             Case{nullptr, u"default"},
             Case{u"COUNT", u"B"},   // names ignore case; the later value wins
             Case{u"NoZero", u"AB"}, // no terminator: read to the stored length only
             Case{u"Odd", u"A"},     // a lone last byte is no character
             Case{u"Inner", u"A"},   // text ends at the first 0
             Case{u"Empty", u""},
         }) {
        SCOPED_TRACE(c.name
                         ? std::string(c.name, c.name + std::char_traits<char16_t>::length(c.name))
                         : "default");
        ZqString value = u"old";
        EXPECT_TRUE(ZqRegistry::getValue(false, u"Vendor\\Game", c.name, &value));
        EXPECT_EQ(c.text, value);
    }
    ZqString value;
    EXPECT_TRUE(ZqRegistry::getValue(false, nullptr, u"Top", &value));
    EXPECT_EQ(u"at the top", value);
    EXPECT_TRUE(ZqRegistry::getValue(false, u"vendor\\GAME", u"name", &value));
    EXPECT_TRUE(ZqRegistry::getValue(true, u"Vendor\\Game", u"Name", &value));
    EXPECT_EQ(u"machine", value);
}

TEST_F(ZqRegistryTest, MissingOrUnreadableGivesFalseAndKeepsOutput) {
    struct Case {
        bool machine;
        const char16_t* path;
        const char16_t* name;
    };
    for (const Case& c : {
             Case{false, u"Vendor\\Game", u"Nope"},
             Case{false, u"Vendor\\Nope", u"Name"},
             Case{true, u"Vendor\\Game", u"Count"}, // only the user's key has it
             Case{false, u"Vendor\\Game", u"Bad1"}, // short dword
             Case{false, u"Vendor\\Game", u"Bad2"}, // cut-off bytes
             Case{false, u"Vendor\\Game", u"Bad3"}, // unterminated string
             Case{false, u"Vendor\\\\Game", u"Name"},
             Case{false, u"Broken", u"Lost"},
         }) {
        ZqString value = u"unchanged";
        EXPECT_FALSE(ZqRegistry::getValue(c.machine, c.path, c.name, &value));
        EXPECT_EQ(u"unchanged", value);
    }
    // A path that does not fit the key buffer is refused rather than cut.
    const ZqString longPath = u"Vendor\\" + ZqString(250, u'x');
    ZqString value = u"unchanged";
    EXPECT_FALSE(ZqRegistry::getValue(false, longPath.c_str(), u"Name", &value));
    EXPECT_FALSE(ZqRegistry::getValue(false, u"Vendor\\Game", u"Name", nullptr));

    // No file at all: every key is missing.
    fs::remove(m_file);
    EXPECT_FALSE(ZqRegistry::getValue(false, nullptr, u"Top", &value));
    Map map;
    EXPECT_FALSE(ZqRegistry::getAllValues(false, nullptr, &map));
    EXPECT_EQ(u"unchanged", value);
}

TEST_F(ZqRegistryTest, DataSizeLimit) {
    std::string hex;
    for (int i = 0; i < 256; ++i) {
        hex += i ? ",41,00" : "41,00";
    }
    write("[HKCU\\Software\\S]\n\"Full\"=hex:" + hex + "\n\"Over\"=hex:" + hex + ",41,00\n");
    ZqString value;
    // 512 bytes with no terminator: all 256 characters.
    EXPECT_TRUE(ZqRegistry::getValue(false, u"S", u"Full", &value));
    EXPECT_EQ(ZqString(256, u'A'), value);
    EXPECT_FALSE(ZqRegistry::getValue(false, u"S", u"Over", &value));

    // Enumeration stops at the value that does not fit and keeps what it had.
    Map map{{u"Keep", u"me"}};
    EXPECT_FALSE(ZqRegistry::getAllValues(false, u"S", &map));
    EXPECT_EQ((Map{{u"Keep", u"me"}, {u"Full", ZqString(256, u'A')}}), map);
}

TEST_F(ZqRegistryTest, AllValues) {
    Map map{{u"Name", u"replaced"}, {u"Other", u"kept"}};
    EXPECT_TRUE(ZqRegistry::getAllValues(false, u"Vendor\\Game", &map));
    EXPECT_EQ((Map{{u"Name", u"caf\u00E9 \"q\" C:\\x"},
                   {u"", u"default"},
                   {u"Count", u"B"},
                   {u"NoZero", u"AB"},
                   {u"Odd", u"A"},
                   {u"Inner", u"A"},
                   {u"Empty", u""},
                   {u"Other", u"kept"}}),
              map);

    // A key with no values: true, map unchanged. A name too long ends it with false.
    Map empty{{u"x", u"y"}};
    EXPECT_TRUE(ZqRegistry::getAllValues(false, u"Vendor\\Empty", &empty));
    EXPECT_EQ((Map{{u"x", u"y"}}), empty);

    write("[HKCU\\Software\\N]\n\"A\"=\"1\"\n\"" + std::string(256, 'n') +
          "\"=\"2\"\n\"C\"=\"3\"\n");
    Map partial;
    EXPECT_FALSE(ZqRegistry::getAllValues(false, u"N", &partial));
    EXPECT_EQ((Map{{u"A", u"1"}}), partial);
    write("[HKCU\\Software\\N]\n\"" + std::string(255, 'n') + "\"=\"2\"\n");
    EXPECT_TRUE(ZqRegistry::getAllValues(false, u"N", &partial));
    EXPECT_EQ(2u, partial.size());
}

TEST_F(ZqRegistryTest, AllKeys) {
    Keys keys{u"before"};
    EXPECT_TRUE(ZqRegistry::getAllKeys(false, u"Vendor\\Game", &keys));
    EXPECT_EQ((Keys{u"before", u"Alpha", u"mid", u"zeta"}), keys);

    Keys top;
    EXPECT_TRUE(ZqRegistry::getAllKeys(false, nullptr, &top));
    EXPECT_EQ((Keys{u"Vendor"}), top);

    Keys none{u"x"};
    EXPECT_TRUE(ZqRegistry::getAllKeys(false, u"Vendor\\Game\\Alpha\\Deep", &none));
    EXPECT_EQ((Keys{u"x"}), none);
    EXPECT_FALSE(ZqRegistry::getAllKeys(false, u"Vendor\\Missing", &none));
    EXPECT_EQ((Keys{u"x"}), none);
}

TEST_F(ZqRegistryTest, TruncatedFileKeepsWhatIsWhole) {
    const std::string full = REGISTRY;
    // Cut the file at every byte: nothing crashes, and whatever reads is a prefix's value.
    for (size_t cut = 0; cut <= full.size(); ++cut) {
        write(full.substr(0, cut));
        ZqString value;
        if (ZqRegistry::getValue(false, u"Vendor\\Game", u"Name", &value)) {
            EXPECT_EQ(u"caf\u00E9 \"q\" C:\\x", value) << cut;
        }
        if (ZqRegistry::getValue(false, u"Vendor\\Game", u"NoZero", &value)) {
            EXPECT_EQ(u"AB", value) << cut;
        }
        Map map;
        Keys keys;
        ZqRegistry::getAllValues(false, u"Vendor\\Game", &map);
        ZqRegistry::getAllKeys(false, u"Vendor\\Game", &keys);
    }
}

} // namespace

// A folder, a device or a FIFO named as the registry file reads as no file: no exception,
// no endless read of /dev/zero, no wait for a FIFO's writer.
TEST_F(ZqRegistryTest, NotARegularFileReadsAsMissing) {
    const fs::path folder = m_file.string() + ".d";
    const fs::path fifo = m_file.string() + ".fifo";
    fs::create_directory(folder);
    ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
    for (const fs::path& p : {folder, fs::path("/dev/zero"), fifo}) {
        SCOPED_TRACE(p.string());
        setenv("DORVANEX_REGISTRY", p.c_str(), 1);
        ZqString value = u"unchanged";
        EXPECT_FALSE(ZqRegistry::getValue(false, nullptr, u"Top", &value));
        EXPECT_EQ(u"unchanged", value);
    }
    fs::remove(folder);
    fs::remove(fifo);
}
