#pragma once
// Internals of the line watcher shared by its files (and its tests).

#include "capi/LinkStatus.h"

#include <cstdint>
#include <mutex>

namespace capi {

// Every CIP value CAPI 2.0 defines, plus bit 0 (any match).
constexpr std::uint32_t kListenCipMask = 0x1FFF03FF;
constexpr std::uint16_t kQueueEmpty = 0x1104;
// What libcapi20 answers any request on a connection its remote end has closed (OS resource
// error); also the code reported when the watcher finds that end of file itself.
constexpr std::uint16_t kLinkClosed = 0x1108;

// Info values that mean the application or the connection to the driver is gone: the
// application is unknown, the connection failed, or CAPI is not there any more.
bool MeansLinkDown(unsigned info);

// Registers an application. Returns the number of controllers and sets id, or returns 0; the
// reason is written on standard output when report is set (start-up), not on a retry.
unsigned RegisterCAPI(unsigned& id, bool report);
void ReleaseCAPI();
// Releases an application that is no longer published, whatever the library answers.
void ReleaseQuietly(unsigned id);
std::uint16_t GetNumberOfControllers();
unsigned ListenAllControllers(std::uint32_t cipMask);

// The registered application id, 0 when none.
std::uint16_t ApplicationId();
void PublishApplicationId(std::uint16_t id);
std::uint16_t TakeApplicationId();

// Held around every call into libcapi20, so that a release from the user-interface thread
// never pulls the connection from under a fetch or a send of the watcher.
std::timed_mutex& CapiLock();

// True on a watcher thread whose start has been stopped: it leaves the line alone from then
// on, since the application id may already belong to a newer start. Check it under CapiLock.
bool WatcherStopping();

// One round: fetch and dispatch up to six messages. Returns how many were taken.
int Handle_CAPI_Msg();
void Handle_Indication();
void Handle_Confirmation();
// The Info of the last fetch or send that found the link down since the last call; 0 if none.
unsigned TakeLinkDown();

void SetLinkStatus(const LinkStatus& status);
void NotifyLinkStatus(const LinkStatus& status);

} // namespace capi
