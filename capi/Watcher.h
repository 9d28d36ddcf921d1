#pragma once
// Internals of the line watcher shared by its files (and its tests).

#include "capi/ConnectionTable.h"
#include "capi/LinkStatus.h"

#include <atomic>
#include <cstdint>
#include <mutex>

namespace capi {

// Every CIP value CAPI 2.0 defines, plus bit 0 (any match).
constexpr std::uint32_t kListenCipMask = 0x1FFF03FF;
constexpr std::uint16_t kQueueEmpty = 0x1104;
// What libcapi20 answers any request on a connection its remote end has closed (OS resource
// error); also the code reported when the watcher finds that end of file itself.
constexpr std::uint16_t kLinkClosed = 0x1108;

// What one start of the watcher keeps for itself, so that a watcher still ending after a stop
// never touches the state of the one started after it.
struct SessionState {
    SessionState() = default;
    ~SessionState();
    SessionState(const SessionState&) = delete;
    SessionState& operator=(const SessionState&) = delete;

    // The registered application id, 0 when none.
    std::atomic<std::uint16_t> applicationId{0};
    // The Info of the first fetch or send of the round that found the link down; 0 if none.
    std::atomic<unsigned> linkDown{0};
    ConnectionSlot connections[kConnectionSlots] = {};
};

// The state of the calling watcher's session; on any other thread, the state of the current
// session (an empty one when none runs).
SessionState& CurrentState();

// Info values that mean the application or the connection to the driver is gone: the
// application is unknown, the connection failed, or CAPI is not there any more.
bool MeansLinkDown(unsigned info);

// Picks the library's module and remote end from TINTOREL_CAPI, once, before the first CAPI
// call of the process.
void SelectDriver();
// Registers an application. Returns the number of controllers and sets id, or returns 0; the
// reason is written on standard output when report is set (start-up), not on a retry.
unsigned RegisterCAPI(unsigned& id, bool report);
// Releases an application, saying so on standard output when the library refuses.
void ReleaseCAPI(std::uint16_t id);
// Releases an application that is no longer published, whatever the library answers.
void ReleaseQuietly(unsigned id);
std::uint16_t GetNumberOfControllers();
unsigned ListenAllControllers(std::uint32_t cipMask);

// The current state's registered application id, 0 when none.
std::uint16_t ApplicationId();

// Held around every call into libcapi20, so that a release from the user-interface thread
// never pulls the connection from under a fetch or a send of the watcher.
std::timed_mutex& CapiLock();

// True on a watcher thread whose start has been stopped: it leaves the line alone from then
// on, since the application id may already belong to a newer start. Check it under CapiLock.
bool WatcherStopping();

constexpr int kMessagesPerPoll = 6;

// One round: fetch and dispatch up to kMessagesPerPoll messages. Returns how many were taken.
int Handle_CAPI_Msg();
void Handle_Indication();
void Handle_Confirmation();
// The Info of the last fetch or send that found the link down since the last call; 0 if none.
unsigned TakeLinkDown();

void SetLinkStatus(const LinkStatus& status);
void NotifyLinkStatus(const LinkStatus& status);

} // namespace capi
