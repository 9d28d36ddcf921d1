#include "line/Dispatch.h"

namespace line {

void CallDispatch::SetHandler(Handler handler) {
    std::lock_guard lock(m_mutex);
    m_handler = std::move(handler);
}

void CallDispatch::Take(Source, const std::string& calling, const std::string& called) {
    Handler handler;
    std::unique_lock lock(m_mutex);
    // A ticket, not the mutex alone, keeps the arrival order: a mutex lets any waiter in.
    const std::uint64_t ticket = m_nextTicket++;
    m_turn.wait(lock, [&] { return m_serving == ticket; });
    handler = m_handler;
    lock.unlock();

    if (handler)
        handler(calling.c_str(), called.c_str());

    lock.lock();
    ++m_serving;
    m_turn.notify_all();
}

CallDispatch& Calls() {
    static auto* dispatch = new CallDispatch;
    return *dispatch;
}

} // namespace line
