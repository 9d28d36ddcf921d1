#pragma once
// The CAPI line as a source of calls: its watcher hands every incoming call to the dispatch.

#include "capi/LinkStatus.h"

namespace line {

// Installs the dispatch as the watcher's incoming-call handler, registers with the CAPI driver
// and starts the watcher. False, with nothing started, when the driver can't be reached.
bool StartCapiLine();
// How the link to the driver is doing; every change is told through NotifyLineStatus.
capi::LinkStatus CapiLineStatus();
// Stops the watcher and releases the registration at once, without waiting for it.
void StopCapiLine();

} // namespace line
