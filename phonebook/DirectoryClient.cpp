#include "phonebook/DirectoryClient.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

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

// A name resolution run by the C library on its own threads (getaddrinfo_a). The library
// writes into it until the request is done, so one that outlives its wait is kept until then.
struct Resolution {
    std::string host;
    std::string port;
    addrinfo hints{};
    gaicb request{};

    ~Resolution() {
        if (request.ar_result)
            freeaddrinfo(request.ar_result);
    }
};

// Never destroyed: at exit the library may still be writing into one of them.
std::mutex g_abandonedMutex;
auto* const g_abandoned = new std::vector<std::unique_ptr<Resolution>>();

void Abandon(std::unique_ptr<Resolution> resolution) {
    std::lock_guard lock(g_abandonedMutex);
    std::erase_if(*g_abandoned, [](const std::unique_ptr<Resolution>& r) {
        return gai_error(&r->request) != EAI_INPROGRESS;
    });
    g_abandoned->push_back(std::move(resolution));
}

// The addresses of the endpoint, or null when there are none by the deadline. The caller
// frees them.
addrinfo* Resolve(const Endpoint& endpoint, Clock::time_point deadline) {
    auto resolution = std::make_unique<Resolution>();
    resolution->host = endpoint.host;
    resolution->port = std::to_string(endpoint.port);
    resolution->hints.ai_family = AF_UNSPEC;
    resolution->hints.ai_socktype = SOCK_STREAM;
    gaicb& request = resolution->request;
    request.ar_name = resolution->host.c_str();
    request.ar_service = resolution->port.c_str();
    request.ar_request = &resolution->hints;
    gaicb* list[] = {&request};
    if (getaddrinfo_a(GAI_NOWAIT, list, 1, nullptr) != 0)
        return nullptr;
    while (gai_error(&request) == EAI_INPROGRESS) {
        const auto left = deadline - Clock::now();
        if (left <= Clock::duration::zero()) {
            // One the library has begun can't be cancelled: it is left to finish.
            if (gai_cancel(&request) == EAI_NOTCANCELED)
                Abandon(std::move(resolution));
            return nullptr;
        }
        const auto seconds = std::chrono::floor<std::chrono::seconds>(left);
        const timespec wait{static_cast<time_t>(seconds.count()),
                            static_cast<long>(std::chrono::nanoseconds(left - seconds).count())};
        gai_suspend(list, 1, &wait);
    }
    if (gai_error(&request) != 0)
        return nullptr;
    return std::exchange(request.ar_result, nullptr);
}

int Remaining(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// Waits for events on fd until the deadline; false on time-out or error.
bool Wait(int fd, short events, Clock::time_point deadline) {
    // Checked first: a poll without time left still reports a ready socket.
    while (Clock::now() < deadline) {
        pollfd p{fd, events, 0};
        int n = ::poll(&p, 1, Remaining(deadline));
        if (n > 0)
            return true;
        if (n == 0 || errno != EINTR)
            return false;
    }
    return false;
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

// The end of a wait: the silence limit, or the exchange's deadline when that comes first.
Clock::time_point WaitEnd(std::chrono::milliseconds silence, Clock::time_point deadline) {
    return std::min(Clock::now() + silence, deadline);
}

bool SendAll(int fd, const std::string& data, std::chrono::milliseconds silence,
             Clock::time_point deadline) {
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
            Wait(fd, POLLOUT, WaitEnd(silence, deadline)))
            continue;
        return false;
    }
    return true;
}

bool ReceiveAll(int fd, std::string& reply, std::chrono::milliseconds silence,
                Clock::time_point deadline) {
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
        if ((errno == EAGAIN || errno == EWOULDBLOCK) &&
            Wait(fd, POLLIN, WaitEnd(silence, deadline)))
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

bool IsSuccessReply(const std::string& reply) {
    // "HTTP/1.1 200 OK": the status code follows the first space.
    const std::size_t space = reply.find(' ');
    return reply.rfind("HTTP/", 0) == 0 && space != std::string::npos && space + 3 < reply.size() &&
           reply[space + 1] == '2' && std::isdigit(static_cast<unsigned char>(reply[space + 2])) &&
           std::isdigit(static_cast<unsigned char>(reply[space + 3]));
}

FetchStatus FetchReply(const Endpoint& endpoint, const std::string& request, std::string& reply,
                       std::chrono::milliseconds timeout, std::chrono::milliseconds deadline) {
    reply.clear();
    if (!endpoint.valid || endpoint.host.empty())
        return FetchStatus::ConnectFailed;
    const Clock::time_point start = Clock::now();
    const Clock::time_point end = start + deadline;
    const Clock::time_point connected = std::min(start + timeout, end);
    addrinfo* addresses = Resolve(endpoint, connected);
    if (!addresses)
        return FetchStatus::ConnectFailed;
    int fd = Connect(addresses, connected);
    freeaddrinfo(addresses);
    if (fd < 0)
        return FetchStatus::ConnectFailed;
    bool ok = SendAll(fd, request, timeout, end) && ReceiveAll(fd, reply, timeout, end);
    ::close(fd);
    return ok ? FetchStatus::Ok : FetchStatus::IoFailed;
}

} // namespace directory
