#pragma once
// The machine's network interfaces and their state, as getifaddrs reports them. Tests point
// TINTOREL_FAKE_IFACES at a file listing interfaces instead: one per line, the name followed
// by any of the words UP, RUNNING, POINTOPOINT, LOOPBACK ("#" starts a comment).

#include <string>
#include <vector>

namespace platform {

struct NetInterface {
    std::string name;
    unsigned flags = 0; // IFF_* bits
};

// One entry per interface (an interface with several addresses is listed once).
std::vector<NetInterface> ListNetInterfaces();

} // namespace platform
