// The chief header is all a program needs: this file includes nothing else of the framework.
#include "zq/zq.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Compiled, not run: the camera's tests take the figures zq.h defines.
[[maybe_unused]] bool inView(const ZqGlCamera& camera) {
    return camera.intersect(ZqDgPoint(0.0f, 0.0f, -100.0f)) ||
           camera.intersect(ZqDgSphere(ZqVector3(0.0f, 0.0f, -100.0f), 10.0f));
}

TEST(ChiefHeader, ReadsTheLastErrorAnArchiveLeaves) {
    ZqError::setLastError(0);
    ZqArcFile archive;
    const uint8_t tooShort[4] = {};
    EXPECT_FALSE(archive.ropen(tooShort, sizeof tooShort));
    EXPECT_EQ(ZqError::getLastError(), ZqArcFile::ERROR_SIZE);
    ZqError::setLastError(0);
}

bool endsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

bool isPrivate(const std::string& header) {
    return endsWith(header, "_internal.h") || endsWith(header, "_test.h");
}

// What differs between the public headers under root/zq and the includes of root/zq/zq.h, one
// line per header, sorted. Public: every header but zq.h, *_internal.h, *_test.h and those of
// zq/platform (of which zq.h takes the contracts a program may use, and those must exist).
std::vector<std::string> chiefHeaderMismatches(const fs::path& root) {
    std::set<std::string> included;
    std::ifstream chief(root / "zq" / "zq.h");
    std::string line;
    const std::string prefix = "#include \"zq/";
    while (std::getline(chief, line)) {
        if (line.compare(0, prefix.size(), prefix) == 0) {
            const size_t end = line.find('"', prefix.size());
            included.insert(line.substr(prefix.size() - 3, end - (prefix.size() - 3)));
        }
    }
    std::set<std::string> present;
    for (const fs::directory_entry& e : fs::recursive_directory_iterator(root / "zq")) {
        if (e.is_regular_file() && e.path().extension() == ".h") {
            present.insert(e.path().lexically_relative(root).generic_string());
        }
    }
    std::vector<std::string> out;
    for (const std::string& h : present) {
        if (h != "zq/zq.h" && !isPrivate(h) && h.rfind("zq/platform/", 0) != 0 &&
            included.count(h) == 0) {
            out.push_back(h + ": public but not in zq/zq.h");
        }
    }
    for (const std::string& h : included) {
        if (present.count(h) == 0) {
            out.push_back(h + ": in zq/zq.h but missing");
        } else if (isPrivate(h)) {
            out.push_back(h + ": in zq/zq.h but private");
        }
    }
    std::sort(out.begin(), out.end());
    return out;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& l : lines) {
        text += l + "\n";
    }
    return text;
}

TEST(ChiefHeader, IncludesEveryPublicHeaderOfTheFramework) {
    const char* const source = std::getenv("ZQ_TEST_SOURCE_DIR");
    ASSERT_NE(source, nullptr) << "run through ctest (ZQ_TEST_SOURCE_DIR)";
    const std::vector<std::string> mismatches = chiefHeaderMismatches(source);
    EXPECT_TRUE(mismatches.empty()) << joined(mismatches);
}

// The check itself, on a small tree: a header planted without an include in zq.h, an include
// of a header that is gone and one of a private header are each named; private headers, test
// hooks and the platform's other headers are not.
TEST(ChiefHeader, CheckNamesEveryHeaderThatDiffers) {
    const fs::path root = fs::path(testing::TempDir()) / "chief_header_tree";
    fs::remove_all(root);
    const auto write = [&](const std::string& rel, const std::string& text) {
        fs::create_directories((root / rel).parent_path());
        std::ofstream(root / rel) << text;
    };
    write("zq/zq.h", "#pragma once\n#include \"zq/a/A.h\"\n#include \"zq/a/Gone.h\"\n"
                     "#include \"zq/a/A_internal.h\"\n#include \"zq/platform/p/p.h\"\n");
    for (const char* const h : {"zq/a/A.h", "zq/a/Planted.h", "zq/a/A_internal.h", "zq/a/A_test.h",
                                "zq/platform/p/p.h", "zq/platform/p/other.h"}) {
        write(h, "#pragma once\n");
    }
    const std::vector<std::string> expected = {
        "zq/a/A_internal.h: in zq/zq.h but private",
        "zq/a/Gone.h: in zq/zq.h but missing",
        "zq/a/Planted.h: public but not in zq/zq.h",
    };
    EXPECT_EQ(chiefHeaderMismatches(root), expected);
    fs::remove_all(root);
}

} // namespace
