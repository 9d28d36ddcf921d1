#pragma once
// The eight-slot table of physical connections that the watcher keeps, and the hand-off of an
// incoming call. Used on the watcher thread only (InitConnectionTable runs before it starts).

#include <cstdint>
#include <string>

namespace capi {

enum ConnectionState {
    Disconnected = 0,
    D_ConnectPending = 1,
    D_Connected = 2,
    B_ConnectPending = 3,
    Connected = 4,
    B_DisconnectPending = 5,
    D_DisconnectPending = 6,
};

// A number field holds a copy of the CAPI parameter (length octet, content, a zero octet) or
// refers to the shared empty text.
struct ConnectionSlot {
    bool InUse;
    std::uint32_t PLCI;
    std::uint32_t NCCI;
    ConnectionState State;
    bool Initiator;
    unsigned char* CalledPartyNumber;
    unsigned char* CallingPartyNumber;
};

constexpr int kConnectionSlots = 8;
constexpr std::uint32_t kNoId = 0xFFFFFFFF;

// Plain data with no destructor: process exit must not tear it down under the watcher.
extern ConnectionSlot ConnectionTable[kConnectionSlots];

void InitConnectionTable();
int AllocConnection();
void FreeConnection(int slot);
int FindConnectionByPLCI(std::uint32_t plci);
int FindConnectionByNCCI(std::uint32_t ncci);

void SetPLCI(int slot, std::uint32_t plci);
void SetNCCI(int slot, std::uint32_t ncci);
void SetState(int slot, ConnectionState state);
void SetInitiator(int slot, bool initiator);
std::uint32_t GetPLCI(int slot);
bool GetInitiator(int slot);

// Copy a Calling/Called party number parameter (length octet first; null when absent).
void CopyCallingPartyNumber(int slot, const unsigned char* parameter);
void CopyCalledPartyNumber(int slot, const unsigned char* parameter);

// The digits as CAPI delivered them, up to the copy's zero octet.
const char* GetCallingPartyDigits(int slot);
const char* GetCalledPartyDigits(int slot);

// The digits for the user interface: every printable byte except ';' (control bytes, ';' and
// 0x7F dropped), so that a number can never break a log line, a phonebook line or a request.
std::string CallingPartyText(int slot);
std::string CalledPartyText(int slot);

int NotifyIncomingCall(int slot);

} // namespace capi
