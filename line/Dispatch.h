#pragma once
// The one place where incoming calls from every line source are handled: one at a time, in the
// order they arrive, each on the thread of the source that brought it, which waits meanwhile.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

namespace line {

enum class Source { Capi, CallMonitor };

class CallDispatch {
  public:
    // Receives the calling party's digits (empty when withheld), then the called party's.
    using Handler = std::function<int(const char* calling, const char* called)>;

    // Installed once, before any line source starts.
    void SetHandler(Handler handler);

    // Hands a call over; returns once it has been handled.
    void Take(Source source, const std::string& calling, const std::string& called);

  private:
    std::mutex m_mutex;
    std::condition_variable m_turn;
    std::uint64_t m_nextTicket = 0; // given to the next call that arrives
    std::uint64_t m_serving = 0;    // the call being handled
    Handler m_handler;
};

// The program's dispatch; never destroyed, since line threads may still use it at exit.
CallDispatch& Calls();

} // namespace line
