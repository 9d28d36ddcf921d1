#pragma once
// The router's call monitor as a source of calls: every RING it reports goes to the queue of
// calls. Its address comes from the settings at start and from the "Lignes" dialog later.

#include "line/CallMonitorClient.h"
#include "line/ClientWatch.h"
#include "line/LineSource.h"

#include <string>

namespace line {

class CallMonitorSource : public LineSource {
  public:
    CallMonitorSource() = default;

    Source Kind() const override { return Source::CallMonitor; }
    // Watches the address the settings give at start; brings a line when there is one.
    void Start(std::function<void(bool brings)> started) override;
    void Stop() override;
    LineStatus Status() const override { return m_watch.Status(); }

    std::string Address() const override { return m_watch.Address(); }
    // Watches the address in place of any earlier one; an empty address switches the call
    // monitor off. Returns at once, even while a call from the monitor is being handled.
    // Called from one thread only (the GUI thread).
    void Watch(const std::string& address) override;

  private:
    ClientWatch<CallMonitorClient> m_watch{Source::CallMonitor};
};

} // namespace line
