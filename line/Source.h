#pragma once
// The line sources a call or a status can come from.

namespace line {

enum class Source { Capi, CallMonitor, Mqtt };

} // namespace line
