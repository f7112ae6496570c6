#include "zq/platform/fs/fs.h"
#include "zq/platform/fs/posix_io_internal.h"
#include "zq/platform/fs/readfile.h"
#include "zq/platform/os/utf.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace zqp {

namespace {

bool syncFolderOf(const std::string& native) {
    const size_t slash = native.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string(".") : native.substr(0, slash == 0 ? 1 : slash);
    Descriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return dir.get() >= 0 && ::fsync(dir.get()) == 0;
}

} // namespace

bool replaceFileDurably(const char16_t* const path, const void* const data, const size_t size) {
    std::string native;
    if (path == nullptr || (data == nullptr && size != 0) || !resolvePath(path, native)) {
        return false;
    }
    const std::string temp = native + utf16ToUtf8(DURABLE_TEMP_SUFFIX);
    Descriptor fd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (fd.get() < 0) {
        return false;
    }
    if (!writeAll(fd.get(), static_cast<const uint8_t*>(data), size) || ::fsync(fd.get()) != 0 ||
        !fd.close()) {
        ::unlink(temp.c_str());
        return false;
    }
    if (::rename(temp.c_str(), native.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    return syncFolderOf(native);
}

bool syncStream(std::FILE* const stream) {
    return stream != nullptr && std::fflush(stream) == 0 && ::fsync(::fileno(stream)) == 0;
}

bool readFileWhole(const char16_t* const path, const uint64_t maxSize, std::vector<uint8_t>& out) {
    out.clear();
    std::string native;
    if (path == nullptr || !resolvePath(path, native)) {
        return false;
    }
    return readWholeFile(native, maxSize, out);
}

} // namespace zqp
