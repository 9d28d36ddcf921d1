#include "line/CallMonitorAddress.h"

#include <arpa/inet.h>

#include <algorithm>
#include <charconv>

namespace line {

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

std::optional<std::uint16_t> ParsePort(std::string_view text) {
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 1 ||
        value > 65535)
        return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

} // namespace

std::string CallMonitorAddress::Text() const {
    const std::string name = host.find(':') == std::string::npos ? host : "[" + host + "]";
    return name + ":" + std::to_string(port);
}

std::optional<CallMonitorAddress> ParseCallMonitorAddress(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return std::nullopt;
    text = text.substr(first, text.find_last_not_of(" \t") - first + 1);

    CallMonitorAddress address;
    std::string_view portText;
    bool hasPort = false;
    if (text.front() == '[') {
        const auto close = text.find(']');
        if (close == std::string_view::npos || !IsIpv6(text.substr(1, close - 1)))
            return std::nullopt;
        address.host = text.substr(1, close - 1);
        const std::string_view rest = text.substr(close + 1);
        if (!rest.empty() && rest.front() != ':')
            return std::nullopt;
        hasPort = !rest.empty();
        portText = hasPort ? rest.substr(1) : rest;
    } else if (std::count(text.begin(), text.end(), ':') > 1) {
        if (!IsIpv6(text))
            return std::nullopt;
        address.host = text;
    } else {
        const auto colon = text.find(':');
        if (!IsHostName(text.substr(0, colon)))
            return std::nullopt;
        address.host = text.substr(0, colon);
        hasPort = colon != std::string_view::npos;
        if (hasPort)
            portText = text.substr(colon + 1);
    }
    if (hasPort) {
        const auto port = ParsePort(portText);
        if (!port)
            return std::nullopt;
        address.port = *port;
    }
    return address;
}

} // namespace line
