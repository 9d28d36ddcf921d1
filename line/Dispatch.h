#pragma once
// The one place where incoming calls from every line source are handled: one at a time, in the
// order they arrive, each on the thread of the source that brought it, which waits meanwhile.
// A call that two sources both report (the same numbers within a few seconds) is handled once.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>

namespace line {

enum class Source { Capi, CallMonitor };

class CallDispatch {
  public:
    using Clock = std::chrono::steady_clock;
    // Two reports of one call by different sources arrive at most this far apart.
    static constexpr auto kSameCallWindow = std::chrono::seconds(3);

    // Receives the calling party's digits (empty when withheld), then the called party's.
    using Handler = std::function<int(const char* calling, const char* called)>;

    // Installed once, before any line source starts.
    void SetHandler(Handler handler);

    // Hands a call over; returns once it has been handled (or found to be handled already).
    // False when it was the same call as one another source brought.
    bool Take(Source source, const std::string& calling, const std::string& called);

  private:
    struct Taken {
        Source source;
        std::string calling;
        std::string called;
        Clock::time_point arrived;
    };
    // Under m_mutex: whether another source brought this call, and the call remembered.
    bool SeenFromAnotherSource(const Taken& call);

    std::mutex m_mutex;
    std::condition_variable m_turn;
    std::uint64_t m_nextTicket = 0; // given to the next call that arrives
    std::uint64_t m_serving = 0;    // the call whose turn it is
    std::deque<Taken> m_recent;     // calls taken, oldest first
    Handler m_handler;
};

// The program's dispatch; never destroyed, since line threads may still use it at exit.
CallDispatch& Calls();

} // namespace line
