#pragma once
// The router's call monitor as a source of calls: every RING it reports goes to the queue of
// calls. Its address comes from the settings at start and from the "Lignes" dialog later.

#include "line/CallMonitorClient.h"
#include "line/LineSource.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace line {

class CallMonitorSource : public LineSource {
  public:
    CallMonitorSource() = default;
    ~CallMonitorSource() override;

    Source Kind() const override { return Source::CallMonitor; }
    // Watches the address the settings give at start; brings a line when there is one.
    void Start(std::function<void(bool brings)> started) override;
    void Stop() override;
    LineStatus Status() const override;

    std::string Address() const override;
    // Watches the address in place of any earlier one; an empty address switches the call
    // monitor off. Returns at once, even while a call from the monitor is being handled.
    // Called from one thread only (the GUI thread).
    void Watch(const std::string& address) override;

  private:
    // Shared with the clients' status handlers, which may report after the source is gone.
    struct Shared {
        std::mutex mutex;
        LineStatus status;
        std::uint64_t generation = 0; // of the current client
    };

    std::shared_ptr<Shared> m_shared = std::make_shared<Shared>();
    mutable std::mutex m_mutex;
    std::string m_address;
    std::unique_ptr<CallMonitorClient> m_client;
    // Clients told to stop whose thread may still be handling a call: never waited for, so
    // the GUI thread can change the address while a call from the monitor is on screen.
    std::vector<std::unique_ptr<CallMonitorClient>> m_retired;
};

} // namespace line
