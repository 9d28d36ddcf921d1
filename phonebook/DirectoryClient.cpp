#include "phonebook/DirectoryClient.h"

#include "capi/HostPort.h"
#include "capi/StopSignal.h"
#include "platform/Resolver.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
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

using Wake = capi::StopSignal::Wake;

// One exchange with the directory: its deadline, and a stop signal that a stop request
// raises, so every wait of the exchange ends at once when the lookup is no longer wanted.
class Exchange {
  public:
    Exchange(Clock::time_point deadline, std::stop_token stop)
        : m_deadline(deadline), m_stop(std::move(stop)),
          m_onStop(m_stop, [this] { m_signal.Raise(); }) {}
    Exchange(const Exchange&) = delete;
    Exchange& operator=(const Exchange&) = delete;

    Clock::time_point Deadline() const { return m_deadline; }
    bool Stopped() const { return m_stop.stop_requested() || m_signal.Raised(); }

    // Waits for events on fd until end (or the deadline, if sooner); false on time-out, error
    // or stop.
    bool Wait(int fd, short events, Clock::time_point end) const {
        return m_signal.Wait(fd, events, std::min(end, m_deadline)) == Wake::Ready;
    }

  private:
    Clock::time_point m_deadline;
    std::stop_token m_stop;
    // Declared before the callback that raises it, so it outlives it: the callback is gone
    // before the signal's descriptor is closed.
    capi::StopSignal m_signal;
    std::stop_callback<std::function<void()>> m_onStop;
};

platform::AddrList Resolve(const Endpoint& endpoint, const Exchange& exchange,
                           Clock::time_point end) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    return platform::Resolve(endpoint.host, std::to_string(endpoint.port), hints,
                             std::min(end, exchange.Deadline()),
                             [&exchange] { return exchange.Stopped(); })
        .addresses;
}

int Connect(const addrinfo* list, const Exchange& exchange, Clock::time_point end) {
    for (const addrinfo* a = list; a; a = a->ai_next) {
        int fd =
            ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, a->ai_protocol);
        if (fd < 0)
            continue;
        int rc = ::connect(fd, a->ai_addr, a->ai_addrlen);
        if (rc != 0 && errno == EINPROGRESS && exchange.Wait(fd, POLLOUT, end)) {
            int error = 0;
            socklen_t len = sizeof error;
            if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &len) == 0 && error == 0)
                rc = 0;
        }
        if (rc == 0)
            return fd;
        ::close(fd);
        if (Clock::now() >= end || exchange.Stopped())
            break;
    }
    return -1;
}

bool SendAll(int fd, const std::string& data, std::chrono::milliseconds silence,
             const Exchange& exchange) {
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
            exchange.Wait(fd, POLLOUT, Clock::now() + silence))
            continue;
        return false;
    }
    return true;
}

bool ReceiveAll(int fd, std::string& reply, std::chrono::milliseconds silence,
                const Exchange& exchange) {
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
            exchange.Wait(fd, POLLIN, Clock::now() + silence))
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
    const auto address = capi::ParseHostPort(value);
    if (!address) {
        endpoint.valid = false;
        return endpoint;
    }
    endpoint.host = address->host;
    endpoint.port = address->port.value_or(80);
    return endpoint;
}

std::string HostHeader(const Endpoint& endpoint) {
    std::string host = capi::BracketedHost(endpoint.host);
    if (endpoint.port != 80) {
        host += ':';
        host += std::to_string(endpoint.port);
    }
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
                       std::chrono::milliseconds timeout, std::chrono::milliseconds deadline,
                       std::stop_token stop) {
    reply.clear();
    if (!endpoint.valid || endpoint.host.empty())
        return FetchStatus::ConnectFailed;
    const Clock::time_point start = Clock::now();
    const Exchange exchange(start + deadline, std::move(stop));
    const Clock::time_point connected = start + timeout;
    const platform::AddrList addresses = Resolve(endpoint, exchange, connected);
    if (!addresses)
        return FetchStatus::ConnectFailed;
    int fd = Connect(addresses.get(), exchange, connected);
    if (fd < 0)
        return FetchStatus::ConnectFailed;
    bool ok = SendAll(fd, request, timeout, exchange) && ReceiveAll(fd, reply, timeout, exchange);
    ::close(fd);
    return ok ? FetchStatus::Ok : FetchStatus::IoFailed;
}

} // namespace directory
