#include "line/CallMonitorAddress.h"

#include "capi/HostPort.h"

namespace line {

std::string CallMonitorAddress::Text() const {
    return capi::BracketedHost(host) + ":" + std::to_string(port);
}

std::optional<CallMonitorAddress> ParseCallMonitorAddress(std::string_view text) {
    const auto parsed = capi::ParseHostPort(text);
    if (!parsed)
        return std::nullopt;
    return CallMonitorAddress{parsed->host, parsed->port.value_or(kCallMonitorPort)};
}

} // namespace line
