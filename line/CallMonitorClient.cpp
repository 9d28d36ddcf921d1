#include "line/CallMonitorClient.h"

#include "capi/Diagnostics.h"
#include "capi/NumberText.h"
#include "line/CallMonitorRecord.h"
#include "platform/Resolver.h"

#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <system_error>
#include <utility>

namespace line {

namespace {

using platform::AddrList;
using Clock = capi::StopSignal::Clock;
using Wake = capi::StopSignal::Wake;

constexpr auto kConnectTimeout = std::chrono::seconds(5);
// A name server that does not answer: the resolver's own time-outs add up to about this.
constexpr auto kResolveTimeout = std::chrono::seconds(15);
// A router that vanishes without a word is noticed after 10 + 3 * 5 s of silence.
constexpr int kKeepIdle = 10;
constexpr int kKeepInterval = 5;
constexpr int kKeepCount = 3;

// English whatever the locale, like every other diagnostic of the program.
std::string ErrorText(int error) {
    const char* text = strerrordesc_np(error);
    return text != nullptr ? text : "error " + std::to_string(error);
}

std::string ResolveError(const platform::Resolution& resolution, const std::string& host) {
    switch (resolution.error) {
    case EAI_NONAME:
    case EAI_NODATA:
        return "unknown host " + host;
    case EAI_AGAIN:
        return "no name server answers for " + host;
    case EAI_SYSTEM:
        // The library's own threads keep their error to themselves.
        if (resolution.systemError == 0)
            return "cannot resolve " + host + ": system error";
        return "cannot resolve " + host + ": " + ErrorText(resolution.systemError);
    default:
        return "cannot resolve " + host;
    }
}

LineStatus MakeStatus(LineState state, std::string address, std::string reason = {}) {
    LineStatus status;
    status.source = Source::CallMonitor;
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
AddrList Resolve(const capi::StopSignal& stop, const CallMonitorAddress& address,
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
    platform::Resolution resolution =
        platform::Resolve(address.host, port, hints, Clock::now() + kResolveTimeout,
                          [&stop] { return stop.Raised(); });
    if (resolution.stopped)
        failure.stopped = true;
    else if (!resolution.addresses)
        failure.reason = ResolveError(resolution, address.host);
    return std::move(resolution.addresses);
}

void SetKeepAlive(int fd) {
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &kKeepIdle, sizeof kKeepIdle);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &kKeepInterval, sizeof kKeepInterval);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &kKeepCount, sizeof kKeepCount);
}

Attempt ConnectTo(const capi::StopSignal& stop, const addrinfo& target) {
    const int fd = ::socket(target.ai_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return Failed(errno);
    SetKeepAlive(fd);
    if (::connect(fd, target.ai_addr, target.ai_addrlen) != 0) {
        int error = errno;
        if (error == EINPROGRESS) {
            const Wake wake = stop.Wait(fd, POLLOUT, Clock::now() + kConnectTimeout);
            socklen_t length = sizeof error;
            if (wake == Wake::Stopped) {
                ::close(fd);
                Attempt stopped;
                stopped.stopped = true;
                return stopped;
            }
            if (wake == Wake::TimedOut)
                error = ETIMEDOUT;
            else if (wake == Wake::Failed)
                error = errno;
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
Attempt Connect(const capi::StopSignal& stop, const CallMonitorAddress& address) {
    Attempt failure;
    const AddrList list = Resolve(stop, address, failure);
    if (!list)
        return failure;
    bool allRefused = true;
    for (const addrinfo* target = list.get(); target != nullptr; target = target->ai_next) {
        Attempt attempt = ConnectTo(stop, *target);
        if (attempt.fd >= 0 || attempt.stopped)
            return attempt;
        allRefused = allRefused && attempt.refused;
        failure = std::move(attempt);
    }
    failure.refused = allRefused;
    return failure;
}

} // namespace

CallMonitorClient::CallMonitorClient(RingHandler onRing, StatusHandler onStatus,
                                     capi::RetrySchedule::Clock::duration steady)
    : m_onRing(std::move(onRing)), m_onStatus(std::move(onStatus)), m_steady(steady) {
    m_status.source = Source::CallMonitor;
}

CallMonitorClient::~CallMonitorClient() {
    StopThread();
}

bool CallMonitorClient::Start(std::string_view address) {
    Stop();
    m_printed = Printed::Nothing;
    const auto parsed = ParseCallMonitorAddress(address);
    if (!parsed) {
        Report(MakeStatus(LineState::Invalid, std::string(address), "invalid address"));
        return false;
    }
    m_address = *parsed;
    m_stop.Reset();
    m_finished = false;
    try {
        m_thread = std::thread([this] {
            Run();
            m_finished = true;
        });
    } catch (const std::system_error& e) {
        m_finished = true;
        Report(MakeStatus(LineState::Failed, m_address.Text(), e.what()));
        return false;
    }
    return true;
}

void CallMonitorClient::Stop() {
    StopThread();
    if (Status().state != LineState::Off)
        Report(MakeStatus(LineState::Off, {}));
}

void CallMonitorClient::StopThread() {
    if (!m_thread.joinable())
        return;
    RequestStop();
    m_thread.join();
}

void CallMonitorClient::RequestStop() {
    m_stop.Raise();
}

LineStatus CallMonitorClient::Status() const {
    std::lock_guard lock(m_mutex);
    return m_status;
}

void CallMonitorClient::Report(LineStatus status) {
    const bool down = status.state == LineState::Refused || status.state == LineState::Lost ||
                      status.state == LineState::Invalid || status.state == LineState::Failed;
    if (status.state == LineState::Connected && m_printed != Printed::Connected) {
        capi::Sayf("Call monitor connected to %s\n", status.address.c_str());
        m_printed = Printed::Connected;
    } else if (down && m_printed != Printed::Lost) {
        capi::Sayf("Call monitor lost: %s\n", status.reason.c_str());
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
    capi::RetrySchedule schedule(m_steady);
    while (!m_stop.Raised()) {
        Report(MakeStatus(LineState::Connecting, address));
        const Attempt attempt = Connect(m_stop, m_address);
        if (attempt.stopped)
            return;
        LineStatus down = MakeStatus(attempt.refused ? LineState::Refused : LineState::Lost,
                                     address, attempt.reason);
        if (attempt.fd >= 0) {
            schedule.Connected();
            Report(MakeStatus(LineState::Connected, address));
            const auto lost = Watch(attempt.fd);
            ::close(attempt.fd);
            if (!lost)
                return;
            schedule.Lost();
            down.state = LineState::Lost;
            down.reason = *lost;
        }
        down.retryIn = schedule.Next();
        down.nextTry = Clock::now() + std::chrono::seconds(down.retryIn);
        if (m_stop.Raised())
            return;
        Report(down);
        // Until the time announced, however long the status handler took.
        if (m_stop.SleepUntil(down.nextTry))
            return;
    }
}

std::optional<std::string> CallMonitorClient::Watch(int fd) {
    RecordAssembler assembler;
    char buffer[4096];
    for (;;) {
        const Wake wake = m_stop.Wait(fd, POLLIN, Clock::time_point::max());
        if (wake == Wake::Stopped)
            return std::nullopt;
        if (wake == Wake::Failed)
            return ErrorText(errno);
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n == 0)
            return "closed by the router";
        if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK))
            continue;
        if (n < 0)
            return ErrorText(errno);
        for (const std::string& text :
             assembler.Feed(std::string_view(buffer, static_cast<std::size_t>(n)))) {
            if (m_stop.Raised())
                return std::nullopt;
            const auto record = ParseRecord(text);
            if (record && record->kind == RecordKind::Ring && m_onRing) {
                IncomingCall call;
                call.calling = capi::CleanNumber(record->caller);
                call.called = capi::CleanNumber(record->called);
                call.source = Source::CallMonitor;
                m_onRing(std::move(call));
            }
        }
    }
}

} // namespace line
