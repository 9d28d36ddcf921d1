#pragma once
// How the line sources' states read in French, for the "Lignes" dialog and the tray's tip.

#include "capi/LinkStatus.h"
#include "line/CallMonitorClient.h"

#include <QString>

#include <chrono>

namespace ui {

using Clock = std::chrono::steady_clock;

QString CapiStateText(const capi::LinkStatus& status);
// now: the moment the countdown to the next try is read.
QString MonitorStateText(const line::CallMonitorStatus& status, Clock::time_point now);
// "Tintorel", followed by each source that is down (a lost CAPI line, a call monitor that
// can't be reached).
QString TrayToolTip(const capi::LinkStatus& capi, const line::CallMonitorStatus& monitor,
                    Clock::time_point now);
// Whether some source waits for its next try (the texts then change every second).
bool CountingDown(const capi::LinkStatus& capi, const line::CallMonitorStatus& monitor);

} // namespace ui
