#include "line/CallQueue.h"

#include "capi/Diagnostics.h"
#include "line/CallNumbers.h"

#include <algorithm>
#include <exception>

namespace line {

void CallQueue::SetHandler(Handler handler) {
    std::lock_guard lock(m_mutex);
    m_handler = std::move(handler);
}

bool CallQueue::FromAnotherSource(const Taken& earlier, const Taken& call) {
    return earlier.source != call.source || earlier.origin != call.origin;
}

void CallQueue::SetCountrySource(std::function<int()> country) {
    std::lock_guard lock(m_mutex);
    m_country = std::move(country);
}

bool CallQueue::SeenFromAnotherSource(const Taken& call) {
    // Calls come in arrival order, so those too old for this one are too old for any later.
    while (!m_recent.empty() && call.arrived - m_recent.front().arrived > kSameCallWindow)
        m_recent.pop_front();
    const bool seen = std::any_of(m_recent.begin(), m_recent.end(), [&](const Taken& earlier) {
        return FromAnotherSource(earlier, call) && earlier.calling == call.calling &&
               earlier.called == call.called;
    });
    if (!seen)
        m_recent.push_back(call);
    return seen;
}

void CallQueue::Served() {
    ++m_serving;
    m_turn.notify_all();
}

bool CallQueue::Take(const IncomingCall& call) {
    // The phonebook is asked before the queue's lock is taken, so no lock waits on another.
    std::function<int()> countrySource;
    {
        std::lock_guard lock(m_mutex);
        countrySource = m_country;
    }
    const int country = countrySource ? countrySource() : 0;
    const std::string calling = CanonicalCalling(call, country);
    const std::string called = CanonicalCalled(call, country);

    std::unique_lock lock(m_mutex);
    // A ticket, not the mutex alone, keeps the arrival order: a mutex lets any waiter in.
    const std::uint64_t ticket = m_nextTicket++;
    const Clock::time_point arrived = Clock::now();
    m_turn.wait(lock, [&] { return m_serving == ticket; });
    // Whatever happens from here on, the next call gets its turn.
    struct Turn {
        CallQueue& queue;
        std::unique_lock<std::mutex>& lock;
        ~Turn() {
            if (!lock.owns_lock())
                lock.lock();
            queue.Served();
        }
    } turn{*this, lock};

    bool handle = true;
    std::string failure;
    try {
        handle = !SeenFromAnotherSource({call.source, calling, called, arrived, call.origin});
        if (handle) {
            const Handler handler = m_handler;
            lock.unlock();
            if (handler)
                handler(call);
        }
    } catch (const std::exception& e) {
        failure = std::string(e.what());
    } catch (...) {
        failure = std::string("unknown exception");
    }
    if (!failure.empty())
        capi::Sayf("Error: the incoming call handler failed: %s\n", failure.c_str());
    return handle;
}

CallQueue& Calls() {
    static auto* queue = new CallQueue;
    return *queue;
}

} // namespace line
