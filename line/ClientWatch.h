#pragma once
// A line source reached at an address the user gives (the router's call monitor, an MQTT
// broker) keeps one client at a time. A new address retires the client in place without
// waiting for it, since its thread may be handling a call that is on screen; a report of a
// retired client never overwrites the status of the one that replaced it.
//
// Client: RequestStop() returns at once; Finished() tells when its threads have ended; the
// destructor waits for them.

#include "line/LineStatus.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace line {

template <class Client> class ClientWatch {
  public:
    // How a client reports its status; safe to call after the watch is gone.
    using StatusReport = std::function<void(const LineStatus&)>;
    using MakeClient = std::function<std::unique_ptr<Client>(StatusReport report)>;

    explicit ClientWatch(Source source) : m_source(source) { m_shared->status = Off(); }
    // Every client is asked to stop first; their destructors then wait for a call in hand.
    ~ClientWatch() {
        std::vector<std::unique_ptr<Client>> clients;
        {
            std::lock_guard lock(m_mutex);
            clients = std::move(m_retired);
            if (m_client)
                clients.push_back(std::move(m_client));
        }
        for (const auto& client : clients)
            client->RequestStop();
    }
    ClientWatch(const ClientWatch&) = delete;
    ClientWatch& operator=(const ClientWatch&) = delete;

    // Retires the current client and, for an address that is not empty, puts the one make
    // builds in its place; returns that one (null for none) for the caller to start outside
    // the lock. The status is Off until the new client reports.
    Client* Replace(const std::string& address, const MakeClient& make) {
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
            m_client = make([shared = m_shared, generation](const LineStatus& status) {
                {
                    std::lock_guard lock(shared->mutex);
                    if (shared->generation != generation)
                        return; // a report of a client that has been replaced
                    shared->status = status;
                }
                NotifyLineStatus();
            });
        }
        return m_client.get();
    }

    LineStatus Status() const {
        std::lock_guard lock(m_shared->mutex);
        return m_shared->status;
    }
    std::string Address() const {
        std::lock_guard lock(m_mutex);
        return m_address;
    }
    // Runs fn with the current client (null when there is none), under the watch's lock.
    template <class Fn> void WithCurrent(Fn&& fn) const {
        std::lock_guard lock(m_mutex);
        fn(m_client.get());
    }
    // The retired clients; they stay until a later Replace or the watch's end, and only the
    // thread that calls Replace removes them.
    std::vector<Client*> Retired() const {
        std::lock_guard lock(m_mutex);
        std::vector<Client*> retired;
        for (const auto& client : m_retired)
            retired.push_back(client.get());
        return retired;
    }

  private:
    // Shared with the clients' status reports, which may come after the watch is gone.
    struct Shared {
        std::mutex mutex;
        LineStatus status;
        std::uint64_t generation = 0; // of the current client
    };

    LineStatus Off() const {
        LineStatus status;
        status.source = m_source;
        return status;
    }

    const Source m_source;
    std::shared_ptr<Shared> m_shared = std::make_shared<Shared>();
    mutable std::mutex m_mutex;
    std::string m_address;
    std::unique_ptr<Client> m_client;
    std::vector<std::unique_ptr<Client>> m_retired;
};

} // namespace line
