#pragma once
// The one place where incoming calls from every line source are handled: one at a time, in the
// order they arrive, each on the thread of the source that brought it, which waits meanwhile.
// A call that two sources both report (the same numbers within a few seconds) is handled once;
// two copies that share calls through the MQTT broker count as two sources. The numbers are
// compared in canonical form, since each line may write them its own way.

#include "line/IncomingCall.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>

namespace line {

class CallQueue {
  public:
    using Clock = std::chrono::steady_clock;
    // Two reports of one call by different sources arrive at most this far apart.
    static constexpr auto kSameCallWindow = std::chrono::seconds(3);

    using Handler = std::function<void(const IncomingCall& call)>;

    // Installed once, before any line source starts.
    void SetHandler(Handler handler);
    // Where the canonical forms of the same-call rule take the phonebook's country from (0,
    // Switzerland, when none is installed). Installed once, before any line source starts.
    void SetCountrySource(std::function<int()> country);

    // Hands a call over; returns once it has been handled (or found to be handled already).
    // False when it was the same call as one another source brought. A handler that throws
    // is reported on standard output; the calls after it are handled all the same.
    bool Take(const IncomingCall& call);

  private:
    struct Taken {
        Source source;
        std::string calling; // canonical forms
        std::string called;
        Clock::time_point arrived;
        std::string origin; // the copy that shared it, for a call from the broker
    };
    // Whether two calls came through different sources (or from different copies).
    static bool FromAnotherSource(const Taken& earlier, const Taken& call);
    // Under m_mutex: whether another source brought this call, and the call remembered.
    bool SeenFromAnotherSource(const Taken& call);
    // Under m_mutex: the next call's turn.
    void Served();

    std::mutex m_mutex;
    std::condition_variable m_turn;
    std::uint64_t m_nextTicket = 0; // given to the next call that arrives
    std::uint64_t m_serving = 0;    // the call whose turn it is
    std::deque<Taken> m_recent;     // calls taken, oldest first
    Handler m_handler;
    std::function<int()> m_country;
};

// The program's queue of calls; never destroyed, since line threads may still use it at exit.
CallQueue& Calls();

} // namespace line
