#include "line/MqttLine.h"

#include "line/CallQueue.h"
#include "line/MqttClientId.h"
#include "settings/Settings.h"

#include <chrono>
#include <utility>

namespace line {

namespace {

// How long the end of the program waits for the broker to hear the goodbye.
constexpr auto kGoodbyeWait = std::chrono::milliseconds(1500);

LineStatus Off() {
    LineStatus status;
    status.source = Source::Mqtt;
    return status;
}

} // namespace

MqttSource::MqttSource(std::string clientId) : m_clientId(std::move(clientId)) {
    m_shared->status = Off();
}

MqttSource::~MqttSource() {
    std::vector<std::unique_ptr<MqttClient>> clients;
    {
        std::lock_guard lock(m_mutex);
        clients = std::move(m_retired);
        if (m_client)
            clients.push_back(std::move(m_client));
    }
    // Their threads are asked to end first, then joined (which waits for a call in hand).
    for (const auto& client : clients)
        client->RequestStop();
}

void MqttSource::Start(std::function<void(bool brings)> started) {
    const std::string url = settings::MqttAtStart();
    Watch(url);
    // A URL that is not one counts as a line: the user is told in the "Lignes" dialog.
    if (started)
        started(!url.empty());
}

void MqttSource::Stop() {
    Watch({});
    std::vector<MqttClient*> retired;
    {
        std::lock_guard lock(m_mutex);
        for (const auto& client : m_retired)
            retired.push_back(client.get());
    }
    // Kept in m_retired meanwhile, and only this thread removes them.
    const auto deadline = MqttClient::Clock::now() + kGoodbyeWait;
    for (MqttClient* client : retired)
        client->WaitForGoodbye(deadline);
}

LineStatus MqttSource::Status() const {
    std::lock_guard lock(m_shared->mutex);
    return m_shared->status;
}

std::string MqttSource::Address() const {
    std::lock_guard lock(m_mutex);
    return m_url;
}

std::string MqttSource::ClientId() const {
    std::lock_guard lock(m_mutex);
    return m_clientId;
}

void MqttSource::SetCalledLabels(CalledLabels labels) {
    std::lock_guard lock(m_mutex);
    m_labels = std::move(labels);
}

void MqttSource::Watch(const std::string& url) {
    MqttClient* started = nullptr;
    {
        std::lock_guard lock(m_mutex);
        if (m_client) {
            m_client->RequestStop();
            m_retired.push_back(std::move(m_client));
        }
        // Those that have ended are joined at once.
        std::erase_if(m_retired, [](const auto& client) { return client->Finished(); });
        m_url = url;
        std::uint64_t generation;
        {
            std::lock_guard statusLock(m_shared->mutex);
            m_shared->status = Off();
            generation = ++m_shared->generation;
        }
        if (!url.empty()) {
            if (m_clientId.empty())
                m_clientId = ThisCopysMqttClientId();
            m_client = std::make_unique<MqttClient>(
                m_clientId, [](IncomingCall call) { Calls().Take(call); },
                [shared = m_shared, generation](const LineStatus& status) {
                    {
                        std::lock_guard lock(shared->mutex);
                        if (shared->generation != generation)
                            return; // a report of a client that has been replaced
                        shared->status = status;
                    }
                    NotifyLineStatus();
                });
            started = m_client.get();
        }
    }
    // Outside the lock: a bad URL is reported at once, on this thread.
    if (started)
        started->Start(url);
    NotifyLineStatus();
}

void MqttSource::CallHeard(const IncomingCall& call, const std::string& phonebookName) {
    CalledLabels labels;
    {
        std::lock_guard lock(m_mutex);
        labels = m_labels;
    }
    const std::string label = labels ? labels(call.called) : std::string();
    std::lock_guard lock(m_mutex);
    if (m_client)
        m_client->Share(call, phonebookName, label);
}

} // namespace line
