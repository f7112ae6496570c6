// Private to the platform layer: the small POSIX file-descriptor helpers its file, log and
// durable-replace code share.
#pragma once

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <unistd.h>

namespace zqp {

// Closes the descriptor on every path out.
class Descriptor {
public:
    explicit Descriptor(const int fd) : m_fd(fd) {}
    ~Descriptor() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }
    // Closes now and reports whether the close succeeded (a late write error shows here).
    bool close() {
        const int fd = m_fd;
        m_fd = -1;
        return fd >= 0 && ::close(fd) == 0;
    }

private:
    int m_fd;
};

// Writes every byte, going on after interruptions; false on an error.
inline bool writeAll(const int fd, const void* const data, size_t size) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, p, size);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

} // namespace zqp
