#include "line/Dispatch.h"

#include <algorithm>

namespace line {

void CallDispatch::SetHandler(Handler handler) {
    std::lock_guard lock(m_mutex);
    m_handler = std::move(handler);
}

bool CallDispatch::SeenFromAnotherSource(const Taken& call) {
    // Calls come in arrival order, so those too old for this one are too old for any later.
    while (!m_recent.empty() && call.arrived - m_recent.front().arrived > kSameCallWindow)
        m_recent.pop_front();
    const bool seen = std::any_of(m_recent.begin(), m_recent.end(), [&](const Taken& earlier) {
        return earlier.source != call.source && earlier.calling == call.calling &&
               earlier.called == call.called;
    });
    if (!seen)
        m_recent.push_back(call);
    return seen;
}

bool CallDispatch::Take(Source source, const std::string& calling, const std::string& called) {
    std::unique_lock lock(m_mutex);
    // A ticket, not the mutex alone, keeps the arrival order: a mutex lets any waiter in.
    const std::uint64_t ticket = m_nextTicket++;
    const Taken call{source, calling, called, Clock::now()};
    m_turn.wait(lock, [&] { return m_serving == ticket; });
    const bool handle = !SeenFromAnotherSource(call);
    const Handler handler = m_handler;
    lock.unlock();

    if (handle && handler)
        handler(calling.c_str(), called.c_str());

    lock.lock();
    ++m_serving;
    m_turn.notify_all();
    return handle;
}

CallDispatch& Calls() {
    static auto* dispatch = new CallDispatch;
    return *dispatch;
}

} // namespace line
