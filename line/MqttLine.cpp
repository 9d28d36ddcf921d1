#include "line/MqttLine.h"

#include "line/CallQueue.h"
#include "line/MqttClientId.h"
#include "platform/Cp1252.h"
#include "settings/Settings.h"

#include <chrono>
#include <utility>

namespace line {

namespace {

// How long the end of the program waits for the broker to hear the goodbye.
constexpr auto kGoodbyeWait = std::chrono::milliseconds(1500);

} // namespace

MqttSource::MqttSource(std::string clientId) : m_clientId(std::move(clientId)) {}

void MqttSource::Start(std::function<void(bool brings)> started) {
    const std::string url = settings::MqttAtStart();
    Watch(url);
    // A URL that is not one counts as a line: the user is told in the "Lignes" dialog.
    if (started)
        started(!url.empty());
}

void MqttSource::Stop() {
    Watch({});
    // The retired clients stay until the next Watch, which only this thread calls.
    const auto deadline = MqttClient::Clock::now() + kGoodbyeWait;
    for (MqttClient* client : m_watch.Retired())
        client->WaitForGoodbye(deadline);
}

std::string MqttSource::ClientId() const {
    std::lock_guard lock(m_mutex);
    return m_clientId;
}

void MqttSource::Watch(const std::string& url) {
    std::string clientId;
    if (!url.empty()) {
        std::lock_guard lock(m_mutex);
        if (m_clientId.empty())
            m_clientId = ThisCopysMqttClientId();
        clientId = m_clientId;
    }
    MqttClient* started =
        m_watch.Replace(url, [&clientId](ClientWatch<MqttClient>::StatusReport report) {
            return std::make_unique<MqttClient>(
                clientId, [](IncomingCall call) { Calls().Take(call); }, std::move(report));
        });
    // Outside the lock: a bad URL is reported at once, on this thread.
    if (started)
        started->Start(url);
    NotifyLineStatus();
}

void MqttSource::CallHeard(const IncomingCall& call, const std::string& phonebookName,
                           const std::string& calledLabel) {
    m_watch.WithCurrent([&](MqttClient* client) {
        // The record is UTF-8.
        if (client)
            client->Share(call, phonebookName, platform::FromCp1252(calledLabel).toStdString());
    });
}

} // namespace line
