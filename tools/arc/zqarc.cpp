// zqarc: packs files into an archive.
//   zqarc [-v VERSION] [-C DIR] [-l LIST] OUTPUT [FILE...]
// Each FILE is a path relative to DIR (default: the current folder); it is stored under that
// path with '\' between folders, which is how the game asks for it. -l adds the paths listed
// in LIST, one a line. The time stamp is the file's last write, in seconds since 1970.
#include "ZqArcWriter.h"

#include "zq/file/ZqArcFile.h"
#include "zq/platform/fs/readfile.h"
#include "zq/platform/os/utf.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

int usage() {
    std::fprintf(stderr, "usage: zqarc [-v VERSION] [-C DIR] [-l LIST] OUTPUT [FILE...]\n");
    return 2;
}

// A list of file names is text of a line per file; this is far more than any list needs.
constexpr uint64_t MAX_LIST_SIZE = 16u << 20;

// A whole number from 0 to 4294967295, decimal or with 0x (hex) or 0 (octal) in front.
bool parseU32(const std::string& text, uint32_t& out) {
    if (text.empty() || text[0] < '0' || text[0] > '9') {
        return false;
    }
    errno = 0;
    char* end = nullptr;
    const unsigned long long v = std::strtoull(text.c_str(), &end, 0);
    if (errno != 0 || end != text.c_str() + text.size() || v > 0xFFFFFFFFull) {
        return false;
    }
    out = static_cast<uint32_t>(v);
    return true;
}

bool readEntry(const std::filesystem::path& root, const std::string& relative, ZqArcEntry& e) {
    const std::filesystem::path full = root / relative;
    std::string error;
    if (!zqp::readWholeFile(full.string(), ZqArcFile::MAX_DATA_SIZE, e.data, &error)) {
        std::fprintf(stderr, "zqarc: %s\n", error.c_str());
        return false;
    }
    std::u16string name = zqp::utf8ToUtf16(relative);
    for (char16_t& c : name) {
        if (c == u'/') {
            c = u'\\';
        }
    }
    e.name = name;
    std::error_code ec;
    const auto written = std::filesystem::last_write_time(full, ec);
    if (!ec) {
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(
            std::chrono::file_clock::to_sys(written).time_since_epoch());
        e.time = seconds.count() > 0 ? static_cast<uint64_t>(seconds.count()) : 0;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    uint32_t version = ZqArcWriter::DEFAULT_VERSION;
    std::filesystem::path root = ".";
    std::vector<std::string> files;
    std::string output;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "-v" || arg == "-C" || arg == "-l") && i + 1 < argc) {
            const std::string value = argv[++i];
            if (arg == "-v") {
                if (!parseU32(value, version)) {
                    std::fprintf(stderr,
                                 "zqarc: -v wants a version number from 0 to 4294967295, "
                                 "not '%s'\n",
                                 value.c_str());
                    return 2;
                }
            } else if (arg == "-C") {
                root = value;
            } else {
                std::string list;
                std::string error;
                if (!zqp::readWholeFile(value, MAX_LIST_SIZE, list, &error)) {
                    std::fprintf(stderr, "zqarc: %s\n", error.c_str());
                    return 1;
                }
                for (size_t start = 0; start < list.size();) {
                    size_t end = list.find('\n', start);
                    end = end == std::string::npos ? list.size() : end;
                    std::string line = list.substr(start, end - start);
                    if (!line.empty() && line.back() == '\r') {
                        line.pop_back();
                    }
                    if (!line.empty()) {
                        files.push_back(line);
                    }
                    start = end + 1;
                }
            }
        } else if (!arg.empty() && arg[0] == '-') {
            return usage();
        } else if (output.empty()) {
            output = arg;
        } else {
            files.push_back(arg);
        }
    }
    if (output.empty()) {
        return usage();
    }
    std::vector<ZqArcEntry> entries(files.size());
    for (size_t i = 0; i < files.size(); ++i) {
        if (!readEntry(root, files[i], entries[i])) {
            return 1;
        }
    }
    std::string error;
    if (!ZqArcWriter::write(output, entries, version, &error)) {
        std::fprintf(stderr, "zqarc: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
