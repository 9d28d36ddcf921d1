#pragma once
// Name resolution that a caller can give up on: the C library resolves on threads of its own
// (getaddrinfo_a), and the caller waits only until its deadline or until it is told to stop.
// No thread of the program's is left behind blocked in the resolver.

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include <netdb.h>

namespace platform {

struct AddrInfoFree {
    void operator()(addrinfo* list) const { freeaddrinfo(list); }
};
using AddrList = std::unique_ptr<addrinfo, AddrInfoFree>;

struct Resolution {
    AddrList addresses; // null when there are none
    int error = 0;      // the EAI_ code; EAI_AGAIN when the deadline passed
    // With EAI_SYSTEM: the errno of the failure when it happened on the caller's thread; 0
    // when it happened on one of the library's threads, whose errno nobody can read.
    int systemError = 0;
    bool stopped = false;
};

// Resolves host and service with the hints. stopped, when given, is asked a few times a second
// while the wait lasts.
Resolution Resolve(const std::string& host, const std::string& service, const addrinfo& hints,
                   std::chrono::steady_clock::time_point deadline,
                   const std::function<bool()>& stopped = {});

} // namespace platform
