#include "zq/platform/fs/posix_io_internal.h"
#include "zq/platform/fs/readfile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zqp {

namespace {

bool refuse(std::string* const error, const std::string& why) {
    if (error != nullptr) {
        *error = why;
    }
    return false;
}

template <class Buffer>
bool readInto(const std::string& path, const uint64_t maxSize, Buffer& out,
              std::string* const error) {
    out.clear();
    // Without O_NONBLOCK, opening a FIFO with no writer would wait for one.
    const Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (fd.get() < 0) {
        return refuse(error, "cannot read " + path + ": " + std::strerror(errno));
    }
    struct stat st = {};
    if (::fstat(fd.get(), &st) != 0) {
        return refuse(error, "cannot read " + path + ": " + std::strerror(errno));
    }
    if (S_ISDIR(st.st_mode)) {
        return refuse(error, path + " is a folder, not a file");
    }
    if (!S_ISREG(st.st_mode)) {
        return refuse(error, path + " is not a regular file (a device, FIFO or socket)");
    }
    const std::string tooLarge = path + " is larger than " + std::to_string(maxSize) + " bytes";
    if (st.st_size < 0 || static_cast<uint64_t>(st.st_size) > maxSize) {
        return refuse(error, tooLarge);
    }
    // The stated size is only a hint (files under /proc state 0, a file may grow while it is
    // read): read to the end in chunks past it, but never past the limit.
    out.resize(static_cast<size_t>(st.st_size));
    uint64_t done = 0;
    for (;;) {
        char chunk[65536];
        const bool more = done == out.size();
        void* const into = more ? static_cast<void*>(chunk) : static_cast<void*>(&out[done]);
        const size_t room = more ? sizeof chunk : static_cast<size_t>(out.size() - done);
        const ssize_t n = ::read(fd.get(), into, room);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            const int code = errno;
            out.clear();
            return refuse(error, "cannot read " + path + ": " + std::strerror(code));
        }
        if (n == 0) {
            break;
        }
        if (more) {
            if (static_cast<uint64_t>(n) > maxSize - done) {
                out.clear();
                return refuse(error, tooLarge);
            }
            out.insert(out.end(), chunk, chunk + n);
        }
        done += static_cast<uint64_t>(n);
    }
    out.resize(static_cast<size_t>(done));
    return true;
}

} // namespace

bool readWholeFile(const std::string& path, const uint64_t maxSize, std::vector<uint8_t>& out,
                   std::string* const error) {
    return readInto(path, maxSize, out, error);
}

bool readWholeFile(const std::string& path, const uint64_t maxSize, std::string& out,
                   std::string* const error) {
    return readInto(path, maxSize, out, error);
}

} // namespace zqp
