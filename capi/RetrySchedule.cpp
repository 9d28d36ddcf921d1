#include "capi/RetrySchedule.h"

#include <algorithm>
#include <iterator>

namespace capi {

namespace {

constexpr int kDelays[] = {1, 2, 4, 8, 16, 30};

} // namespace

int RetrySchedule::Next() {
    const int delay = kDelays[std::min(m_step, std::size(kDelays) - 1)];
    if (m_step < std::size(kDelays) - 1)
        ++m_step;
    return delay;
}

void RetrySchedule::Connected(Clock::time_point now) {
    m_upSince = now;
}

void RetrySchedule::Lost(Clock::time_point now) {
    if (m_upSince && now - *m_upSince >= m_steady)
        m_step = 0;
    m_upSince.reset();
}

} // namespace capi
