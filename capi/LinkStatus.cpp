#include "capi/LinkStatus.h"

#include "capi/Watcher.h"

#include <atomic>
#include <mutex>

namespace capi {

namespace {

// Plain data with trivial destructors: process exit must not tear them down under the watcher.
std::mutex g_statusMutex;
LinkStatus g_status;
std::atomic<LinkStatusHandler> g_pLinkStatusHandler{nullptr};

} // namespace

LinkStatus GetLinkStatus() {
    std::lock_guard lock(g_statusMutex);
    return g_status;
}

void SetLinkStatusHandler(LinkStatusHandler handler) {
    g_pLinkStatusHandler = handler;
}

void SetLinkStatus(const LinkStatus& status) {
    std::lock_guard lock(g_statusMutex);
    g_status = status;
}

void NotifyLinkStatus(const LinkStatus& status) {
    if (const LinkStatusHandler handler = g_pLinkStatusHandler)
        handler(status);
}

} // namespace capi
