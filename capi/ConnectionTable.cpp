#include "capi/ConnectionTable.h"

#include "capi/Capi.h"
#include "capi/NumberText.h"
#include "capi/Watcher.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace capi {

namespace {

// Shared by every slot that holds no number; never released.
unsigned char g_EmptyNumber[1] = {0};

std::atomic<IncomingCallHandler> g_pIncomingCallHandler{nullptr};

bool ValidSlot(int slot) {
    return slot >= 0 && slot < kConnectionSlots;
}

ConnectionSlot& Slot(int slot) {
    return ConnectionTable()[slot];
}

void ReleaseNumber(unsigned char*& field) {
    if (field != nullptr && field != g_EmptyNumber)
        std::free(field);
    field = g_EmptyNumber;
}

void CopyNumber(unsigned char*& field, const unsigned char* parameter) {
    ReleaseNumber(field);
    if (parameter == nullptr || parameter[0] == 0)
        return;
    const std::size_t length = parameter[0];
    auto* copy = static_cast<unsigned char*>(std::malloc(length + 2));
    if (copy == nullptr)
        return;
    std::memcpy(copy, parameter, length + 1);
    copy[length + 1] = 0;
    field = copy;
}

const char* Digits(const unsigned char* number, std::size_t leading) {
    if (number == nullptr || number[0] <= leading)
        return reinterpret_cast<const char*>(g_EmptyNumber);
    return reinterpret_cast<const char*>(number + 1 + leading);
}

// Uses the length octet rather than the zero octet, so a stray zero inside is dropped too.
std::string SafeDigits(const unsigned char* number, std::size_t leading) {
    if (number == nullptr || number[0] <= leading)
        return {};
    return CleanNumber(
        std::string_view(reinterpret_cast<const char*>(number + 1 + leading), number[0] - leading));
}

// Type of number and numbering plan (both numbers), then presentation and screening (calling).
constexpr std::size_t kCalledLeading = 1;
constexpr std::size_t kCallingLeading = 2;

} // namespace

SessionState::~SessionState() {
    FreeAllConnections(connections);
}

ConnectionSlot (&ConnectionTable())[kConnectionSlots] {
    return CurrentState().connections;
}

int AllocConnection() {
    for (int i = 0; i < kConnectionSlots; ++i) {
        ConnectionSlot& slot = Slot(i);
        if (slot.InUse)
            continue;
        slot.InUse = true;
        slot.PLCI = kNoId;
        slot.NCCI = kNoId;
        slot.State = Disconnected;
        slot.Initiator = false;
        ReleaseNumber(slot.CalledPartyNumber);
        ReleaseNumber(slot.CallingPartyNumber);
        return i;
    }
    return -1;
}

void FreeConnection(int slot) {
    if (!ValidSlot(slot))
        return;
    Slot(slot).InUse = false;
    ReleaseNumber(Slot(slot).CalledPartyNumber);
    ReleaseNumber(Slot(slot).CallingPartyNumber);
}

void FreeAllConnections(ConnectionSlot (&table)[kConnectionSlots]) {
    for (ConnectionSlot& slot : table) {
        slot.InUse = false;
        slot.State = Disconnected;
        ReleaseNumber(slot.CalledPartyNumber);
        ReleaseNumber(slot.CallingPartyNumber);
    }
}

int FindConnectionByPLCI(std::uint32_t plci) {
    for (int i = 0; i < kConnectionSlots; ++i) {
        if (Slot(i).InUse && Slot(i).PLCI == plci)
            return i;
    }
    return -1;
}

int FindConnectionByNCCI(std::uint32_t ncci) {
    for (int i = 0; i < kConnectionSlots; ++i) {
        if (Slot(i).InUse && Slot(i).NCCI == ncci)
            return i;
    }
    return -1;
}

void SetPLCI(int slot, std::uint32_t plci) {
    if (ValidSlot(slot))
        Slot(slot).PLCI = plci;
}

void SetNCCI(int slot, std::uint32_t ncci) {
    if (ValidSlot(slot))
        Slot(slot).NCCI = ncci;
}

void SetState(int slot, ConnectionState state) {
    if (ValidSlot(slot))
        Slot(slot).State = state;
}

void SetInitiator(int slot, bool initiator) {
    if (ValidSlot(slot))
        Slot(slot).Initiator = initiator;
}

std::uint32_t GetPLCI(int slot) {
    return ValidSlot(slot) ? Slot(slot).PLCI : kNoId;
}

bool GetInitiator(int slot) {
    return ValidSlot(slot) && Slot(slot).Initiator;
}

void CopyCallingPartyNumber(int slot, const unsigned char* parameter) {
    if (ValidSlot(slot))
        CopyNumber(Slot(slot).CallingPartyNumber, parameter);
}

void CopyCalledPartyNumber(int slot, const unsigned char* parameter) {
    if (ValidSlot(slot))
        CopyNumber(Slot(slot).CalledPartyNumber, parameter);
}

const char* GetCallingPartyDigits(int slot) {
    return Digits(ValidSlot(slot) ? Slot(slot).CallingPartyNumber : nullptr, kCallingLeading);
}

const char* GetCalledPartyDigits(int slot) {
    return Digits(ValidSlot(slot) ? Slot(slot).CalledPartyNumber : nullptr, kCalledLeading);
}

std::string CallingPartyText(int slot) {
    return SafeDigits(ValidSlot(slot) ? Slot(slot).CallingPartyNumber : nullptr, kCallingLeading);
}

std::string CalledPartyText(int slot) {
    return SafeDigits(ValidSlot(slot) ? Slot(slot).CalledPartyNumber : nullptr, kCalledLeading);
}

unsigned CallingPartyType(int slot) {
    const unsigned char* number = ValidSlot(slot) ? Slot(slot).CallingPartyNumber : nullptr;
    if (number == nullptr || number[0] == 0)
        return 0;
    return (number[1] >> 4) & 0x07;
}

void SetIncomingCallHandler(IncomingCallHandler handler) {
    g_pIncomingCallHandler = handler;
}

int NotifyIncomingCall(int slot) {
    const IncomingCallHandler handler = g_pIncomingCallHandler;
    if (handler == nullptr)
        return 0;
    const std::string calling = CallingPartyText(slot);
    const std::string called = CalledPartyText(slot);
    return handler(calling.c_str(), called.c_str(), CallingPartyType(slot));
}

} // namespace capi
