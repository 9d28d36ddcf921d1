// Registration with the CAPI driver, LISTEN on every controller, the watcher thread and stop.

#include "capi/Capi.h"
#include "capi/ConnectionTable.h"
#include "capi/Watcher.h"

#include <capi20.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace capi {

namespace {

std::atomic<std::uint16_t> g_nApplId{0};
std::atomic<bool> g_bStopCAPI{false};

constexpr unsigned kMaxLogicalConnection = 2;
constexpr unsigned kMaxBDataBlocks = 7;
constexpr unsigned kMaxBDataLen = 2048;
constexpr auto kPollInterval = std::chrono::milliseconds(100);
// A release that cannot get the library within this time is left to process exit.
constexpr auto kReleaseWait = std::chrono::seconds(3);

void Say(const char* text) {
    std::fputs(text, stdout);
    std::fflush(stdout);
}

// TINTOREL_CAPI=<driver>:<host>:<port> picks the library's module and remote end; read once,
// before the first CAPI call, since the library settles its module at that call.
void SelectDriver() {
    static bool done = false;
    if (done)
        return;
    done = true;
    capi20ext_set_tracelevel(0);
    const char* env = std::getenv("TINTOREL_CAPI");
    if (env == nullptr)
        return;
    const std::string spec = env;
    const auto first = spec.find(':');
    const auto last = spec.rfind(':');
    if (first == std::string::npos || first == last || first == 0 || last == first + 1)
        return;
    const std::string portText = spec.substr(last + 1);
    char* end = nullptr;
    const long port = std::strtol(portText.c_str(), &end, 10);
    if (portText.empty() || *end != '\0' || port <= 0 || port > 65535)
        return;
    // The library keeps the pointers: the texts live as long as the process, never destroyed.
    auto* driver = new std::string(spec.substr(0, first));
    auto* host = new std::string(spec.substr(first + 1, last - first - 1));
    capi20ext_set_driver(driver->data());
    capi20ext_set_host(host->data());
    capi20ext_set_port(static_cast<int>(port));
}

void ReleaseAtExit() {
    ReleaseCAPI();
}

} // namespace

std::timed_mutex& CapiLock() {
    // Never destroyed: the watcher may still hold it while the process exits.
    static auto* lock = new std::timed_mutex;
    return *lock;
}

std::uint16_t ApplicationId() {
    return g_nApplId;
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

unsigned RegisterCAPI() {
    if (capi20_isinstalled() != 0) {
        Say("\nError: ISDN-driver not installed\n");
        return 0;
    }
    const std::uint16_t controllers = GetNumberOfControllers();
    if (controllers == 0) {
        Say("\nError: No ISDN-controller installed\n");
        return 0;
    }
    // libcapi20 sizes the message buffer itself; the other three parameters are ours.
    unsigned id = 0;
    unsigned error;
    {
        std::lock_guard lock(CapiLock());
        error = capi20_register(kMaxLogicalConnection, kMaxBDataBlocks, kMaxBDataLen, &id);
    }
    if (error != 0 || id == 0 || id > 0xFFFF) {
        g_nApplId = 0;
        Say("\nError: registering the application in function RegisterCAPI, ");
        std::printf("code: %04X\n", error);
        std::fflush(stdout);
        return 0;
    }
    g_nApplId = static_cast<std::uint16_t>(id);
    return controllers;
}

void ReleaseCAPI() {
    const std::uint16_t id = g_nApplId.exchange(0);
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

unsigned ListenAllControllers(std::uint32_t cipMask) {
    const std::uint16_t controllers = GetNumberOfControllers();
    for (unsigned c = 1; c <= controllers; ++c) {
        _cmsg msg;
        std::memset(&msg, 0, sizeof msg);
        unsigned result;
        {
            std::lock_guard lock(CapiLock());
            capi_cmsg_header(&msg, ApplicationId(), CAPI_LISTEN, CAPI_REQ, 0, c);
            msg.CIPmask = cipMask;
            result = capi_put_cmsg(&msg);
        }
        if (result != 0)
            return result;
    }
    return 0;
}

bool InitCAPI() {
    SelectDriver();
    // A remote CAPI that goes away must cost an error code, not the process.
    struct sigaction old {};
    if (sigaction(SIGPIPE, nullptr, &old) == 0 && old.sa_handler == SIG_DFL)
        std::signal(SIGPIPE, SIG_IGN);
    g_bStopCAPI = false;
    if (RegisterCAPI() == 0)
        return false;
    static std::once_flag atExit;
    std::call_once(atExit, [] { std::atexit(ReleaseAtExit); });
    InitConnectionTable();
    return true;
}

unsigned CAPIThread(void*) {
    ListenAllControllers(kListenCipMask);
    for (;;) {
        Handle_CAPI_Msg();
        std::this_thread::sleep_for(kPollInterval);
        if (g_bStopCAPI)
            break;
    }
    ReleaseCAPI();
    return 0;
}

void StartCAPIThread() {
    std::thread(CAPIThread, nullptr).detach();
}

void StopCAPI() {
    g_bStopCAPI = true;
    ReleaseCAPI();
}

} // namespace capi
