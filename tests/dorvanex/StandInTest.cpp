// The stand-ins of the game and its data set: every one carries one marker line in its banner,
// "// Stand-in: what the body does; replaced by #N", and the README's "What it does not do"
// names exactly the files that carry one. The test lists them, so that a stand-in that lands
// or a new one shows up in the README.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace {

constexpr char MARKER[] = "// Stand-in: ";

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](const unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

TEST(StandIns, EachCarriesOneMarkerAndTheReadmeNamesThemAll) {
    const char* const source = std::getenv("ZQ_TEST_SOURCE_DIR");
    ASSERT_NE(source, nullptr);
    const fs::path root(source);
    const std::regex issue("#[0-9]+");

    std::set<std::string> marked;
    for (const char* const folder : {"dorvanex", "tools"}) {
        for (const auto& entry : fs::recursive_directory_iterator(root / folder)) {
            const std::string ext = entry.path().extension().string();
            if (!entry.is_regular_file() || (ext != ".h" && ext != ".cpp")) {
                continue;
            }
            const std::string path = fs::relative(entry.path(), root).generic_string();
            std::ifstream in(entry.path());
            std::string line;
            bool inBanner = true;
            bool bannerSaysStandIn = false;
            int markers = 0;
            while (std::getline(in, line)) {
                if (line.rfind(MARKER, 0) == 0) {
                    ++markers;
                    EXPECT_TRUE(std::regex_search(line, issue))
                        << path << ": the marker names the issue that replaces it";
                }
                if (inBanner && line.rfind("//", 0) != 0) {
                    inBanner = false;
                }
                if (inBanner && lower(line).find("stand-in") != std::string::npos) {
                    bannerSaysStandIn = true;
                }
            }
            EXPECT_LE(markers, 1) << path;
            if (bannerSaysStandIn) {
                EXPECT_EQ(markers, 1) << path << ": a banner that speaks of a stand-in marks it";
            }
            if (markers > 0) {
                marked.insert(path);
            }
        }
    }

    // The README's section, up to the next heading, and the files it names in backticks.
    std::ifstream readme(root / "README.md");
    std::stringstream text;
    text << readme.rdbuf();
    const std::string all = text.str();
    const size_t start = all.find("## What it does not do");
    ASSERT_NE(start, std::string::npos);
    const size_t end = all.find("\n## ", start + 1);
    const std::string section = all.substr(start, end == std::string::npos ? end : end - start);
    std::set<std::string> named;
    const std::regex file("`((dorvanex|tools)/[^`]+\\.(h|cpp))`");
    for (auto it = std::sregex_iterator(section.begin(), section.end(), file);
         it != std::sregex_iterator(); ++it) {
        named.insert((*it)[1]);
    }

    std::cout << "Stand-ins:\n";
    for (const std::string& path : marked) {
        std::cout << "  " << path << "\n";
    }
    EXPECT_EQ(named, marked) << "README.md, \"What it does not do\", names the marked files";
}

} // namespace
