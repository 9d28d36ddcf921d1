#include "capi/HostPort.h"

#include <arpa/inet.h>

#include <algorithm>
#include <charconv>

namespace capi {

namespace {

bool IsIpv6(std::string_view text) {
    // A zone ("%eth0") is the resolver's business; the address before it must be one.
    const auto percent = text.find('%');
    if (percent != std::string_view::npos && percent + 1 == text.size())
        return false;
    const std::string address(text.substr(0, percent));
    in6_addr out{};
    return inet_pton(AF_INET6, address.c_str(), &out) == 1;
}

bool IsHostName(std::string_view text) {
    return !text.empty() && text.size() <= 253 && std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '-' || c == '.' || c == '_';
    });
}

} // namespace

std::optional<std::uint16_t> ParsePort(std::string_view text) {
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 1 ||
        value > 65535)
        return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

std::optional<HostPort> ParseHostPort(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return std::nullopt;
    text = text.substr(first, text.find_last_not_of(" \t") - first + 1);

    HostPort address;
    std::optional<std::string_view> portText;
    if (text.front() == '[') {
        const auto close = text.find(']');
        if (close == std::string_view::npos || !IsIpv6(text.substr(1, close - 1)))
            return std::nullopt;
        address.host = text.substr(1, close - 1);
        const std::string_view rest = text.substr(close + 1);
        if (!rest.empty() && rest.front() != ':')
            return std::nullopt;
        if (!rest.empty())
            portText = rest.substr(1);
    } else if (std::count(text.begin(), text.end(), ':') > 1) {
        if (!IsIpv6(text))
            return std::nullopt;
        address.host = text;
    } else {
        const auto colon = text.find(':');
        if (!IsHostName(text.substr(0, colon)))
            return std::nullopt;
        address.host = text.substr(0, colon);
        if (colon != std::string_view::npos)
            portText = text.substr(colon + 1);
    }
    if (portText) {
        address.port = ParsePort(*portText);
        if (!address.port)
            return std::nullopt;
    }
    return address;
}

std::string BracketedHost(std::string_view host) {
    std::string text;
    if (host.find(':') == std::string_view::npos)
        return text.assign(host);
    // Appended piece by piece: GCC 12 takes "[" + host for an overlapping copy.
    text.reserve(host.size() + 2);
    text += '[';
    text += host;
    text += ']';
    return text;
}

} // namespace capi
