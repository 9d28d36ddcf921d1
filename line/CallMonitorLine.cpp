#include "line/CallMonitorLine.h"

#include "line/CallQueue.h"
#include "settings/Settings.h"

#include <utility>

namespace line {

namespace {

LineStatus Off() {
    LineStatus status;
    status.source = Source::CallMonitor;
    return status;
}

} // namespace

CallMonitorSource::~CallMonitorSource() {
    std::vector<std::unique_ptr<CallMonitorClient>> clients;
    {
        std::lock_guard lock(m_mutex);
        clients = std::move(m_retired);
        if (m_client)
            clients.push_back(std::move(m_client));
    }
    // Their threads are asked to end first, then joined (which waits for a call in hand).
    for (const auto& client : clients)
        client->RequestStop();
}

void CallMonitorSource::Start(std::function<void(bool brings)> started) {
    const std::string address = settings::CallMonitorAtStart();
    Watch(address);
    // An address that is not one counts as a line: the user is told in the "Lignes" dialog.
    if (started)
        started(!address.empty());
}

void CallMonitorSource::Stop() {
    Watch({});
}

LineStatus CallMonitorSource::Status() const {
    std::lock_guard lock(m_shared->mutex);
    return m_shared->status;
}

std::string CallMonitorSource::Address() const {
    std::lock_guard lock(m_mutex);
    return m_address;
}

void CallMonitorSource::Watch(const std::string& address) {
    CallMonitorClient* started = nullptr;
    {
        std::lock_guard lock(m_mutex);
        if (m_client) {
            m_client->RequestStop();
            m_retired.push_back(std::move(m_client));
        }
        // Those that have ended are joined at once.
        std::erase_if(m_retired, [](const auto& client) { return client->Finished(); });
        m_address = address;
        std::uint64_t generation;
        {
            std::lock_guard statusLock(m_shared->mutex);
            m_shared->status = Off();
            generation = ++m_shared->generation;
        }
        if (!address.empty()) {
            m_client = std::make_unique<CallMonitorClient>(
                [](IncomingCall call) { Calls().Take(call); },
                [shared = m_shared, generation](const LineStatus& status) {
                    {
                        std::lock_guard lock(shared->mutex);
                        if (shared->generation != generation)
                            return; // a report of a client that has been replaced
                        shared->status = status;
                    }
                    NotifyLineStatus();
                });
            started = m_client.get();
        }
    }
    // Outside the lock: a bad address is reported at once, on this thread.
    if (started)
        started->Start(address);
    NotifyLineStatus();
}

} // namespace line
