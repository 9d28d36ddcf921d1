#pragma once
// linesim's standard-input commands for the simulated call monitor.

#include "tools/linesim/CallMonitor.h"

#include <optional>
#include <string>

namespace linesim {

// Carries out one command line (ring, call, connect, disconnect, raw, drop, clients) and
// returns its answer ("ok ..." or "error ..."); nothing when the line is no such command.
std::optional<std::string> CallMonitorCommand(CallMonitorSim& sim, const std::string& line);

} // namespace linesim
