#pragma once
// The HTTP exchange with an online directory: one request, the raw reply, bounded in size and
// in time so that a dead or hostile directory never holds the caller for long.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <stop_token>
#include <string>

namespace directory {

// Largest part of a reply that is read; the rest is never read.
constexpr std::size_t kMaxReply = 32768;
// Limit on the connection attempt (name resolution included) and on any silence of the server.
constexpr std::chrono::milliseconds kTimeout{5000};
// Limit on the whole exchange, however the server paces its reply.
constexpr std::chrono::milliseconds kDeadline{10000};

struct Endpoint {
    std::string host;
    std::uint16_t port = 80;
    bool valid = true; // false: the override names no usable port
};

// The host and port to contact for a profile's host: TINTOREL_DIRECTORY=<host>[:<port>]
// (an IPv6 address in brackets) replaces both.
Endpoint DirectoryEndpoint(const std::string& profileHost);

// The text of the Host header for an endpoint (the port only when it isn't 80).
std::string HostHeader(const Endpoint& endpoint);

// The whole request: the request line from prefix and number, then the four headers.
std::string BuildRequest(const std::string& prefix, const std::string& number,
                         const std::string& hostHeader);

enum class FetchStatus {
    Ok,            // reply read until the server closed or kMaxReply bytes arrived
    ConnectFailed, // no address, no socket, refused or timed out before connecting
    IoFailed,      // send or receive failed, the server stayed silent too long, or the
                   // exchange reached its deadline
};

// Whether a reply's status line says success (2xx).
bool IsSuccessReply(const std::string& reply);

// timeout bounds the connection attempt and each silence, deadline the whole exchange; a stop
// request ends it at once (ConnectFailed or IoFailed).
FetchStatus FetchReply(const Endpoint& endpoint, const std::string& request, std::string& reply,
                       std::chrono::milliseconds timeout = kTimeout,
                       std::chrono::milliseconds deadline = kDeadline, std::stop_token stop = {});

} // namespace directory
