#pragma once
// Internals of the line watcher shared by its files (and its tests).

#include <cstdint>
#include <mutex>

namespace capi {

// Every CIP value CAPI 2.0 defines, plus bit 0 (any match).
constexpr std::uint32_t kListenCipMask = 0x1FFF03FF;
constexpr std::uint16_t kQueueEmpty = 0x1104;

unsigned RegisterCAPI();
void ReleaseCAPI();
std::uint16_t GetNumberOfControllers();
unsigned ListenAllControllers(std::uint32_t cipMask);

// The registered application id, 0 when none.
std::uint16_t ApplicationId();

// Held around every call into libcapi20, so that a release from the user-interface thread
// never pulls the connection from under a fetch or a send of the watcher.
std::timed_mutex& CapiLock();

// One poll: fetch and dispatch up to six messages.
void Handle_CAPI_Msg();
void Handle_Indication();
void Handle_Confirmation();

} // namespace capi
