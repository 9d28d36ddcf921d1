#pragma once
// The router's call monitor as a line source: a client thread that keeps a read-only TCP
// connection to the monitor, hands every RING on as an incoming call, and reconnects on its
// own (after 1, 2, 4, 8 and 16 s, then every 30 s, the steps starting over only after a
// connection that stayed up) for as long as it runs. Standard output gets "Call monitor
// connected to <host>:<port>" and "Call monitor lost: <reason>", each once per change.

#include "capi/RetrySchedule.h"
#include "capi/StopSignal.h"
#include "line/CallMonitorAddress.h"
#include "line/IncomingCall.h"
#include "line/LineStatus.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

namespace line {

class CallMonitorClient {
  public:
    // Both handlers run on the client's thread; they must not call Stop() or Start(). The
    // ring handler gets the call with its numbers cleaned like CAPI digits; it may take its
    // time, reading goes on when it returns.
    using RingHandler = std::function<void(IncomingCall call)>;
    using StatusHandler = std::function<void(const LineStatus&)>;

    // steady: how long a connection must stay up before a loss starts the retries over.
    explicit CallMonitorClient(
        RingHandler onRing, StatusHandler onStatus = {},
        capi::RetrySchedule::Clock::duration steady = capi::RetrySchedule::kSteady);
    ~CallMonitorClient(); // stops without reporting
    CallMonitorClient(const CallMonitorClient&) = delete;
    CallMonitorClient& operator=(const CallMonitorClient&) = delete;

    // Stops a running client, then watches the address. A text that is not an address gives
    // state Invalid with reason "invalid address", no thread and no retry; a client that
    // cannot run gives Failed. Returns false then.
    bool Start(std::string_view address);
    // Returns promptly whatever the thread is doing, except while the ring handler runs (it
    // waits for it). Reports Off on the calling thread; prints nothing.
    void Stop();
    // Asks the thread to end and returns at once, even while the ring handler runs; the thread
    // ends when it returns, without reporting. Finished() tells when it has.
    void RequestStop();
    bool Finished() const { return m_finished.load(); }
    LineStatus Status() const;

  private:
    void Run();
    // Reads records until the connection fails (its reason) or Stop() (nothing).
    std::optional<std::string> Watch(int fd);
    void Report(LineStatus status);
    void StopThread();

    RingHandler m_onRing;
    StatusHandler m_onStatus;
    capi::RetrySchedule::Clock::duration m_steady;
    CallMonitorAddress m_address;
    std::thread m_thread;
    capi::StopSignal m_stop;
    std::atomic<bool> m_finished{true};
    enum class Printed { Nothing, Connected, Lost } m_printed = Printed::Nothing;

    mutable std::mutex m_mutex; // guards m_status
    LineStatus m_status;
};

} // namespace line
