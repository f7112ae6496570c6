// Reads arbitrary bytes as a path list, line by line as the path checker does (UTF-16 lines
// of up to 255 characters through ZqFile::Io::fgets), and takes every line apart. A counted
// line must come back with the fields it was built from.
#include "zq/file/ZqFile.h"
#include "zq/file/ZquPathList.h"
#include "zq/file/ZquPathListParser_internal.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

namespace {

const std::u16string& listPath() {
    // In memory where the machine offers it: a file is written for every input.
    static const std::u16string path = [] {
        const std::filesystem::path dir = std::filesystem::is_directory("/dev/shm")
                                              ? std::filesystem::path("/dev/shm")
                                              : std::filesystem::temp_directory_path();
        const std::filesystem::path file =
            dir / ("fuzz_path_list_" + std::to_string(getpid()) + ".lst");
        return file.u16string();
    }();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1 << 16) {
        return 0;
    }
    std::FILE* f = std::fopen(std::filesystem::path(listPath()).c_str(), "wb");
    if (f == nullptr) {
        return 0;
    }
    std::fwrite(data, 1, size, f);
    std::fclose(f);

    ZqFile::Io list;
    if (!list.ropen(listPath().c_str())) {
        std::filesystem::remove(std::filesystem::path(listPath()));
        return 0;
    }
    char16_t line[ZquPathList::LINE_SIZE];
    ZquPathListEntry entry;
    for (int n = 0; n < 100000 && list.fgets(line, ZquPathList::LINE_SIZE) != nullptr; ++n) {
        for (const char16_t* prefix : {u"ROM", u""}) {
            if (zquParsePathListLine(line, prefix, &entry) == ZquPathListLine::Counted) {
                // Path and name are fields: never empty, never holding a comma or a LF.
                if (entry.path.empty() || entry.name.empty() ||
                    entry.path.find_first_of(u",\n") != std::u16string::npos ||
                    entry.name.find_first_of(u",\n") != std::u16string::npos) {
                    std::abort();
                }
            }
        }
    }
    list.close();
    std::filesystem::remove(std::filesystem::path(listPath()));
    return 0;
}
