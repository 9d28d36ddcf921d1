#include "line/CallMonitorLine.h"

#include "line/Dispatch.h"
#include "line/LineStatus.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <vector>

namespace line {

namespace {

struct Watch {
    std::mutex mutex;
    std::string address;
    std::unique_ptr<CallMonitorClient> client;
    // Clients told to stop whose thread may still be handling a call: never waited for, so
    // the GUI thread can change the address while a call from the monitor is on screen.
    std::vector<std::unique_ptr<CallMonitorClient>> retired;
    CallMonitorStatus status;
    std::uint64_t generation = 0; // of the current client
};

// Never destroyed: the client's thread may still be running when the program ends.
Watch& TheWatch() {
    static auto* watch = new Watch;
    return *watch;
}

} // namespace

void WatchCallMonitor(const std::string& address) {
    Watch& watch = TheWatch();
    CallMonitorClient* started = nullptr;
    {
        std::lock_guard lock(watch.mutex);
        if (watch.client) {
            watch.client->RequestStop();
            watch.retired.push_back(std::move(watch.client));
        }
        // Those that have ended are joined at once.
        std::erase_if(watch.retired, [](const auto& client) { return client->Finished(); });
        watch.address = address;
        watch.status = CallMonitorStatus{};
        const std::uint64_t generation = ++watch.generation;
        if (!address.empty()) {
            watch.client = std::make_unique<CallMonitorClient>(
                [](std::string calling, std::string called) {
                    Calls().Take(Source::CallMonitor, calling, called);
                },
                [generation](const CallMonitorStatus& status) {
                    Watch& watch = TheWatch();
                    {
                        std::lock_guard lock(watch.mutex);
                        if (watch.generation != generation)
                            return; // a report of a client that has been replaced
                        watch.status = status;
                    }
                    NotifyLineStatus();
                });
            started = watch.client.get();
        }
    }
    // Outside the lock: a bad address is reported at once, on this thread.
    if (started)
        started->Start(address);
    NotifyLineStatus();
}

std::string WatchedCallMonitor() {
    Watch& watch = TheWatch();
    std::lock_guard lock(watch.mutex);
    return watch.address;
}

CallMonitorStatus CallMonitorLineStatus() {
    Watch& watch = TheWatch();
    std::lock_guard lock(watch.mutex);
    return watch.status;
}

} // namespace line
