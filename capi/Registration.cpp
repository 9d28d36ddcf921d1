// Registration with the CAPI driver, release, and LISTEN on every controller.

#include "capi/Watcher.h"

#include <capi20.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>

namespace capi {

namespace {

std::atomic<std::uint16_t> g_nApplId{0};

constexpr unsigned kMaxLogicalConnection = 2;
constexpr unsigned kMaxBDataBlocks = 7;
constexpr unsigned kMaxBDataLen = 2048;
// A release that cannot get the library within this time is left to process exit.
constexpr auto kReleaseWait = std::chrono::seconds(3);

void Say(const char* text) {
    std::fputs(text, stdout);
    std::fflush(stdout);
}

} // namespace

std::timed_mutex& CapiLock() {
    // Never destroyed: the watcher may still hold it while the process exits.
    static auto* lock = new std::timed_mutex;
    return *lock;
}

bool MeansLinkDown(unsigned info) {
    return info == 0x1101 || info == kLinkClosed || info == 0x1109;
}

std::uint16_t ApplicationId() {
    return g_nApplId;
}

void PublishApplicationId(std::uint16_t id) {
    g_nApplId = id;
}

std::uint16_t TakeApplicationId() {
    return g_nApplId.exchange(0);
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
        if (report) {
            Say("\nError: registering the application in function RegisterCAPI, ");
            std::printf("code: %04X\n", error);
            std::fflush(stdout);
        }
        return 0;
    }
    return controllers;
}

void ReleaseCAPI() {
    const std::uint16_t id = TakeApplicationId();
    if (id == 0)
        return;
    std::unique_lock lock(CapiLock(), std::defer_lock);
    if (!lock.try_lock_for(kReleaseWait))
        return; // the watcher is stuck in the library; the connection goes with the process
    const unsigned error = capi20_release(id);
    lock.unlock();
    if (error != 0) {
        Say("Error: deregistering the application in function ReleaseCAPI, ");
        std::printf("code: 0x%04X\n", error);
        std::fflush(stdout);
    }
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
