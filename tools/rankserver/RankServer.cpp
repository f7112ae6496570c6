#include "tools/rankserver/RankServer_internal.h"

#include <openssl/err.h>
#include <openssl/ssl.h>

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

namespace rankserver {

namespace {

// Requests larger than this are cut off (the game sends 64 bytes at most).
constexpr size_t MAX_REQUEST = 1 << 20;
constexpr int IO_TIMEOUT_S = 5;

bool sameNoCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && strncasecmp(a.c_str(), b.c_str(), a.size()) == 0;
}

} // namespace

std::string Request::header(const std::string& name) const {
    for (const auto& [n, v] : headers) {
        if (sameNoCase(n, name)) {
            return v;
        }
    }
    return {};
}

bool Request::has(const std::string& name) const {
    for (const auto& h : headers) {
        if (sameNoCase(h.first, name)) {
            return true;
        }
    }
    return false;
}

RankServer::RankServer(const Options& options) : m_impl(std::make_unique<Impl>()) {
    m_impl->options = options;
    std::signal(SIGPIPE, SIG_IGN);
    std::filesystem::create_directories(options.stateDir);
    setUpTls(*m_impl);
    try {
        openDatabase(*m_impl);
        m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const int yes = 1;
        ::setsockopt(m_listener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(options.port);
        socklen_t length = sizeof a;
        if (m_listener < 0 || ::bind(m_listener, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
            ::listen(m_listener, 16) != 0 ||
            ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&a), &length) != 0) {
            throw std::runtime_error("cannot listen on 127.0.0.1:" + std::to_string(options.port));
        }
        m_port = ntohs(a.sin_port);
    } catch (...) {
        if (m_listener >= 0) {
            ::close(m_listener);
        }
        closeDatabase(*m_impl);
        freeTls(*m_impl);
        throw;
    }
    m_thread = std::thread([this] { run(); });
}

RankServer::~RankServer() {
    m_stop = true;
    m_thread.join();
    ::close(m_listener);
    closeDatabase(*m_impl);
    freeTls(*m_impl);
}

std::string RankServer::caFile() const {
    return m_impl->caFile;
}

void RankServer::setFault(const Fault& fault) {
    const std::lock_guard<std::mutex> hold(m_mutex);
    m_fault = fault;
}

std::vector<Request> RankServer::requests() const {
    const std::lock_guard<std::mutex> hold(m_mutex);
    return m_requests;
}

void RankServer::clearRequests() {
    const std::lock_guard<std::mutex> hold(m_mutex);
    m_requests.clear();
}

void RankServer::run() {
    while (!m_stop) {
        pollfd p{m_listener, POLLIN, 0};
        if (::poll(&p, 1, 5) <= 0) {
            continue;
        }
        const int c = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (c >= 0) {
            serve(c);
            ::close(c);
        }
    }
}

void RankServer::serve(const int socket) {
    timeval limit{IO_TIMEOUT_S, 0};
    ::setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    ::setsockopt(socket, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    Fault fault;
    {
        const std::lock_guard<std::mutex> hold(m_mutex);
        fault = m_fault;
    }
    SSL* const ssl =
        SSL_new(static_cast<SSL_CTX*>(fault.refuseClientCert ? m_impl->refusingCtx : m_impl->ctx));
    SSL_set_fd(ssl, socket);
    if (SSL_accept(ssl) != 1) {
        SSL_free(ssl);
        ERR_clear_error();
        return;
    }
    const auto readSome = [&](char* buffer, int size) { return SSL_read(ssl, buffer, size); };
    std::string text;
    size_t end = std::string::npos;
    char buffer[4096];
    while ((end = text.find("\r\n\r\n")) == std::string::npos && text.size() < 65536) {
        const int n = readSome(buffer, sizeof buffer);
        if (n <= 0) {
            break;
        }
        text.append(buffer, static_cast<size_t>(n));
    }
    if (end != std::string::npos) {
        Request seen;
        seen.hadClientCert = SSL_get0_peer_certificate(ssl) != nullptr;
        const std::string head = text.substr(0, end);
        size_t lineEnd = head.find("\r\n");
        const std::string first = head.substr(0, lineEnd);
        const size_t sp1 = first.find(' ');
        const size_t sp2 = first.find(' ', sp1 + 1);
        seen.method = first.substr(0, sp1);
        seen.target = sp1 == std::string::npos ? "" : first.substr(sp1 + 1, sp2 - sp1 - 1);
        while (lineEnd != std::string::npos) {
            const size_t start = lineEnd + 2;
            lineEnd = head.find("\r\n", start);
            const std::string line = head.substr(start, lineEnd - start);
            const size_t colon = line.find(':');
            if (colon != std::string::npos) {
                const size_t v = line.find_first_not_of(' ', colon + 1);
                seen.headers.emplace_back(line.substr(0, colon),
                                          v == std::string::npos ? "" : line.substr(v));
            }
        }
        seen.body = text.substr(end + 4);
        size_t want = 0;
        try {
            want = seen.has("Content-Length") ? std::stoul(seen.header("Content-Length")) : 0;
        } catch (const std::exception&) {
            want = 0;
        }
        want = std::min(want, MAX_REQUEST);
        while (seen.body.size() < want) {
            const int n = readSome(buffer, sizeof buffer);
            if (n <= 0) {
                break;
            }
            seen.body.append(buffer, static_cast<size_t>(n));
        }
        {
            const std::lock_guard<std::mutex> hold(m_mutex);
            m_requests.push_back(seen);
        }
        std::string reply = answer(seen);
        const auto until =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(fault.delayMs);
        while (!m_stop && std::chrono::steady_clock::now() < until) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        if (fault.closeAfter >= 0 && static_cast<uint64_t>(fault.closeAfter) < reply.size()) {
            reply.resize(static_cast<size_t>(fault.closeAfter));
        }
        size_t at = 0;
        while (!m_stop && at < reply.size()) {
            const int n = SSL_write(ssl, reply.data() + at, static_cast<int>(reply.size() - at));
            if (n <= 0) {
                break;
            }
            at += static_cast<size_t>(n);
        }
    }
    SSL_shutdown(ssl);
    SSL_free(ssl);
    ERR_clear_error();
}

} // namespace rankserver
