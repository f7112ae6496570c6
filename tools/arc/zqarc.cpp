// zqarc: packs files into an archive.
//   zqarc [-v VERSION] [-C DIR] [-l LIST] OUTPUT [FILE...]
// Each FILE is a path relative to DIR (default: the current folder); it is stored under that
// path with '\' between folders, which is how the game asks for it. -l adds the paths listed
// in LIST, one a line. The time stamp is the file's last write, in seconds since 1970.
#include "ZqArcWriter.h"

#include "zq/platform/os/utf.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

int usage() {
    std::fprintf(stderr, "usage: zqarc [-v VERSION] [-C DIR] [-l LIST] OUTPUT [FILE...]\n");
    return 2;
}

bool readEntry(const std::filesystem::path& root, const std::string& relative, ZqArcEntry& e) {
    const std::filesystem::path full = root / relative;
    std::ifstream in(full, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "zqarc: cannot read %s\n", full.c_str());
        return false;
    }
    e.data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
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
                version = static_cast<uint32_t>(std::strtoul(value.c_str(), nullptr, 0));
            } else if (arg == "-C") {
                root = value;
            } else {
                std::ifstream list(value);
                if (!list) {
                    std::fprintf(stderr, "zqarc: cannot read %s\n", value.c_str());
                    return 1;
                }
                for (std::string line; std::getline(list, line);) {
                    if (!line.empty() && line.back() == '\r') {
                        line.pop_back();
                    }
                    if (!line.empty()) {
                        files.push_back(line);
                    }
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
