#pragma once
// How the line sources' states read (in the program's language), for the "Lignes" dialog and the
// tray's tip.

#include "line/LineStatus.h"

#include <QString>

#include <chrono>
#include <vector>

namespace ui {

using Clock = std::chrono::steady_clock;

// now: the moment the countdown to the next try is read.
QString CapiStateText(const line::LineStatus& status, Clock::time_point now);
QString MonitorStateText(const line::LineStatus& status, Clock::time_point now);
QString MqttStateText(const line::LineStatus& status, Clock::time_point now);
// "Tintorel", followed by each source that is down (a lost CAPI line, a call monitor or an MQTT
// broker that can't be reached).
QString TrayToolTip(const std::vector<line::LineStatus>& lines, Clock::time_point now);
// Whether some source waits for its next try (the texts then change every second).
bool CountingDown(const std::vector<line::LineStatus>& lines);
// Whether the tray's tip counts down (an absent CAPI driver, which the tip doesn't name, keeps
// the program asleep until its next try).
bool TipCountingDown(const std::vector<line::LineStatus>& lines, Clock::time_point now);

} // namespace ui
