#include "tests/support/HttpFixtureServer.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace testing_support {

namespace {

constexpr int kIoTimeoutMs = 10000;
constexpr std::size_t kMaxRequest = 65536;
constexpr int kTrickleMs = 2000;

std::string FixturesDir() {
    if (const char* dir = std::getenv("TINTOREL_FIXTURES"); dir && *dir)
        return dir;
    // Named by the build: __FILE__ may be relative where a compiler cache rewrites paths.
    return TINTOREL_FIXTURES_DIR;
}

} // namespace

HttpFixtureServer::HttpFixtureServer() {
    m_default = "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
    if (::pipe2(m_wake, O_CLOEXEC) != 0) {
        ADD_FAILURE() << "pipe: " << std::strerror(errno);
        return;
    }
    m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    socklen_t len = sizeof addr;
    if (m_listen < 0 || ::bind(m_listen, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(m_listen, 16) != 0 ||
        ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        ADD_FAILURE() << "cannot listen on 127.0.0.1: " << std::strerror(errno);
        return;
    }
    m_port = ntohs(addr.sin_port);
    m_acceptThread = std::thread([this] { AcceptLoop(); });
}

HttpFixtureServer::~HttpFixtureServer() {
    m_stop = true;
    if (m_wake[1] >= 0) {
        char byte = 1;
        [[maybe_unused]] ssize_t n = ::write(m_wake[1], &byte, 1);
    }
    if (m_acceptThread.joinable())
        m_acceptThread.join();
    std::vector<std::thread> workers;
    {
        std::lock_guard lock(m_mutex);
        workers.swap(m_workers);
    }
    for (auto& worker : workers)
        worker.join();
    for (int fd : {m_listen, m_wake[0], m_wake[1]})
        if (fd >= 0)
            ::close(fd);
}

std::string HttpFixtureServer::HostPort() const {
    return "127.0.0.1:" + std::to_string(m_port);
}

void HttpFixtureServer::SetMode(Mode mode) {
    std::lock_guard lock(m_mutex);
    m_mode = mode;
}

void HttpFixtureServer::Serve(const std::string& target, const std::string& reply) {
    std::lock_guard lock(m_mutex);
    m_pages[target] = reply;
}

void HttpFixtureServer::ServeDefault(const std::string& reply) {
    std::lock_guard lock(m_mutex);
    m_default = reply;
}

std::vector<std::string> HttpFixtureServer::Requests() const {
    std::lock_guard lock(m_mutex);
    return m_requests;
}

std::size_t HttpFixtureServer::ConnectionCount() const {
    std::lock_guard lock(m_mutex);
    return m_connections;
}

bool HttpFixtureServer::WaitForConnections(std::size_t count,
                                           std::chrono::milliseconds timeout) const {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] { return m_connections >= count; });
}

std::string HttpFixtureServer::HttpResponse(const std::string& body) {
    return "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=iso-8859-1\r\n"
           "Content-Length: " +
           std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

std::string HttpFixtureServer::LoadFixture(const std::string& name) {
    std::ifstream in(FixturesDir() + "/" + name, std::ios::binary);
    if (!in) {
        ADD_FAILURE() << "missing fixture " << name;
        return {};
    }
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool HttpFixtureServer::WaitFor(int fd, short events, int timeoutMs) {
    pollfd fds[2] = {{fd, events, 0}, {m_wake[0], POLLIN, 0}};
    while (true) {
        int n = ::poll(fds, 2, timeoutMs);
        if (n < 0 && errno == EINTR)
            continue;
        return n > 0 && !(fds[1].revents & POLLIN) && (fds[0].revents & (events | POLLHUP));
    }
}

void HttpFixtureServer::AcceptLoop() {
    while (!m_stop) {
        if (!WaitFor(m_listen, POLLIN, -1))
            return;
        int fd = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0)
            continue;
        std::lock_guard lock(m_mutex);
        ++m_connections;
        m_changed.notify_all();
        m_workers.emplace_back([this, fd] {
            Handle(fd);
            ::close(fd);
        });
    }
}

bool HttpFixtureServer::ReadRequest(int fd, std::string& request) {
    char buf[4096];
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < kMaxRequest) {
        if (!WaitFor(fd, POLLIN, kIoTimeoutMs))
            return false;
        ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n <= 0)
            return !request.empty();
        request.append(buf, static_cast<std::size_t>(n));
    }
    return true;
}

bool HttpFixtureServer::SendAll(int fd, const char* data, std::size_t size) {
    std::size_t sent = 0;
    while (sent < size) {
        ssize_t n = ::send(fd, data + sent, size - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            if (!WaitFor(fd, POLLOUT, kIoTimeoutMs))
                return false;
        } else {
            return false; // the client went away, as it does after 32768 bytes
        }
    }
    return true;
}

void HttpFixtureServer::Handle(int fd) {
    Mode mode;
    {
        std::lock_guard lock(m_mutex);
        mode = m_mode;
    }
    if (mode == Mode::CloseAtOnce)
        return;
    std::string request;
    bool complete = ReadRequest(fd, request);
    std::string reply;
    {
        std::lock_guard lock(m_mutex);
        if (!request.empty())
            m_requests.push_back(request);
        std::size_t sp1 = request.find(' ');
        std::size_t sp2 = sp1 == std::string::npos ? sp1 : request.find(' ', sp1 + 1);
        std::string target =
            sp2 == std::string::npos ? std::string() : request.substr(sp1 + 1, sp2 - sp1 - 1);
        auto it = m_pages.find(target);
        reply = it != m_pages.end() ? it->second : m_default;
        m_changed.notify_all();
    }
    if (!complete)
        return;
    switch (mode) {
    case Mode::Normal:
        SendAll(fd, reply.data(), reply.size());
        break;
    case Mode::Silent:
        WaitFor(fd, POLLIN, -1); // until the client hangs up or the server stops
        break;
    case Mode::Huge: {
        std::string head = "HTTP/1.1 200 OK\r\nContent-Length: 10485760\r\n\r\n";
        if (!SendAll(fd, head.data(), head.size()))
            break;
        std::string chunk(65536, 'x');
        for (std::size_t sent = 0; sent < 10485760 && !m_stop; sent += chunk.size())
            if (!SendAll(fd, chunk.data(), chunk.size()))
                break;
        break;
    }
    case Mode::Noise: {
        std::string noise(65536, '\0');
        std::uint32_t state = 12345;
        for (char& c : noise) {
            state = state * 1103515245u + 12345u;
            c = static_cast<char>(state >> 23);
        }
        SendAll(fd, noise.data(), noise.size());
        break;
    }
    case Mode::Trickle:
        // Until the client goes away or the server stops.
        for (char byte : reply) {
            pollfd wake{m_wake[0], POLLIN, 0};
            if (!SendAll(fd, &byte, 1) || ::poll(&wake, 1, kTrickleMs) != 0)
                break;
        }
        break;
    case Mode::CloseAtOnce:
        break;
    }
    ::shutdown(fd, SHUT_WR);
}

} // namespace testing_support
