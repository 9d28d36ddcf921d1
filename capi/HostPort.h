#pragma once
// "<host>[:<port>]" as every address the program is given reads: the host a name, an IPv4
// address, or an IPv6 address in brackets (a bare IPv6 address is taken without a port).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace capi {

struct HostPort {
    std::string host; // without brackets
    std::optional<std::uint16_t> port;
};

// Nothing when the text is not an address: an empty host, a character no host name has, an
// IPv6 address that is not one, a port that is not a number from 1 to 65535. Blanks around
// the whole text are ignored.
std::optional<HostPort> ParseHostPort(std::string_view text);
// A port number from 1 to 65535, digits only.
std::optional<std::uint16_t> ParsePort(std::string_view text);
// The host as it stands before ":<port>": an IPv6 address in brackets.
std::string BracketedHost(std::string_view host);

} // namespace capi
