// Registration with the CAPI driver, release, and LISTEN on every controller.

#include "capi/Diagnostics.h"
#include "capi/HostPort.h"
#include "capi/Watcher.h"

#include <capi20.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>

namespace capi {

namespace {

constexpr unsigned kMaxLogicalConnection = 2;
constexpr unsigned kMaxBDataBlocks = 7;
constexpr unsigned kMaxBDataLen = 2048;
// A release that cannot get the library within this time is left to process exit.
constexpr auto kReleaseWait = std::chrono::seconds(3);

void SelectDriverOnce() {
    capi20ext_set_tracelevel(0);
    // TINTOREL_CAPI=<driver>:<host>:<port>
    const char* env = std::getenv("TINTOREL_CAPI");
    if (env == nullptr)
        return;
    const std::string_view spec = env;
    const auto colon = spec.find(':');
    if (colon == std::string_view::npos || colon == 0)
        return;
    const auto address = ParseHostPort(spec.substr(colon + 1));
    if (!address || !address->port)
        return;
    // The library keeps the pointers: the texts live as long as the process, never destroyed.
    auto* driver = new std::string(spec.substr(0, colon));
    auto* host = new std::string(address->host);
    capi20ext_set_driver(driver->data());
    capi20ext_set_host(host->data());
    capi20ext_set_port(*address->port);
}

} // namespace

std::timed_mutex& CapiLock() {
    // Never destroyed: the watcher may still hold it while the process exits.
    static auto* lock = new std::timed_mutex;
    return *lock;
}

void SelectDriver() {
    // The library settles its module at the first CAPI call.
    static std::once_flag once;
    std::call_once(once, SelectDriverOnce);
}

bool MeansLinkDown(unsigned info) {
    return info == 0x1101 || info == kLinkClosed || info == 0x1109;
}

std::uint16_t ApplicationId() {
    return CurrentState().applicationId;
}

std::uint16_t GetNumberOfControllers() {
    unsigned char profile[64] = {};
    unsigned result;
    {
        std::lock_guard lock(CapiLock());
        result = capi20_get_profile(0, profile);
    }
    if (result != 0)
        return 0;
    return static_cast<std::uint16_t>(profile[0] | (profile[1] << 8));
}

unsigned RegisterCAPI(unsigned& id, bool report) {
    id = 0;
    if (capi20_isinstalled() != 0) {
        if (report)
            Say("\nError: ISDN-driver not installed\n");
        return 0;
    }
    const std::uint16_t controllers = GetNumberOfControllers();
    if (controllers == 0) {
        if (report)
            Say("\nError: No ISDN-controller installed\n");
        return 0;
    }
    // libcapi20 sizes the message buffer itself; the other three parameters are ours.
    unsigned error;
    {
        std::lock_guard lock(CapiLock());
        error = capi20_register(kMaxLogicalConnection, kMaxBDataBlocks, kMaxBDataLen, &id);
    }
    if (error != 0 || id == 0 || id > 0xFFFF) {
        id = 0;
        if (report)
            Sayf("\nError: registering the application in function RegisterCAPI, code: %04X\n",
                 error);
        return 0;
    }
    return controllers;
}

void ReleaseCAPI(std::uint16_t id) {
    if (id == 0)
        return;
    std::unique_lock lock(CapiLock(), std::defer_lock);
    if (!lock.try_lock_for(kReleaseWait))
        return; // the watcher is stuck in the library; the connection goes with the process
    const unsigned error = capi20_release(id);
    lock.unlock();
    if (error != 0)
        Sayf("Error: deregistering the application in function ReleaseCAPI, code: 0x%04X\n", error);
}

void ReleaseQuietly(unsigned id) {
    std::lock_guard lock(CapiLock());
    capi20_release(id);
}

unsigned ListenAllControllers(std::uint32_t cipMask) {
    const std::uint16_t controllers = GetNumberOfControllers();
    for (unsigned c = 1; c <= controllers; ++c) {
        _cmsg msg;
        std::memset(&msg, 0, sizeof msg);
        unsigned result;
        {
            std::lock_guard lock(CapiLock());
            if (WatcherStopping())
                return 0;
            capi_cmsg_header(&msg, ApplicationId(), CAPI_LISTEN, CAPI_REQ, 0, c);
            msg.CIPmask = cipMask;
            result = capi_put_cmsg(&msg);
        }
        if (result != 0)
            return result;
    }
    return 0;
}

} // namespace capi
