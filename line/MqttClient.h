#pragma once
// The MQTT broker as a line: a network thread of its own keeps the connection (libmosquitto,
// its socket watched with the program's one wait-with-stop), subscribes to the calls other
// copies share, publishes the calls this copy hears, its presence and its Home Assistant
// discovery config, and reconnects on its own (after 1, 2, 4, 8 and 16 s, then every 30 s,
// the steps starting over only after a connection that stayed up) for as long as it runs.
// A second thread hands the calls received to the call handler, so that a call being handled
// (a directory lookup can take seconds) never holds the network. Standard output gets
// "MQTT connected to <host>:<port>" and "MQTT lost: <reason>", each once per change, and at
// most once a minute how many messages were ignored.

#include "capi/RetrySchedule.h"
#include "capi/StopSignal.h"
#include "line/IncomingCall.h"
#include "line/LineStatus.h"
#include "line/MqttUrl.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

struct mosquitto;
struct mosquitto_message;

namespace line {

// The reason of a broker that refused the user name or the password.
constexpr std::string_view kMqttNotAuthorised = "user name or password refused";

class MqttClient {
  public:
    // Runs on the client's delivery thread, one call at a time; it may take its time.
    using CallHandler = std::function<void(IncomingCall call)>;
    // Runs on the network thread; it must return at once and not call Stop() or Start().
    using StatusHandler = std::function<void(const LineStatus&)>;
    using Clock = capi::StopSignal::Clock;

    // clientId: this copy's name at the broker and the origin of the calls it shares.
    // steady: how long a connection must stay up before a loss starts the retries over.
    MqttClient(std::string clientId, CallHandler onCall, StatusHandler onStatus = {},
               capi::RetrySchedule::Clock::duration steady = capi::RetrySchedule::kSteady);
    ~MqttClient(); // stops without reporting, waiting for a call in hand
    MqttClient(const MqttClient&) = delete;
    MqttClient& operator=(const MqttClient&) = delete;

    // Stops a running client, then connects to the URL. A text that is not one gives state
    // Invalid with reason "invalid URL" (its address without the password), no thread and no
    // retry; a client that cannot run gives Failed. Returns false then.
    bool Start(std::string_view url);
    // Says goodbye to the broker (a retained "offline", then a clean disconnect, a second at
    // most), waits for a call in hand, and reports Off on the calling thread.
    void Stop();
    // Asks both threads to end and returns at once; the network thread still says goodbye.
    void RequestStop();
    // Waits until the network thread has ended (its goodbye said), at most until deadline.
    bool WaitForGoodbye(Clock::time_point deadline) const;
    bool Finished() const { return m_networkDone.load() && m_deliveryDone.load(); }
    LineStatus Status() const;

    // Publishes a call heard on this copy's own lines, at once when connected, else at the
    // next connection if that comes within seconds; returns at once. phonebookName and the
    // call's texts are Windows-1252, calledLabel UTF-8 (empty: none). Calls that came through
    // the broker are never published again.
    void Share(const IncomingCall& call, const std::string& phonebookName,
               const std::string& calledLabel = {});
    const std::string& ClientId() const { return m_clientId; }

  private:
    struct Outgoing {
        std::string payload;
        Clock::time_point queued;
    };
    enum class Pumped { Stopped, Connected, Lost };

    void Run();
    void RunConnections();
    void DeliverCalls();
    // One connection attempt, from connect to loss; nothing when stopped.
    std::optional<LineStatus> Connection(capi::RetrySchedule& schedule);
    // Serves the connection until it is up (untilUp: subscribed), lost or stopped.
    Pumped Pump(mosquitto* mosq, bool untilUp, Clock::time_point deadline, std::string& reason);
    bool Arm(int socket, bool write);
    // Subscribes, and publishes the presence and the discovery config.
    void OnConnected(mosquitto* mosq);
    void FlushOutbox(mosquitto* mosq);
    void Goodbye(mosquitto* mosq);
    void HandleMessage(const mosquitto_message& message);
    void Ignored(std::size_t count = 1);
    void SayIgnored(bool due);
    void Report(LineStatus status);
    void StopThreads();

    static void OnConnect(mosquitto* mosq, void* self, int result);
    static void OnMessage(mosquitto* mosq, void* self, const mosquitto_message* message);
    static void OnSubscribe(mosquitto* mosq, void* self, int mid, int count, const int* granted);
    static void OnLog(mosquitto* mosq, void* self, int level, const char* text);

    const std::string m_clientId;
    CallHandler m_onCall;
    StatusHandler m_onStatus;
    capi::RetrySchedule::Clock::duration m_steady;
    MqttUrl m_url;
    std::string m_callTopic;
    std::string m_statusTopic;

    capi::StopSignal m_stop;
    int m_wake = -1;  // eventfd: something waits in the outbox
    int m_epoll = -1; // the socket and m_wake, watched as one descriptor
    int m_armed = -1; // the socket m_epoll watches
    std::thread m_network;
    std::thread m_delivery;
    std::atomic<bool> m_networkDone{true};
    std::atomic<bool> m_deliveryDone{true};
    mutable std::mutex m_doneMutex;
    mutable std::condition_variable m_doneChanged;

    // Network thread only.
    std::optional<int> m_connack; // the broker's answer to the connection
    bool m_subscribing = false;
    bool m_subscribed = false;
    bool m_connected = false;
    std::string m_lastError; // the attempt's first error from libmosquitto (TLS says why there)
    std::deque<std::string> m_recentIds;
    std::size_t m_ignored = 0; // not told yet
    std::optional<Clock::time_point> m_ignoredTold;
    enum class Printed { Nothing, Connected, Lost } m_printed = Printed::Nothing;

    std::mutex m_outMutex;
    std::deque<Outgoing> m_outbox;

    std::mutex m_inMutex;
    std::condition_variable m_inChanged;
    std::deque<IncomingCall> m_inbox;
    bool m_deliveryStop = false;

    mutable std::mutex m_statusMutex;
    LineStatus m_status;
};

} // namespace line
