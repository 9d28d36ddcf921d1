#include "line/CallMonitorClient.h"

#include "line/CallMonitorRecord.h"
#include "platform/Resolver.h"

#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <system_error>
#include <utility>

namespace line {

namespace {

using platform::AddrList;

using Clock = std::chrono::steady_clock;

constexpr int kRetrySeconds[] = {1, 2, 4, 8, 16, 30};
constexpr int kConnectTimeoutMs = 5000;
// A name server that does not answer: the resolver's own time-outs add up to about this.
constexpr int kResolveTimeoutMs = 15000;
// A router that vanishes without a word is noticed after 10 + 3 * 5 s of silence.
constexpr int kKeepIdle = 10;
constexpr int kKeepInterval = 5;
constexpr int kKeepCount = 3;

// English whatever the locale, like every other diagnostic of the program.
std::string ErrorText(int error) {
    const char* text = strerrordesc_np(error);
    return text != nullptr ? text : "error " + std::to_string(error);
}

// Waits until fd is ready for events (1), the time-out passes (0) or Stop() wakes us (-1).
// A negative fd only waits; a negative time-out waits for ever.
int WaitFor(int wakeFd, int fd, short events, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        pollfd fds[2] = {{wakeFd, POLLIN, 0}, {fd, events, 0}};
        int wait = -1;
        if (timeoutMs >= 0) {
            const auto left =
                std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
            wait = static_cast<int>(std::max<decltype(left)>(left, 0));
        }
        const int ready = ::poll(fds, 2, wait);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0 || fds[0].revents != 0)
            return -1;
        if (ready == 0)
            return 0;
        if (fds[1].revents != 0)
            return 1;
    }
}

std::string ResolveError(int error, int systemError, const std::string& host) {
    switch (error) {
    case EAI_NONAME:
    case EAI_NODATA:
        return "unknown host " + host;
    case EAI_AGAIN:
        return "no name server answers for " + host;
    case EAI_SYSTEM:
        return "cannot resolve " + host + ": " + ErrorText(systemError);
    default:
        return "cannot resolve " + host;
    }
}

CallMonitorStatus MakeStatus(CallMonitorState state, std::string address, std::string reason = {}) {
    CallMonitorStatus status;
    status.state = state;
    status.address = std::move(address);
    status.reason = std::move(reason);
    return status;
}

struct Attempt {
    int fd = -1;
    bool stopped = false;
    bool refused = false;
    std::string reason;
};

Attempt Failed(int error) {
    Attempt attempt;
    attempt.refused = error == ECONNREFUSED;
    attempt.reason = ErrorText(error);
    return attempt;
}

// Addresses are taken as they are; a name is resolved by the C library's own threads, which
// Stop() never waits for (a dead name server can hold a resolution for many seconds).
AddrList Resolve(const std::atomic<bool>& stop, const CallMonitorAddress& address,
                 Attempt& failure) {
    const std::string port = std::to_string(address.port);
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV | AI_NUMERICHOST;
    addrinfo* list = nullptr;
    if (::getaddrinfo(address.host.c_str(), port.c_str(), &hints, &list) == 0)
        return AddrList(list);

    hints.ai_flags = AI_NUMERICSERV;
    platform::Resolution resolution = platform::Resolve(
        address.host, port, hints, Clock::now() + std::chrono::milliseconds(kResolveTimeoutMs),
        [&stop] { return stop.load(); });
    if (resolution.stopped)
        failure.stopped = true;
    else if (!resolution.addresses)
        failure.reason = ResolveError(resolution.error, errno, address.host);
    return std::move(resolution.addresses);
}

void SetKeepAlive(int fd) {
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &kKeepIdle, sizeof kKeepIdle);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &kKeepInterval, sizeof kKeepInterval);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &kKeepCount, sizeof kKeepCount);
}

Attempt ConnectTo(int wakeFd, const addrinfo& target) {
    const int fd = ::socket(target.ai_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return Failed(errno);
    SetKeepAlive(fd);
    if (::connect(fd, target.ai_addr, target.ai_addrlen) != 0) {
        int error = errno;
        if (error == EINPROGRESS) {
            const int ready = WaitFor(wakeFd, fd, POLLOUT, kConnectTimeoutMs);
            socklen_t length = sizeof error;
            if (ready < 0) {
                ::close(fd);
                Attempt stopped;
                stopped.stopped = true;
                return stopped;
            }
            if (ready == 0)
                error = ETIMEDOUT;
            else if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
                error = errno;
        }
        if (error != 0) {
            ::close(fd);
            return Failed(error);
        }
    }
    Attempt connected;
    connected.fd = fd;
    return connected;
}

// Each address of the host in turn; refused only when every one of them refused.
Attempt Connect(int wakeFd, const std::atomic<bool>& stop, const CallMonitorAddress& address) {
    Attempt failure;
    const AddrList list = Resolve(stop, address, failure);
    if (!list)
        return failure;
    bool allRefused = true;
    for (const addrinfo* target = list.get(); target != nullptr; target = target->ai_next) {
        Attempt attempt = ConnectTo(wakeFd, *target);
        if (attempt.fd >= 0 || attempt.stopped)
            return attempt;
        allRefused = allRefused && attempt.refused;
        failure = std::move(attempt);
    }
    failure.refused = allRefused;
    return failure;
}

} // namespace

CallMonitorClient::CallMonitorClient(CallHandler onCall, StatusHandler onStatus)
    : m_onCall(std::move(onCall)), m_onStatus(std::move(onStatus)),
      m_wakeFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

CallMonitorClient::~CallMonitorClient() {
    StopThread();
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
}

bool CallMonitorClient::Start(std::string_view address) {
    Stop();
    m_printed = Printed::Nothing;
    const auto parsed = ParseCallMonitorAddress(address);
    CallMonitorStatus failed =
        MakeStatus(CallMonitorState::Lost, std::string(address), "invalid address");
    if (parsed && m_wakeFd < 0)
        failed.reason = "cannot create the wake-up event";
    if (!parsed || m_wakeFd < 0) {
        Report(std::move(failed));
        return false;
    }
    m_address = *parsed;
    std::uint64_t pending = 0;
    [[maybe_unused]] auto n = ::read(m_wakeFd, &pending, sizeof pending);
    m_stop = false;
    m_finished = false;
    try {
        m_thread = std::thread([this] {
            Run();
            m_finished = true;
        });
    } catch (const std::system_error& e) {
        m_finished = true;
        Report(MakeStatus(CallMonitorState::Lost, m_address.Text(), e.what()));
        return false;
    }
    return true;
}

void CallMonitorClient::Stop() {
    StopThread();
    if (Status().state != CallMonitorState::Off)
        Report({});
}

void CallMonitorClient::StopThread() {
    if (!m_thread.joinable())
        return;
    RequestStop();
    m_thread.join();
}

void CallMonitorClient::RequestStop() {
    m_stop = true;
    const std::uint64_t one = 1;
    [[maybe_unused]] auto n = ::write(m_wakeFd, &one, sizeof one);
}

CallMonitorStatus CallMonitorClient::Status() const {
    std::lock_guard lock(m_mutex);
    return m_status;
}

void CallMonitorClient::Report(CallMonitorStatus status) {
    if (status.state == CallMonitorState::Connected && m_printed != Printed::Connected) {
        std::printf("Call monitor connected to %s\n", status.address.c_str());
        std::fflush(stdout);
        m_printed = Printed::Connected;
    } else if ((status.state == CallMonitorState::Refused ||
                status.state == CallMonitorState::Lost) &&
               m_printed != Printed::Lost) {
        std::printf("Call monitor lost: %s\n", status.reason.c_str());
        std::fflush(stdout);
        m_printed = Printed::Lost;
    }
    {
        std::lock_guard lock(m_mutex);
        m_status = status;
    }
    if (m_onStatus)
        m_onStatus(status);
}

void CallMonitorClient::Run() {
    const std::string address = m_address.Text();
    std::size_t failures = 0;
    while (!m_stop) {
        Report(MakeStatus(CallMonitorState::Connecting, address));
        const Attempt attempt = Connect(m_wakeFd, m_stop, m_address);
        if (attempt.stopped)
            return;
        CallMonitorStatus down =
            MakeStatus(attempt.refused ? CallMonitorState::Refused : CallMonitorState::Lost,
                       address, attempt.reason);
        if (attempt.fd >= 0) {
            failures = 0;
            Report(MakeStatus(CallMonitorState::Connected, address));
            const auto lost = Watch(attempt.fd);
            ::close(attempt.fd);
            if (!lost)
                return;
            down.state = CallMonitorState::Lost;
            down.reason = *lost;
        }
        down.retryIn = kRetrySeconds[std::min(failures, std::size(kRetrySeconds) - 1)];
        down.nextTry = Clock::now() + std::chrono::seconds(down.retryIn);
        ++failures;
        if (m_stop)
            return;
        Report(down);
        // Until the time announced, however long the status handler took.
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(down.nextTry - Clock::now());
        if (WaitFor(m_wakeFd, -1, 0, static_cast<int>(std::max<std::int64_t>(wait.count(), 0))) < 0)
            return;
    }
}

std::optional<std::string> CallMonitorClient::Watch(int fd) {
    RecordAssembler assembler;
    char buffer[4096];
    for (;;) {
        if (WaitFor(m_wakeFd, fd, POLLIN, -1) < 0)
            return std::nullopt;
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n == 0)
            return "closed by the router";
        if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK))
            continue;
        if (n < 0)
            return ErrorText(errno);
        for (const std::string& text :
             assembler.Feed(std::string_view(buffer, static_cast<std::size_t>(n)))) {
            if (m_stop)
                return std::nullopt;
            const auto record = ParseRecord(text);
            if (record && record->kind == RecordKind::Ring && m_onCall)
                m_onCall(CleanDigits(record->caller), CleanDigits(record->called));
        }
    }
}

} // namespace line
