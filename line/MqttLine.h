#pragma once
// The MQTT broker as a source of calls and the way this copy shares its own: the calls other
// copies publish go to the queue of calls, the calls heard on this copy's lines go out to the
// broker. Its URL comes from the settings at start and from the "Lignes" dialog later.

#include "line/CallSharer.h"
#include "line/ClientWatch.h"
#include "line/LineSource.h"
#include "line/MqttClient.h"

#include <functional>
#include <mutex>
#include <string>

namespace line {

class MqttSource : public LineSource, public CallSharer {
  public:
    // clientId: this copy's name at the broker; by default (empty) ThisCopysMqttClientId(),
    // worked out when a URL is first watched.
    explicit MqttSource(std::string clientId = {});

    Source Kind() const override { return Source::Mqtt; }
    // Watches the URL the settings give at start; brings a line when there is one.
    void Start(std::function<void(bool brings)> started) override;
    // Says goodbye to the broker, waiting for that a moment at most.
    void Stop() override;
    LineStatus Status() const override { return m_watch.Status(); }

    // The URL as given, password included: for the settings and the dialog's field only.
    std::string Address() const override { return m_watch.Address(); }
    // Watches the URL in place of any earlier one; an empty one switches MQTT off. Returns at
    // once, even while a call from the broker is being handled. Called from one thread only
    // (the GUI thread).
    void Watch(const std::string& url) override;

    // Publishes a call heard on this copy's own lines; returns at once.
    void CallHeard(const IncomingCall& call, const std::string& phonebookName,
                   const std::string& calledLabel) override;
    std::string ClientId() const;

  private:
    ClientWatch<MqttClient> m_watch{Source::Mqtt};
    mutable std::mutex m_mutex; // guards the client id
    std::string m_clientId;
};

} // namespace line
