#include "phonebook/DirectoryClient.h"

#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace directory {

namespace {

using Clock = std::chrono::steady_clock;

bool ParsePort(const std::string& text, std::uint16_t& port) {
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != text.npos)
        return false;
    int value = std::atoi(text.c_str());
    if (value < 1 || value > 65535)
        return false;
    port = static_cast<std::uint16_t>(value);
    return true;
}

// getaddrinfo can't be given a time-out: it runs on a thread of its own that may outlive the
// wait, keeping its state alive through the shared pointer.
struct Resolution {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    addrinfo* result = nullptr;
    bool abandoned = false;
};

addrinfo* Resolve(const Endpoint& endpoint, Clock::time_point deadline) {
    auto state = std::make_shared<Resolution>();
    std::string host = endpoint.host;
    std::string port = std::to_string(endpoint.port);
    try {
        std::thread([state, host, port] {
            addrinfo hints{};
            hints.ai_family = AF_UNSPEC;
            hints.ai_socktype = SOCK_STREAM;
            addrinfo* result = nullptr;
            if (getaddrinfo(host.c_str(), port.c_str(), &hints, &result) != 0)
                result = nullptr;
            std::lock_guard lock(state->mutex);
            if (state->abandoned) {
                if (result)
                    freeaddrinfo(result);
            } else {
                state->result = result;
            }
            state->finished = true;
            state->done.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        return nullptr;
    }
    std::unique_lock lock(state->mutex);
    if (!state->done.wait_until(lock, deadline, [&] { return state->finished; })) {
        state->abandoned = true;
        return nullptr;
    }
    return state->result;
}

int Remaining(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// Waits for events on fd until the deadline; false on time-out or error.
bool Wait(int fd, short events, Clock::time_point deadline) {
    while (true) {
        pollfd p{fd, events, 0};
        int n = ::poll(&p, 1, Remaining(deadline));
        if (n > 0)
            return true;
        if (n == 0 || errno != EINTR)
            return false;
    }
}

int Connect(const addrinfo* list, Clock::time_point deadline) {
    for (const addrinfo* a = list; a; a = a->ai_next) {
        int fd =
            ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, a->ai_protocol);
        if (fd < 0)
            continue;
        int rc = ::connect(fd, a->ai_addr, a->ai_addrlen);
        if (rc != 0 && errno == EINPROGRESS && Wait(fd, POLLOUT, deadline)) {
            int error = 0;
            socklen_t len = sizeof error;
            if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &len) == 0 && error == 0)
                rc = 0;
        }
        if (rc == 0)
            return fd;
        ::close(fd);
        if (Remaining(deadline) == 0)
            break;
    }
    return -1;
}

bool SendAll(int fd, const std::string& data, std::chrono::milliseconds silence) {
    std::size_t sent = 0;
    while (sent < data.size()) {
        ssize_t n = ::send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) &&
            Wait(fd, POLLOUT, Clock::now() + silence))
            continue;
        return false;
    }
    return true;
}

bool ReceiveAll(int fd, std::string& reply, std::chrono::milliseconds silence) {
    reply.assign(kMaxReply, '\0');
    std::size_t got = 0;
    while (got < kMaxReply) {
        ssize_t n = ::recv(fd, reply.data() + got, kMaxReply - got, 0);
        if (n > 0) {
            got += static_cast<std::size_t>(n);
            continue;
        }
        if (n == 0)
            break; // the server closed the connection after its reply
        if (errno == EINTR)
            continue;
        if ((errno == EAGAIN || errno == EWOULDBLOCK) && Wait(fd, POLLIN, Clock::now() + silence))
            continue;
        reply.clear();
        return false;
    }
    reply.resize(got);
    return true;
}

} // namespace

Endpoint DirectoryEndpoint(const std::string& profileHost) {
    Endpoint endpoint{profileHost, 80, true};
    const char* value = std::getenv("TINTOREL_DIRECTORY");
    if (!value || !*value)
        return endpoint;
    std::string text = value;
    std::string port;
    bool portGiven = false;
    if (text[0] == '[') {
        std::size_t close = text.find(']');
        if (close == std::string::npos) {
            endpoint.valid = false;
            return endpoint;
        }
        endpoint.host = text.substr(1, close - 1);
        std::string rest = text.substr(close + 1);
        if (!rest.empty()) {
            portGiven = true;
            if (rest[0] == ':')
                port = rest.substr(1);
        }
    } else {
        std::size_t colon = text.find(':');
        if (colon != std::string::npos && text.find(':', colon + 1) == std::string::npos) {
            endpoint.host = text.substr(0, colon);
            port = text.substr(colon + 1);
            portGiven = true;
        } else {
            endpoint.host = text; // no port, or a bare IPv6 address
        }
    }
    if (endpoint.host.empty() || (portGiven && !ParsePort(port, endpoint.port)))
        endpoint.valid = false;
    return endpoint;
}

std::string HostHeader(const Endpoint& endpoint) {
    std::string host = endpoint.host;
    if (host.find(':') != std::string::npos)
        host = "[" + host + "]";
    if (endpoint.port != 80)
        host += ":" + std::to_string(endpoint.port);
    return host;
}

std::string BuildRequest(const std::string& prefix, const std::string& number,
                         const std::string& hostHeader) {
    return prefix + number +
           " HTTP/1.1\r\n"
           "User-agent: Mozilla/4.0\r\n"
           "Accept: */*\r\n"
           "Connection: Close\r\n"
           "Host: " +
           hostHeader + "\r\n\r\n";
}

FetchStatus FetchReply(const Endpoint& endpoint, const std::string& request, std::string& reply,
                       std::chrono::milliseconds timeout) {
    reply.clear();
    if (!endpoint.valid || endpoint.host.empty())
        return FetchStatus::ConnectFailed;
    Clock::time_point deadline = Clock::now() + timeout;
    addrinfo* addresses = Resolve(endpoint, deadline);
    if (!addresses)
        return FetchStatus::ConnectFailed;
    int fd = Connect(addresses, deadline);
    freeaddrinfo(addresses);
    if (fd < 0)
        return FetchStatus::ConnectFailed;
    bool ok = SendAll(fd, request, timeout) && ReceiveAll(fd, reply, timeout);
    ::close(fd);
    return ok ? FetchStatus::Ok : FetchStatus::IoFailed;
}

} // namespace directory
