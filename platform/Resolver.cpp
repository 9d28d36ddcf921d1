#include "platform/Resolver.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <mutex>
#include <utility>
#include <vector>

namespace platform {

namespace {

using Clock = std::chrono::steady_clock;

// How often a wait looks whether it is to stop.
constexpr auto kStopCheck = std::chrono::milliseconds(100);

// One request the library writes into until it is done, so one that outlives its wait is kept
// until then.
struct Request {
    std::string host;
    std::string service;
    addrinfo hints{};
    gaicb block{};

    ~Request() {
        if (block.ar_result)
            freeaddrinfo(block.ar_result);
    }
};

// Never destroyed: at exit the library may still be writing into one of them.
std::mutex g_abandonedMutex;
auto* const g_abandoned = new std::vector<std::unique_ptr<Request>>();

void Abandon(std::unique_ptr<Request> request) {
    // One the library has begun can't be cancelled: it is left to finish.
    if (gai_cancel(&request->block) != EAI_NOTCANCELED)
        return;
    std::lock_guard lock(g_abandonedMutex);
    std::erase_if(*g_abandoned, [](const std::unique_ptr<Request>& r) {
        return gai_error(&r->block) != EAI_INPROGRESS;
    });
    g_abandoned->push_back(std::move(request));
}

} // namespace

Resolution Resolve(const std::string& host, const std::string& service, const addrinfo& hints,
                   Clock::time_point deadline, const std::function<bool()>& stopped) {
    Resolution resolution;
    auto request = std::make_unique<Request>();
    request->host = host;
    request->service = service;
    request->hints = hints;
    gaicb& block = request->block;
    block.ar_name = request->host.c_str();
    block.ar_service = request->service.c_str();
    block.ar_request = &request->hints;
    gaicb* list[] = {&block};
    if (const int error = getaddrinfo_a(GAI_NOWAIT, list, 1, nullptr); error != 0) {
        resolution.error = error;
        if (error == EAI_SYSTEM)
            resolution.systemError = errno;
        return resolution;
    }
    while (gai_error(&block) == EAI_INPROGRESS) {
        const auto left = deadline - Clock::now();
        resolution.stopped = stopped && stopped();
        if (left <= Clock::duration::zero() || resolution.stopped) {
            Abandon(std::move(request));
            resolution.error = EAI_AGAIN;
            return resolution;
        }
        const auto slice = std::min<Clock::duration>(left, stopped ? kStopCheck : left);
        const auto seconds = std::chrono::floor<std::chrono::seconds>(slice);
        const timespec wait{static_cast<time_t>(seconds.count()),
                            static_cast<long>(std::chrono::nanoseconds(slice - seconds).count())};
        gai_suspend(list, 1, &wait);
    }
    resolution.error = gai_error(&block);
    if (resolution.error == 0)
        resolution.addresses.reset(std::exchange(block.ar_result, nullptr));
    return resolution;
}

} // namespace platform
