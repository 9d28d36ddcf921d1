#pragma once
// The eight-slot table of physical connections that the watcher keeps, and the hand-off of an
// incoming call. Each watcher session has its own table, used on its watcher thread only.

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

// A number field holds a copy of the CAPI parameter (length octet, content, a zero octet), or
// null or the shared empty text when there is none.
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

// The table of the current session (see CurrentState).
ConnectionSlot (&ConnectionTable())[kConnectionSlots];

int AllocConnection();
void FreeConnection(int slot);
// Frees every slot in use, numbers included.
void FreeAllConnections(ConnectionSlot (&table)[kConnectionSlots]);
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

// The digits for the user interface, cleaned (capi/NumberText.h).
std::string CallingPartyText(int slot);
std::string CalledPartyText(int slot);
// The calling party's type of number (bits 5-7 of the first octet), 0 (unknown) without one.
unsigned CallingPartyType(int slot);

int NotifyIncomingCall(int slot);

} // namespace capi
