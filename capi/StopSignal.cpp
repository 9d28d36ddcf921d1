#include "capi/StopSignal.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

namespace capi {

namespace {

// Without an eventfd, how long a wait goes before it looks at the flag again.
constexpr auto kFlagCheck = std::chrono::milliseconds(100);

} // namespace

StopSignal::StopSignal() : m_fd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

StopSignal::~StopSignal() {
    if (m_fd >= 0)
        ::close(m_fd);
}

void StopSignal::Raise() {
    m_raised = true;
    if (m_fd >= 0) {
        const std::uint64_t one = 1;
        [[maybe_unused]] auto n = ::write(m_fd, &one, sizeof one);
    }
}

void StopSignal::Reset() {
    if (m_fd >= 0) {
        std::uint64_t pending = 0;
        [[maybe_unused]] auto n = ::read(m_fd, &pending, sizeof pending);
    }
    m_raised = false;
}

StopSignal::Wake StopSignal::Wait(int fd, short events, Clock::time_point deadline) const {
    const bool endless = deadline == Clock::time_point::max();
    for (;;) {
        if (Raised())
            return Wake::Stopped;
        int wait = -1;
        if (!endless) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0)
                return Wake::TimedOut;
            wait =
                static_cast<int>(std::min<std::chrono::milliseconds::rep>(left.count(), 1 << 30));
        }
        if (m_fd < 0)
            wait = wait < 0 ? static_cast<int>(kFlagCheck.count())
                            : std::min(wait, static_cast<int>(kFlagCheck.count()));
        pollfd fds[2] = {{m_fd, POLLIN, 0}, {fd, events, 0}};
        const int ready = ::poll(fds, 2, wait);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0)
            return Wake::Failed;
        if (fds[0].revents != 0)
            return Wake::Stopped;
        if (ready > 0 && fds[1].revents != 0)
            return Wake::Ready;
    }
}

bool StopSignal::SleepUntil(Clock::time_point deadline) const {
    return Wait(-1, 0, deadline) == Wake::Stopped;
}

} // namespace capi
