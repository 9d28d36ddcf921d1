#pragma once
// What the link to the CAPI driver looks like, for the line side's status model. Written by
// the watcher; readable from any thread.

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
    // While Lost or Missing: seconds until the next attempt, 0 while it runs.
    int secondsToRetry = 0;
};

LinkStatus GetLinkStatus();

// Called on the watcher thread with each new status: once when the watcher starts, then on
// every change (each second of a countdown while Lost or Missing). Never for a stop, which
// the caller knows about. It must return quickly and must not call StopCAPI.
using LinkStatusHandler = void (*)(const LinkStatus& status);
void SetLinkStatusHandler(LinkStatusHandler handler);

} // namespace capi
