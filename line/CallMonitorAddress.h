#pragma once
// Where the router's call monitor listens: "<host>[:<port>]", the host a name, an IPv4
// address, or an IPv6 address in brackets (a bare IPv6 address is taken without a port).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace line {

constexpr std::uint16_t kCallMonitorPort = 1012;

struct CallMonitorAddress {
    std::string host; // without brackets
    std::uint16_t port = kCallMonitorPort;

    // "<host>:<port>", the host of an IPv6 address in brackets.
    std::string Text() const;
};

// Nothing when the text is not an address: an empty host, a character no host name has, a
// port that is not a number from 1 to 65535. Blanks around the whole text are ignored.
std::optional<CallMonitorAddress> ParseCallMonitorAddress(std::string_view text);

} // namespace line
