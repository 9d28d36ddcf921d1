#pragma once
// The line sources a call or a status can come from.

namespace line {

enum class Source { Capi, CallMonitor, Mqtt };

// "capi", "callmonitor" or "mqtt": how the call command's environment and the broker's records
// name a source.
const char* SourceName(Source source);

} // namespace line
