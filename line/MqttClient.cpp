#include "line/MqttClient.h"

#include "capi/Diagnostics.h"
#include "line/MqttRecord.h"

#include <mosquitto.h>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <pthread.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <system_error>
#include <utility>

namespace line {

namespace {

using namespace std::chrono_literals;
using Clock = MqttClient::Clock;
using Wake = capi::StopSignal::Wake;

// The broker hears from us at least this often (seconds); the thread wakes a few times in
// that span to keep it, and for nothing else while all is quiet.
constexpr int kKeepAlive = 60;
constexpr auto kKeepAliveCheck = std::chrono::seconds(kKeepAlive / 3);
// A broker that vanishes without a word is noticed after 10 + 3 * 5 s of silence.
constexpr int kTcpKeepIdle = 10;
constexpr int kTcpKeepInterval = 5;
constexpr int kTcpKeepCount = 3;
// From the connect to the broker's answer.
constexpr auto kConnectTimeout = 10s;
// What a clean stop gives the goodbye.
constexpr auto kGoodbyeTime = 1s;
// A call not out by then is not worth ringing elsewhere.
constexpr auto kOutboxAge = 10s;
constexpr std::size_t kOutboxLimit = 32;
// Calls received and not yet handled; a flood past this drops the oldest.
constexpr std::size_t kInboxLimit = 16;
// Ids of the calls received lately: QoS 1 may bring one twice.
constexpr std::size_t kRecentIds = 64;
constexpr auto kIgnoredEvery = 60s;
constexpr int kQos = 1;

const char* const kOnline = "online";
const char* const kOffline = "offline";

void InitLibrary() {
    static const int initialised = mosquitto_lib_init();
    (void)initialised;
}

// English whatever the locale, like every other diagnostic of the program.
std::string ErrorText(int error) {
    const char* text = strerrordesc_np(error);
    return text != nullptr ? text : "error " + std::to_string(error);
}

std::string ConnackText(int code) {
    switch (code) {
    case 1:
        return "protocol version refused";
    case 2:
        return "client id refused";
    case 3:
        return "broker unavailable";
    case 4:
    case 5:
        return std::string(kMqttNotAuthorised);
    default:
        return "refused (" + std::to_string(code) + ")";
    }
}

LineStatus MakeStatus(LineState state, std::string address, std::string reason = {}) {
    LineStatus status;
    status.source = Source::Mqtt;
    status.state = state;
    status.address = std::move(address);
    status.reason = std::move(reason);
    return status;
}

void SetTcpKeepAlive(int fd) {
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &kTcpKeepIdle, sizeof kTcpKeepIdle);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &kTcpKeepInterval, sizeof kTcpKeepInterval);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &kTcpKeepCount, sizeof kTcpKeepCount);
}

// The handle of one connection attempt, destroyed with it.
struct Handle {
    mosquitto* mosq;
    explicit Handle(mosquitto* m) : mosq(m) {}
    ~Handle() {
        if (mosq)
            mosquitto_destroy(mosq);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
};

} // namespace

MqttClient::MqttClient(std::string clientId, CallHandler onCall, StatusHandler onStatus,
                       capi::RetrySchedule::Clock::duration steady)
    : m_clientId(std::move(clientId)), m_onCall(std::move(onCall)), m_onStatus(std::move(onStatus)),
      m_steady(steady), m_wake(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
      m_epoll(::epoll_create1(EPOLL_CLOEXEC)) {
    m_status.source = Source::Mqtt;
    if (m_epoll >= 0 && m_wake >= 0) {
        epoll_event event{};
        event.events = EPOLLIN;
        event.data.fd = m_wake;
        ::epoll_ctl(m_epoll, EPOLL_CTL_ADD, m_wake, &event);
    }
}

MqttClient::~MqttClient() {
    StopThreads();
    if (m_epoll >= 0)
        ::close(m_epoll);
    if (m_wake >= 0)
        ::close(m_wake);
}

bool MqttClient::Start(std::string_view url) {
    Stop();
    m_printed = Printed::Nothing;
    const auto parsed = ParseMqttUrl(url);
    if (!parsed) {
        Report(MakeStatus(LineState::Invalid, WithoutPassword(url), "invalid URL"));
        return false;
    }
    if (m_epoll < 0 || m_wake < 0) {
        Report(MakeStatus(LineState::Failed, parsed->Shown(), ErrorText(EMFILE)));
        return false;
    }
    m_url = *parsed;
    m_callTopic = CallTopic(m_url.prefix);
    m_statusTopic = StatusTopic(m_url.prefix, m_clientId);
    m_stop.Reset();
    {
        std::lock_guard lock(m_inMutex);
        m_deliveryStop = false;
        m_inbox.clear();
    }
    m_networkDone = false;
    m_deliveryDone = false;
    try {
        m_delivery = std::thread([this] {
            DeliverCalls();
            m_deliveryDone = true;
        });
        m_network = std::thread([this] { Run(); });
        // Named, so that ps and top tell them from the other lines' threads.
        pthread_setname_np(m_delivery.native_handle(), "mqtt-calls");
        pthread_setname_np(m_network.native_handle(), "mqtt-network");
    } catch (const std::system_error& e) {
        StopThreads();
        m_networkDone = true;
        m_deliveryDone = true;
        Report(MakeStatus(LineState::Failed, m_url.Shown(), e.what()));
        return false;
    }
    return true;
}

void MqttClient::Stop() {
    StopThreads();
    if (Status().state != LineState::Off)
        Report(MakeStatus(LineState::Off, {}));
}

void MqttClient::StopThreads() {
    RequestStop();
    if (m_network.joinable())
        m_network.join();
    if (m_delivery.joinable())
        m_delivery.join();
}

void MqttClient::RequestStop() {
    m_stop.Raise();
    std::lock_guard lock(m_inMutex);
    m_deliveryStop = true;
    m_inChanged.notify_all();
}

bool MqttClient::WaitForGoodbye(Clock::time_point deadline) const {
    std::unique_lock lock(m_doneMutex);
    return m_doneChanged.wait_until(lock, deadline, [this] { return m_networkDone.load(); });
}

LineStatus MqttClient::Status() const {
    std::lock_guard lock(m_statusMutex);
    return m_status;
}

void MqttClient::Share(const IncomingCall& call, const std::string& phonebookName,
                       const std::string& calledLabel) {
    if (call.source == Source::Mqtt)
        return;
    Outgoing out{CallRecordJson(RecordOfCall(call, m_clientId, phonebookName, calledLabel)),
                 Clock::now()};
    {
        std::lock_guard lock(m_outMutex);
        if (m_outbox.size() >= kOutboxLimit)
            m_outbox.pop_front();
        m_outbox.push_back(std::move(out));
    }
    if (m_wake >= 0) {
        const std::uint64_t one = 1;
        [[maybe_unused]] auto n = ::write(m_wake, &one, sizeof one);
    }
}

void MqttClient::Report(LineStatus status) {
    const bool down = status.state == LineState::Refused || status.state == LineState::Lost ||
                      status.state == LineState::Invalid || status.state == LineState::Failed;
    if (status.state == LineState::Connected && m_printed != Printed::Connected) {
        capi::Sayf("MQTT connected to %s\n", m_url.HostPort().c_str());
        m_printed = Printed::Connected;
    } else if (down && m_printed != Printed::Lost) {
        capi::Sayf("MQTT lost: %s\n", status.reason.c_str());
        m_printed = Printed::Lost;
    }
    {
        std::lock_guard lock(m_statusMutex);
        m_status = status;
    }
    if (m_onStatus)
        m_onStatus(status);
}

void MqttClient::Run() {
    RunConnections();
    {
        std::lock_guard lock(m_doneMutex);
        m_networkDone = true;
    }
    m_doneChanged.notify_all();
}

void MqttClient::RunConnections() {
    InitLibrary();
    capi::RetrySchedule schedule(m_steady);
    while (!m_stop.Raised()) {
        Report(MakeStatus(LineState::Connecting, m_url.Shown()));
        std::optional<LineStatus> down = Connection(schedule);
        if (!down || m_stop.Raised())
            return;
        down->retryIn = schedule.Next();
        down->nextTry = Clock::now() + std::chrono::seconds(down->retryIn);
        Report(*down);
        // Until the time announced, however long the status handler took.
        if (m_stop.SleepUntil(down->nextTry))
            return;
    }
}

std::optional<LineStatus> MqttClient::Connection(capi::RetrySchedule& schedule) {
    // A fresh handle for each attempt: nothing of a failed one is carried over.
    Handle handle(mosquitto_new(m_clientId.c_str(), true, this));
    mosquitto* mosq = handle.mosq;
    if (!mosq)
        return MakeStatus(LineState::Lost, m_url.Shown(), ErrorText(errno));
    mosquitto_connect_callback_set(mosq, &MqttClient::OnConnect);
    mosquitto_message_callback_set(mosq, &MqttClient::OnMessage);
    mosquitto_log_callback_set(mosq, &MqttClient::OnLog);
    mosquitto_subscribe_callback_set(mosq, &MqttClient::OnSubscribe);
    mosquitto_int_option(mosq, MOSQ_OPT_TCP_NODELAY, 1);
    mosquitto_will_set(mosq, m_statusTopic.c_str(), static_cast<int>(std::strlen(kOffline)),
                       kOffline, kQos, true);
    if (m_url.user)
        mosquitto_username_pw_set(mosq, m_url.user->c_str(),
                                  m_url.password ? m_url.password->c_str() : nullptr);
    if (m_url.tls) {
        // The system's certificate authorities, the standard OpenSSL way (SSL_CERT_FILE and
        // SSL_CERT_DIR are honoured), and the host name checked.
        mosquitto_int_option(mosq, MOSQ_OPT_TLS_USE_OS_CERTS, 1);
        mosquitto_tls_opts_set(mosq, 1, nullptr, nullptr);
        mosquitto_tls_insecure_set(mosq, false);
    }
    m_connack.reset();
    m_subscribing = false;
    m_subscribed = false;
    m_connected = false;
    m_lastError.clear();

    errno = 0;
    const int rc = mosquitto_connect_async(mosq, m_url.host.c_str(), m_url.port, kKeepAlive);
    if (rc != MOSQ_ERR_SUCCESS) {
        std::string reason;
        if (rc == MOSQ_ERR_EAI)
            reason = "cannot resolve " + m_url.host;
        else if (rc == MOSQ_ERR_ERRNO)
            reason = ErrorText(errno);
        else if (!m_lastError.empty())
            reason = m_lastError;
        else
            reason = mosquitto_strerror(rc);
        return MakeStatus(LineState::Lost, m_url.Shown(), reason);
    }
    if (const int fd = mosquitto_socket(mosq); fd >= 0)
        SetTcpKeepAlive(fd);

    std::string reason;
    const Pumped up = Pump(mosq, true, Clock::now() + kConnectTimeout, reason);
    if (up == Pumped::Stopped)
        return std::nullopt;
    if (up == Pumped::Lost) {
        const bool refused = m_connack && *m_connack != 0;
        return MakeStatus(refused ? LineState::Refused : LineState::Lost, m_url.Shown(), reason);
    }

    m_connected = true;
    schedule.Connected();
    Report(MakeStatus(LineState::Connected, m_url.Shown()));
    FlushOutbox(mosq);
    const Pumped lost = Pump(mosq, false, Clock::time_point::max(), reason);
    m_connected = false;
    if (lost == Pumped::Stopped) {
        Goodbye(mosq);
        return std::nullopt;
    }
    schedule.Lost();
    return MakeStatus(LineState::Lost, m_url.Shown(), reason);
}

bool MqttClient::Arm(int socket, bool write) {
    epoll_event event{};
    event.events = write ? EPOLLIN | EPOLLOUT : EPOLLIN;
    event.data.fd = socket;
    if (socket != m_armed) {
        if (m_armed >= 0)
            ::epoll_ctl(m_epoll, EPOLL_CTL_DEL, m_armed, nullptr);
        m_armed = -1;
        if (::epoll_ctl(m_epoll, EPOLL_CTL_ADD, socket, &event) != 0)
            return false;
        m_armed = socket;
        return true;
    }
    if (::epoll_ctl(m_epoll, EPOLL_CTL_MOD, socket, &event) == 0)
        return true;
    // The descriptor was closed and its number given again: watched anew.
    m_armed = -1;
    return ::epoll_ctl(m_epoll, EPOLL_CTL_ADD, socket, &event) == 0 && (m_armed = socket) >= 0;
}

MqttClient::Pumped MqttClient::Pump(mosquitto* mosq, bool untilUp, Clock::time_point deadline,
                                    std::string& reason) {
    const auto failed = [&](int rc) {
        if (m_connack && *m_connack != 0)
            reason = ConnackText(*m_connack);
        else if (rc == MOSQ_ERR_ERRNO && errno != 0)
            reason = ErrorText(errno);
        else if (rc == MOSQ_ERR_CONN_LOST || rc == MOSQ_ERR_NO_CONN)
            reason = m_lastError.empty() ? "closed by the broker" : m_lastError;
        else if (rc == MOSQ_ERR_KEEPALIVE)
            reason = "the broker stopped answering";
        else if (!m_lastError.empty())
            reason = m_lastError;
        else
            reason = mosquitto_strerror(rc);
        return Pumped::Lost;
    };
    for (;;) {
        if (untilUp && m_connack) {
            if (*m_connack != 0) {
                reason = ConnackText(*m_connack);
                return Pumped::Lost;
            }
            // Up once the calls of other copies come in: the subscription is acknowledged.
            if (m_subscribed)
                return Pumped::Connected;
            if (!m_subscribing) {
                m_subscribing = true;
                OnConnected(mosq);
            }
        }
        const int socket = mosquitto_socket(mosq);
        if (socket < 0) {
            reason = m_lastError.empty() ? "closed by the broker" : m_lastError;
            return Pumped::Lost;
        }
        if (!Arm(socket, mosquitto_want_write(mosq)))
            return failed(MOSQ_ERR_ERRNO);

        const Clock::time_point now = Clock::now();
        if (untilUp && now >= deadline) {
            reason = "no answer from the broker";
            return Pumped::Lost;
        }
        Clock::time_point wakeAt = std::min(deadline, now + kKeepAliveCheck);
        if (m_ignored > 0 && m_ignoredTold)
            wakeAt = std::min(wakeAt, *m_ignoredTold + kIgnoredEvery);
        const Wake wake = m_stop.Wait(m_epoll, POLLIN, wakeAt);
        if (wake == Wake::Stopped)
            return Pumped::Stopped;
        if (wake == Wake::Failed)
            return failed(MOSQ_ERR_ERRNO);

        epoll_event events[2];
        const int ready = wake == Wake::Ready ? ::epoll_wait(m_epoll, events, 2, 0) : 0;
        for (int i = 0; i < ready; ++i) {
            if (events[i].data.fd == m_wake) {
                std::uint64_t pending = 0;
                [[maybe_unused]] auto n = ::read(m_wake, &pending, sizeof pending);
                continue;
            }
            // A read also carries a TLS handshake on, whichever way the socket was ready.
            errno = 0;
            int rc = mosquitto_loop_read(mosq, 1);
            if (rc == MOSQ_ERR_SUCCESS && mosquitto_want_write(mosq) &&
                (events[i].events & EPOLLOUT) != 0)
                rc = mosquitto_loop_write(mosq, 1);
            if (rc != MOSQ_ERR_SUCCESS)
                return failed(rc);
        }
        errno = 0;
        if (const int rc = mosquitto_loop_misc(mosq); rc != MOSQ_ERR_SUCCESS)
            return failed(rc);
        if (m_connected)
            FlushOutbox(mosq);
        SayIgnored(false);
    }
}

void MqttClient::OnConnected(mosquitto* mosq) {
    mosquitto_subscribe(mosq, nullptr, m_callTopic.c_str(), kQos);
    mosquitto_publish(mosq, nullptr, m_statusTopic.c_str(), static_cast<int>(std::strlen(kOnline)),
                      kOnline, kQos, true);
    const std::string discovery = DiscoveryConfigJson(m_url.prefix, m_clientId);
    mosquitto_publish(mosq, nullptr, DiscoveryTopic(m_clientId).c_str(),
                      static_cast<int>(discovery.size()), discovery.data(), kQos, true);
}

void MqttClient::FlushOutbox(mosquitto* mosq) {
    std::deque<Outgoing> outgoing;
    {
        std::lock_guard lock(m_outMutex);
        outgoing.swap(m_outbox);
    }
    const Clock::time_point oldest = Clock::now() - kOutboxAge;
    for (const Outgoing& out : outgoing) {
        if (out.queued < oldest)
            continue;
        mosquitto_publish(mosq, nullptr, m_callTopic.c_str(), static_cast<int>(out.payload.size()),
                          out.payload.data(), kQos, false);
    }
}

void MqttClient::Goodbye(mosquitto* mosq) {
    mosquitto_publish(mosq, nullptr, m_statusTopic.c_str(), static_cast<int>(std::strlen(kOffline)),
                      kOffline, kQos, true);
    mosquitto_disconnect(mosq);
    // The stop is raised, so this wait is a plain one, and short.
    const Clock::time_point deadline = Clock::now() + kGoodbyeTime;
    while (mosquitto_want_write(mosq)) {
        const int socket = mosquitto_socket(mosq);
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (socket < 0 || left <= 0)
            break;
        pollfd out{socket, POLLOUT, 0};
        if (::poll(&out, 1, static_cast<int>(left)) < 0 && errno != EINTR)
            break;
        if (mosquitto_loop_write(mosq, 1) != MOSQ_ERR_SUCCESS)
            break;
    }
}

void MqttClient::HandleMessage(const mosquitto_message& message) {
    if (message.topic == nullptr || m_callTopic != message.topic)
        return;
    const std::string_view payload(
        static_cast<const char*>(message.payload),
        message.payloadlen > 0 ? static_cast<std::size_t>(message.payloadlen) : 0);
    // A retained record is an old one, left by whoever published it so.
    std::optional<CallRecord> record;
    if (!message.retain)
        record = ReadCallRecord(payload);
    std::optional<IncomingCall> call;
    if (record)
        call = CallOfRecord(*record);
    if (!call) {
        Ignored();
        return;
    }
    if (record->origin == m_clientId)
        return;
    if (!record->id.empty()) {
        if (std::find(m_recentIds.begin(), m_recentIds.end(), record->id) != m_recentIds.end())
            return;
        if (m_recentIds.size() >= kRecentIds)
            m_recentIds.pop_front();
        m_recentIds.push_back(record->id);
    }
    std::size_t dropped = 0;
    {
        std::lock_guard lock(m_inMutex);
        if (m_inbox.size() >= kInboxLimit) {
            m_inbox.pop_front();
            dropped = 1;
        }
        m_inbox.push_back(std::move(*call));
    }
    m_inChanged.notify_one();
    if (dropped > 0)
        Ignored(dropped);
}

void MqttClient::Ignored(std::size_t count) {
    m_ignored += count;
    SayIgnored(!m_ignoredTold);
}

void MqttClient::SayIgnored(bool due) {
    if (m_ignored == 0)
        return;
    const Clock::time_point now = Clock::now();
    if (!due && (!m_ignoredTold || now - *m_ignoredTold < kIgnoredEvery))
        return;
    if (m_ignored == 1)
        capi::Say("MQTT: 1 message ignored, not a call record\n");
    else
        capi::Sayf("MQTT: %zu messages ignored, not call records\n", m_ignored);
    m_ignored = 0;
    m_ignoredTold = now;
}

void MqttClient::DeliverCalls() {
    for (;;) {
        IncomingCall call;
        {
            std::unique_lock lock(m_inMutex);
            m_inChanged.wait(lock, [this] { return m_deliveryStop || !m_inbox.empty(); });
            if (m_deliveryStop)
                return;
            call = std::move(m_inbox.front());
            m_inbox.pop_front();
        }
        if (m_onCall)
            m_onCall(std::move(call));
    }
}

void MqttClient::OnConnect(mosquitto*, void* self, int result) {
    static_cast<MqttClient*>(self)->m_connack = result;
}

void MqttClient::OnMessage(mosquitto*, void* self, const mosquitto_message* message) {
    if (message)
        static_cast<MqttClient*>(self)->HandleMessage(*message);
}

void MqttClient::OnSubscribe(mosquitto*, void* self, int, int, const int*) {
    static_cast<MqttClient*>(self)->m_subscribed = true;
}

void MqttClient::OnLog(mosquitto*, void* self, int level, const char* text) {
    auto* client = static_cast<MqttClient*>(self);
    if (text == nullptr || (level & MOSQ_LOG_ERR) == 0 || !client->m_lastError.empty())
        return;
    // The first error of an attempt says why; "Error: host name verification failed." and
    // "OpenSSL Error[0]: error:0A000086:SSL routines::certificate verify failed" read as
    // their last words.
    std::string_view line = text;
    if (line.starts_with("Error: "))
        line.remove_prefix(7);
    else if (const auto colon = line.rfind(':'); colon != std::string_view::npos)
        line.remove_prefix(colon + 1);
    while (!line.empty() && (line.back() == '.' || line.back() == ' '))
        line.remove_suffix(1);
    while (!line.empty() && line.front() == ' ')
        line.remove_prefix(1);
    client->m_lastError = line;
}

} // namespace line
