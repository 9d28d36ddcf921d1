#pragma once
// A stop request that a thread waiting on a socket notices at once: a flag with an eventfd
// beside it, so a wait on the socket and on the stop is one poll. Raise() may come from any
// thread; the eventfd is closed only when the signal is destroyed.

#include <atomic>
#include <chrono>

namespace capi {

class StopSignal {
  public:
    using Clock = std::chrono::steady_clock;
    enum class Wake {
        Ready,    // the descriptor has one of the events
        TimedOut, // the deadline passed
        Stopped,  // Raise() was called
        Failed,   // poll failed
    };

    StopSignal();
    ~StopSignal();
    StopSignal(const StopSignal&) = delete;
    StopSignal& operator=(const StopSignal&) = delete;

    void Raise();
    // Takes the request back, for a new start; only while nobody waits.
    void Reset();
    bool Raised() const { return m_raised.load(); }

    // Waits until fd has one of events, the deadline passes or the signal is raised; a
    // negative fd only waits, Clock::time_point::max() waits without end. A time already
    // past returns TimedOut without looking at the descriptor.
    Wake Wait(int fd, short events, Clock::time_point deadline) const;
    // Waits until the deadline or a stop: true when stopped.
    bool SleepUntil(Clock::time_point deadline) const;

  private:
    // -1 when the system had no eventfd to give: waits then look at the flag a few times a
    // second.
    const int m_fd;
    std::atomic<bool> m_raised{false};
};

} // namespace capi
