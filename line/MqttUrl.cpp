#include "line/MqttUrl.h"

#include "capi/HostPort.h"

#include <QByteArray>

#include <algorithm>
#include <cctype>

namespace line {

namespace {

bool HasControl(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F;
    });
}

// Percent-decoding; nothing for a "%" not followed by two hex digits or a result holding a
// NUL or a control character (neither can reach the broker's C strings).
std::optional<std::string> Decoded(std::string_view text) {
    for (std::size_t at = text.find('%'); at != std::string_view::npos;
         at = text.find('%', at + 1)) {
        if (at + 2 >= text.size() || !std::isxdigit(static_cast<unsigned char>(text[at + 1])) ||
            !std::isxdigit(static_cast<unsigned char>(text[at + 2])))
            return std::nullopt;
    }
    const QByteArray decoded =
        QByteArray::fromPercentEncoding(QByteArray(text.data(), static_cast<int>(text.size())));
    std::string result = decoded.toStdString();
    if (HasControl(result))
        return std::nullopt;
    return result;
}

// The scheme's length with "://", and whether it is mqtts; nothing for another scheme.
std::optional<std::pair<std::size_t, bool>> Scheme(std::string_view text) {
    const auto starts = [&](std::string_view scheme) {
        return text.size() >= scheme.size() &&
               std::equal(scheme.begin(), scheme.end(), text.begin(), [](char a, char b) {
                   return a == std::tolower(static_cast<unsigned char>(b));
               });
    };
    if (starts("mqtt://"))
        return std::pair<std::size_t, bool>{7, false};
    if (starts("mqtts://"))
        return std::pair<std::size_t, bool>{8, true};
    return std::nullopt;
}

std::string_view Trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

} // namespace

std::string MqttUrl::HostPort() const {
    return capi::BracketedHost(host) + ":" + std::to_string(port);
}

std::string MqttUrl::Shown() const {
    return user && !user->empty() ? *user + "@" + HostPort() : HostPort();
}

std::optional<MqttUrl> ParseMqttUrl(std::string_view text) {
    text = Trimmed(text);
    const auto scheme = Scheme(text);
    if (!scheme || HasControl(text))
        return std::nullopt;
    MqttUrl url;
    url.tls = scheme->second;
    url.port = url.tls ? kMqttTlsPort : kMqttPort;
    std::string_view rest = text.substr(scheme->first);

    const auto slash = rest.find('/');
    std::string_view authority = rest.substr(0, slash);
    std::string_view path = slash == std::string_view::npos ? "" : rest.substr(slash + 1);

    // The last "@": a password may hold one unencoded.
    if (const auto at = authority.rfind('@'); at != std::string_view::npos) {
        const std::string_view userInfo = authority.substr(0, at);
        authority = authority.substr(at + 1);
        const auto colon = userInfo.find(':');
        url.user = Decoded(userInfo.substr(0, colon));
        if (!url.user)
            return std::nullopt;
        if (colon != std::string_view::npos) {
            url.password = Decoded(userInfo.substr(colon + 1));
            if (!url.password)
                return std::nullopt;
        }
    }
    // No blanks inside: ParseHostPort would take them off the ends.
    if (authority.find_first_of(" \t") != std::string_view::npos)
        return std::nullopt;
    const auto hostPort = capi::ParseHostPort(authority);
    if (!hostPort)
        return std::nullopt;
    url.host = hostPort->host;
    url.port = hostPort->port.value_or(url.port);

    // "mqtt://host/" is the default prefix, "mqtt://host/home/" the prefix "home".
    if (!path.empty() && path.back() == '/')
        path.remove_suffix(1);
    if (!path.empty()) {
        if (path.find_first_of("+#") != std::string_view::npos || path.front() == '$')
            return std::nullopt;
        url.prefix = path;
    }
    return url;
}

std::string WithoutPassword(std::string_view text) {
    const auto scheme = text.find("://");
    if (scheme == std::string_view::npos)
        return std::string(text);
    const std::size_t start = scheme + 3;
    const auto slash = text.find('/', start);
    const std::string_view authority = text.substr(
        start, slash == std::string_view::npos ? std::string_view::npos : slash - start);
    const auto at = authority.rfind('@');
    if (at == std::string_view::npos)
        return std::string(text);
    const auto colon = authority.substr(0, at).find(':');
    if (colon == std::string_view::npos)
        return std::string(text);
    std::string shown(text.substr(0, start + colon));
    shown += text.substr(start + at);
    return shown;
}

} // namespace line
