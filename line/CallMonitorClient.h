#pragma once
// The router's call monitor as a line source: a client thread that keeps a read-only TCP
// connection to the monitor, hands every RING on as an incoming call, and reconnects on its
// own (after 1, 2, 4, 8 and 16 s, then every 30 s) for as long as it runs. Standard output
// gets "Call monitor connected to <host>:<port>" and "Call monitor lost: <reason>", each once
// per change.

#include "line/CallMonitorAddress.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

namespace line {

enum class CallMonitorState {
    Off,        // not started, stopped
    Connecting, // resolving the name or connecting
    Connected,
    Refused, // the router answered but does not serve the monitor (switched off)
    Lost,    // any other failure: no answer, unknown host, connection dropped, bad address
};

struct CallMonitorStatus {
    CallMonitorState state = CallMonitorState::Off;
    std::string address; // "<host>:<port>" (the text given when it is not an address)
    std::string reason;  // why it is not connected, in English; empty otherwise
    int retryIn = 0;     // seconds until the next try, 0 when none is planned
    std::chrono::steady_clock::time_point nextTry{}; // when retryIn > 0
};

class CallMonitorClient {
  public:
    // Both handlers run on the client's thread; they must not call Stop() or Start(). The
    // call handler gets the calling number (empty when withheld) and the called number,
    // cleaned like CAPI digits; it may take its time, reading goes on when it returns.
    using CallHandler = std::function<void(std::string calling, std::string called)>;
    using StatusHandler = std::function<void(const CallMonitorStatus&)>;

    explicit CallMonitorClient(CallHandler onCall, StatusHandler onStatus = {});
    ~CallMonitorClient(); // stops without reporting
    CallMonitorClient(const CallMonitorClient&) = delete;
    CallMonitorClient& operator=(const CallMonitorClient&) = delete;

    // Stops a running client, then watches the address. A text that is not an address gives
    // state Lost with reason "invalid address", no thread and no retry; returns false then.
    bool Start(std::string_view address);
    // Returns promptly whatever the thread is doing, except while the call handler runs (it
    // waits for it). Reports Off on the calling thread; prints nothing.
    void Stop();
    // Asks the thread to end and returns at once, even while the call handler runs; the thread
    // ends when it returns, without reporting. Finished() tells when it has.
    void RequestStop();
    bool Finished() const { return m_finished.load(); }
    CallMonitorStatus Status() const;

  private:
    void Run();
    // Reads records until the connection fails (its reason) or Stop() (nothing).
    std::optional<std::string> Watch(int fd);
    void Report(CallMonitorStatus status);
    void StopThread();

    CallHandler m_onCall;
    StatusHandler m_onStatus;
    CallMonitorAddress m_address;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_finished{true};
    int m_wakeFd = -1; // an eventfd, written by Stop()
    enum class Printed { Nothing, Connected, Lost } m_printed = Printed::Nothing;

    mutable std::mutex m_mutex; // guards m_status
    CallMonitorStatus m_status;
};

} // namespace line
