#pragma once
// The CAPI line as a source of calls: its watcher registers with the driver on a thread of
// its own, hands every incoming call to the queue of calls, and tries a missing or lost
// driver again on the retry schedule.

#include "line/LineSource.h"

#include <atomic>

namespace line {

class CapiSource : public LineSource {
  public:
    ~CapiSource() override;

    Source Kind() const override { return Source::Capi; }
    // Brings a line when the first registration works. The CAPI watcher is one per process:
    // one source at a time may run it.
    void Start(std::function<void(bool brings)> started) override;
    void Stop() override;
    LineStatus Status() const override;

  private:
    std::atomic<bool> m_running{false};
};

} // namespace line
