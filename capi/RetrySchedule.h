#pragma once
// When a line source tries again after a failure: 1, 2, 4, 8 and 16 seconds, then every 30
// seconds. A connection that comes up and falls at once (a peer at its connection limit) does
// not start the schedule over; only one that stayed up for a while does.

#include <chrono>
#include <cstddef>
#include <optional>

namespace capi {

class RetrySchedule {
  public:
    using Clock = std::chrono::steady_clock;
    // How long a connection must stay up before a loss starts the schedule over.
    static constexpr Clock::duration kSteady = std::chrono::seconds(60);

    explicit RetrySchedule(Clock::duration steady = kSteady) : m_steady(steady) {}

    // Seconds before the next attempt; each call moves one step on.
    int Next();
    // Where the next call of Next() stands (0 for 1 s, 1 for 2 s, ...).
    std::size_t Step() const { return m_step; }
    // A connection came up.
    void Connected(Clock::time_point now = Clock::now());
    // The connection went down: the steps start over when it had stayed up long enough.
    void Lost(Clock::time_point now = Clock::now());

  private:
    Clock::duration m_steady;
    std::size_t m_step = 0;
    std::optional<Clock::time_point> m_upSince;
};

} // namespace capi
