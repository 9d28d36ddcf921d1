#pragma once
// What the link to the CAPI driver looks like, for the line side's status model. Written by
// the watcher; readable from any thread.

#include <chrono>

namespace capi {

struct LinkStatus {
    enum State {
        Absent,    // not started or stopped, or the driver was missing at a start without retry
        Starting,  // the first registration of a start runs
        Connected, // registered and listening
        Lost,      // the connection went away after a start; retrying
        Missing,   // the driver was missing at start; retrying
    };
    State state = Absent;
    // Controllers listened on while Connected; 0 otherwise.
    unsigned controllers = 0;
    // While Lost or Missing: the seconds announced before the next attempt and when it is due;
    // 0 while it runs.
    int secondsToRetry = 0;
    std::chrono::steady_clock::time_point nextTry{};
};

LinkStatus GetLinkStatus();

// Called on the watcher thread with each new status: once when the watcher starts, then on
// every change (once for each wait before an attempt while Lost or Missing: the countdown is
// the reader's, so an idle watcher sleeps until the attempt). Never for a stop, which
// the caller knows about. It must return quickly and must not call StopCAPI.
using LinkStatusHandler = void (*)(const LinkStatus& status);
void SetLinkStatusHandler(LinkStatusHandler handler);

} // namespace capi
