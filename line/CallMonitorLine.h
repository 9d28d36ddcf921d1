#pragma once
// The router's call monitor as a source of calls: every RING it reports goes to the dispatch.

#include "line/CallMonitorClient.h"

#include <string>

namespace line {

// Watches the address, in place of any earlier one; an empty address switches the call
// monitor off. Returns at once, even while a call from the monitor is being handled. Called
// from one thread only (the GUI thread).
void WatchCallMonitor(const std::string& address);

// The address watched ("" when off) and how the watch is going.
std::string WatchedCallMonitor();
CallMonitorStatus CallMonitorLineStatus();

} // namespace line
