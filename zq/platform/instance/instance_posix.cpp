#include "zq/platform/instance/instance.h"

#include "zq/platform/os/utf.h"
#include "zq/platform/window/window.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

namespace zqp {

namespace {

// Lock and socket are named by a hash of the instance name, so any name fits.
std::string nameKey(const char16_t* const name) {
    const std::string utf8 = utf16ToUtf8(name != nullptr ? name : u"");
    uint64_t h = 0xCBF29CE484222325ull;
    for (const char c : utf8) {
        h = (h ^ static_cast<unsigned char>(c)) * 0x100000001B3ull;
    }
    char buf[64];
    std::snprintf(buf, sizeof buf, "zq-%u-%016llx", static_cast<unsigned>(getuid()),
                  static_cast<unsigned long long>(h));
    return buf;
}

std::string lockPath(const std::string& key) {
    const char* dir = std::getenv("XDG_RUNTIME_DIR");
    if (dir == nullptr || dir[0] == 0 || access(dir, W_OK) != 0) {
        dir = "/tmp";
    }
    return std::string(dir) + "/" + key + ".lock";
}

// Abstract-namespace socket address: no file to clean up after a crash. Named after the
// lock file, so that the socket follows the lock's folder: instances under two runtime
// folders hold two locks and answer on two sockets.
socklen_t socketAddress(const std::string& key, sockaddr_un& addr) {
    std::memset(&addr, 0, sizeof addr);
    addr.sun_family = AF_UNIX;
    const std::string path = lockPath(key);
    uint64_t h = 0xCBF29CE484222325ull;
    for (const char c : path) {
        h = (h ^ static_cast<unsigned char>(c)) * 0x100000001B3ull;
    }
    char folder[24];
    std::snprintf(folder, sizeof folder, "-%016llx", static_cast<unsigned long long>(h));
    const std::string name = key + folder + ".raise";
    std::memcpy(addr.sun_path + 1, name.data(), name.size());
    return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
}

bool writeAll(const int fd, const void* data, size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = send(fd, p, size, MSG_NOSIGNAL);
        if (n <= 0) {
            if (n < 0 && errno == EINTR) {
                continue;
            }
            return false;
        }
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

} // namespace

struct InstanceLock::Impl {
    static constexpr int64_t CHECK_INTERVAL_US = 20000;
    std::string path;
    int64_t nextCheckUs = 0;
    int lockFd = -1;
    int listenFd = -1;
    uint32_t raiseCount = 0;

    // Answers pending raise requests; runs on the pumping thread so the window is touched
    // only there. A request is "class\0title\0" in UTF-8; the answer is one byte, 1 or 0.
    static void serve(void* const arg) {
        Impl& self = *static_cast<Impl*>(arg);
        // The pump runs this on every pass; look at the socket only every few milliseconds,
        // and accept only when a request is waiting.
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        const int64_t nowUs = static_cast<int64_t>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
        if (nowUs < self.nextCheckUs) {
            return;
        }
        self.nextCheckUs = nowUs + CHECK_INTERVAL_US;
        for (;;) {
            pollfd waiting{self.listenFd, POLLIN, 0};
            if (poll(&waiting, 1, 0) <= 0) {
                return;
            }
            const int fd = accept4(self.listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (fd < 0) {
                return;
            }
            std::string request;
            char buf[512];
            // The client sends its whole request before waiting; give it a moment to arrive.
            for (int tries = 0; tries < 50 && request.size() < 4096; ++tries) {
                pollfd p{fd, POLLIN, 0};
                if (poll(&p, 1, 20) <= 0) {
                    continue;
                }
                const ssize_t n = recv(fd, buf, sizeof buf, 0);
                if (n <= 0) {
                    break;
                }
                request.append(buf, static_cast<size_t>(n));
                if (std::count(request.begin(), request.end(), '\0') >= 2) {
                    break;
                }
            }
            const size_t split = request.find('\0');
            char answer = 0;
            if (split != std::string::npos) {
                const size_t end = request.find('\0', split + 1);
                const std::u16string cls = utf8ToUtf16(request.substr(0, split));
                const std::u16string title = utf8ToUtf16(request.substr(
                    split + 1, end == std::string::npos ? std::string::npos : end - split - 1));
                const WindowHandle w = findWindow(cls.c_str(), title.c_str());
                if (w != nullptr && restoreAndRaise(w)) {
                    answer = 1;
                    ++self.raiseCount;
                }
            }
            writeAll(fd, &answer, 1);
            close(fd);
        }
    }

    ~Impl() {
        if (listenFd >= 0) {
            removePumpHook(&Impl::serve, this);
            close(listenFd);
        }
        if (lockFd >= 0) {
            // Removed while still held: a start that opened the old file before finds it
            // gone after taking it (see acquire) and tries again with a new one.
            unlink(path.c_str());
            flock(lockFd, LOCK_UN);
            close(lockFd);
        }
    }
};

InstanceLock::InstanceLock(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}

InstanceLock::~InstanceLock() = default;

uint32_t InstanceLock::getRaiseCount() const {
    return m_impl->raiseCount;
}

std::unique_ptr<InstanceLock> InstanceLock::acquire(const char16_t* const name, Result& result) {
    const std::string key = nameKey(name);
    auto impl = std::make_unique<Impl>();
    impl->path = lockPath(key);
    // The holder removes its lock file when it ends; a file taken just after that removal is
    // no longer the lock, so take the one now at the path.
    for (int attempt = 0;; ++attempt) {
        const int fd = open(impl->path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0) {
            result = Result::Failed;
            return nullptr;
        }
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            result = errno == EWOULDBLOCK ? Result::AlreadyHeld : Result::Failed;
            close(fd);
            return nullptr;
        }
        struct stat held {};
        struct stat named {};
        if (fstat(fd, &held) == 0 && stat(impl->path.c_str(), &named) == 0 &&
            held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
            impl->lockFd = fd;
            break;
        }
        close(fd);
        if (attempt == 100) {
            result = Result::Failed;
            return nullptr;
        }
    }
    impl->listenFd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    const socklen_t len = socketAddress(key, addr);
    if (impl->listenFd >= 0 &&
        (bind(impl->listenFd, reinterpret_cast<const sockaddr*>(&addr), len) != 0 ||
         listen(impl->listenFd, 4) != 0)) {
        close(impl->listenFd);
        impl->listenFd = -1;
    }
    if (impl->listenFd >= 0) {
        addPumpHook(&Impl::serve, impl.get());
    }
    result = Result::Acquired;
    return std::unique_ptr<InstanceLock>(new InstanceLock(std::move(impl)));
}

bool requestRaise(const char16_t* const name, const char16_t* const className,
                  const char16_t* const title, const uint32_t timeoutMs) {
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    sockaddr_un addr{};
    const socklen_t len = socketAddress(nameKey(name), addr);
    bool raised = false;
    if (connect(fd, reinterpret_cast<const sockaddr*>(&addr), len) == 0) {
        std::string request = utf16ToUtf8(className != nullptr ? className : u"");
        request.push_back('\0');
        request += utf16ToUtf8(title != nullptr ? title : u"");
        request.push_back('\0');
        if (writeAll(fd, request.data(), request.size())) {
            // Counted in poll slices rather than clock readings: the clock may be a test's.
            for (uint32_t waited = 0; waited <= timeoutMs; waited += 50) {
                pollfd p{fd, POLLIN, 0};
                const int r = poll(&p, 1, 50);
                if (r > 0) {
                    char answer = 0;
                    raised = recv(fd, &answer, 1, 0) == 1 && answer == 1;
                    break;
                }
                if (r < 0 && errno != EINTR) {
                    break;
                }
            }
        }
    }
    close(fd);
    return raised;
}

} // namespace zqp
