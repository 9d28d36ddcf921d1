#pragma once
// The one line-status model: a record per line source, written by the sources and read by the
// windows (the "Lignes" dialog, the tray's tip), and a hook called on every change.

#include "line/Source.h"

#include <chrono>
#include <functional>
#include <string>

namespace line {

enum class LineState {
    Off,        // not started, stopped, or switched off
    Connecting, // resolving, connecting, or registering for the first time
    Connected,
    Refused, // the peer answered but does not serve (a call monitor switched off); retrying
    Lost,    // went away or cannot be reached; retrying
    Absent,  // the CAPI driver was missing at start; retrying
    Invalid, // the address given is not one: nothing is tried until another is given
    Failed,  // the source cannot run at all (reason says why): nothing is tried again
};

struct LineStatus {
    Source source = Source::Capi;
    LineState state = LineState::Off;
    // Where the source is reached ("<host>:<port>"; the text given when it is Invalid).
    std::string address;
    // Why it is not connected, in English; empty otherwise.
    std::string reason;
    // CAPI controllers listened on while Connected.
    unsigned controllers = 0;
    // Seconds announced until the next try; 0 when none is planned or one runs now.
    int retryIn = 0;
    std::chrono::steady_clock::time_point nextTry{}; // when retryIn > 0
};

// Called from any thread, whenever the state of a line source changed; it must not block.
void SetLineStatusHook(std::function<void()> hook);
void NotifyLineStatus();

} // namespace line
