// The dispatch of CAPI messages: what the watcher does with each message it fetches (answers,
// the connection table, and the hand-off of an incoming call).

#include "capi/ConnectionTable.h"
#include "capi/Diagnostics.h"
#include "capi/MessageLayout.h"
#include "capi/Watcher.h"

#include <capi20.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <string>

namespace capi {

namespace {

// Each fetched message is decoded here, and every answer built while handling it too: read
// what is needed before building the first answer. One per thread, so a watcher still ending
// after a stop never shares it with the next one.
thread_local _cmsg g_CMSG;

constexpr unsigned kInfoSuccessMax = 0x00FF;
// Not a CAPI value: the watcher was stopped, so nothing is fetched.
constexpr unsigned kStopped = 0x10000;

void NoteLinkDown(unsigned info) {
    if (MeansLinkDown(info)) {
        unsigned none = 0;
        CurrentState().linkDown.compare_exchange_strong(none, info);
    }
}

// One diagnostic line.
void SayLine(std::string_view text) {
    Say(std::string(text) + "\n");
}

unsigned Fetch() {
    std::lock_guard lock(CapiLock());
    if (WatcherStopping())
        return kStopped;
    const unsigned id = ApplicationId();
    // The library's fetch blocks on an empty queue; the watcher must not.
    timeval now{0, 0};
    const unsigned waiting = capi20_waitformessage(id, &now);
    if (waiting != 0) {
        NoteLinkDown(waiting);
        return waiting;
    }
    unsigned char* message = nullptr;
    const unsigned result = capi20_get_message(id, &message);
    if (result != 0) {
        NoteLinkDown(result);
        return result;
    }
    if (HasMessageLayout(CAPIMSG_COMMAND(message), CAPIMSG_SUBCOMMAND(message))) {
        capi_message2cmsg(&g_CMSG, message);
        return 0;
    }
    // libcapi20 has no layout for it and would crash decoding it: the header alone is enough
    // to report it as not handled.
    std::memset(&g_CMSG, 0, sizeof g_CMSG);
    g_CMSG.m = message;
    g_CMSG.ApplId = CAPIMSG_APPID(message);
    g_CMSG.Command = CAPIMSG_COMMAND(message);
    g_CMSG.Subcommand = CAPIMSG_SUBCOMMAND(message);
    g_CMSG.Messagenumber = CAPIMSG_MSGID(message);
    g_CMSG.adr.adrController = CAPIMSG_CONTROL(message);
    return 0;
}

// A party number parameter, or null when it is absent or would reach past the message. The
// decoder points absent parameters past the end, so offsets are compared, never pointers
// formed beyond the message.
const unsigned char* NumberParameter(const unsigned char* parameter) {
    const unsigned char* message = g_CMSG.m;
    if (parameter == nullptr || message == nullptr)
        return nullptr;
    const auto start = reinterpret_cast<std::uintptr_t>(message);
    const auto at = reinterpret_cast<std::uintptr_t>(parameter);
    const std::size_t length = CAPIMSG_LEN(const_cast<unsigned char*>(message));
    if (at < start || at - start >= length)
        return nullptr;
    const std::size_t available = length - (at - start);
    if (std::size_t{1} + parameter[0] > available)
        return nullptr;
    return parameter;
}

// Build puts the message and returns the library's answer.
template <typename Build> void Send(Build build) {
    std::lock_guard lock(CapiLock());
    if (!WatcherStopping())
        NoteLinkDown(build(ApplicationId()));
}

void SendDisconnectReq(std::uint32_t plci) {
    Send([plci](_cword appl) {
        return DISCONNECT_REQ(&g_CMSG, appl, 0, plci, nullptr, nullptr, nullptr, nullptr);
    });
}

void OnConnectInd() {
    const std::uint32_t plci = g_CMSG.adr.adrPLCI;
    const _cword number = g_CMSG.Messagenumber;
    const unsigned char* calling = NumberParameter(g_CMSG.CallingPartyNumber);
    const unsigned char* called = NumberParameter(g_CMSG.CalledPartyNumber);

    int slot = FindConnectionByPLCI(plci);
    if (slot < 0) {
        slot = AllocConnection();
        if (slot < 0) {
            // Eight calls already ring: reject, normal call clearing.
            Send([&](_cword appl) {
                return CONNECT_RESP(&g_CMSG, appl, number, plci, 2, 0, 0, 0, nullptr, nullptr,
                                    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                    nullptr, nullptr);
            });
            return;
        }
        SetPLCI(slot, plci);
    }
    CopyCallingPartyNumber(slot, calling);
    CopyCalledPartyNumber(slot, called);
    Send([&](_cword appl) {
        return ALERT_REQ(&g_CMSG, appl, 0, plci, nullptr, nullptr, nullptr, nullptr, nullptr);
    });
    SetState(slot, D_ConnectPending);
    NotifyIncomingCall(slot);
}

} // namespace

unsigned TakeLinkDown() {
    return CurrentState().linkDown.exchange(0);
}

int Handle_CAPI_Msg() {
    // A round ends early once the link is found down; what an earlier round found is stale.
    std::atomic<unsigned>& linkDown = CurrentState().linkDown;
    linkDown = 0;
    int taken = 0;
    for (; taken < kMessagesPerPoll && linkDown == 0; ++taken) {
        const unsigned result = Fetch();
        if (result == kQueueEmpty || result == kStopped)
            return taken;
        if (result != 0) {
            SayLine("Error: CAPI_GET_CMSG returns Info != 0 in function Handle_CAPI_Msg");
            return taken;
        }
        switch (g_CMSG.Subcommand) {
        case CAPI_CONF:
            Handle_Confirmation();
            break;
        case CAPI_IND:
            Handle_Indication();
            break;
        default:
            SayLine("Error: Unknown subcommand in function Handle_CAPI_Msg");
            return taken + 1;
        }
    }
    return taken;
}

void Handle_Indication() {
    const _cword number = g_CMSG.Messagenumber;
    const std::uint32_t adr = g_CMSG.adr.adrPLCI;
    switch (g_CMSG.Command) {
    case CAPI_CONNECT:
        OnConnectInd();
        break;
    case CAPI_CONNECT_ACTIVE: {
        const int slot = FindConnectionByPLCI(adr);
        Send([&](_cword appl) { return CONNECT_ACTIVE_RESP(&g_CMSG, appl, number, adr); });
        SetState(slot, D_Connected);
        if (GetInitiator(slot))
            Send([&](_cword appl) { return CONNECT_B3_REQ(&g_CMSG, appl, 0, adr, nullptr); });
        break;
    }
    case CAPI_DISCONNECT: {
        Send([&](_cword appl) { return DISCONNECT_RESP(&g_CMSG, appl, number, adr); });
        const int slot = FindConnectionByPLCI(adr);
        SetState(slot, Disconnected);
        FreeConnection(slot);
        break;
    }
    case CAPI_INFO:
        Send([&](_cword appl) { return INFO_RESP(&g_CMSG, appl, number, adr); });
        break;
    case CAPI_CONNECT_B3: {
        const int slot = FindConnectionByPLCI(adr & 0xFFFF);
        SetNCCI(slot, adr);
        Send([&](_cword appl) { return CONNECT_B3_RESP(&g_CMSG, appl, number, adr, 0, nullptr); });
        SetState(slot, B_ConnectPending);
        break;
    }
    case CAPI_CONNECT_B3_ACTIVE: {
        const int slot = FindConnectionByNCCI(adr);
        SetInitiator(slot, false);
        Send([&](_cword appl) { return CONNECT_B3_ACTIVE_RESP(&g_CMSG, appl, number, adr); });
        SetState(slot, Connected);
        break;
    }
    case CAPI_DISCONNECT_B3: {
        const int slot = FindConnectionByNCCI(adr);
        SetNCCI(slot, kNoId);
        Send([&](_cword appl) { return DISCONNECT_B3_RESP(&g_CMSG, appl, number, adr); });
        SetState(slot, D_Connected);
        if (GetInitiator(slot))
            SendDisconnectReq(GetPLCI(slot));
        break;
    }
    case CAPI_DATA_B3:
        break;
    default:
        SayLine("Error: Indication not handled in function Handle_Indication");
        break;
    }
}

void Handle_Confirmation() {
    const unsigned info = g_CMSG.Info;
    const unsigned number = g_CMSG.Messagenumber;
    const std::uint32_t adr = g_CMSG.adr.adrPLCI;
    // A CONNECT_REQ goes out with the index of its slot as message number.
    const int numberedSlot = number < kConnectionSlots ? static_cast<int>(number) : -1;

    if (info <= kInfoSuccessMax) {
        switch (g_CMSG.Command) {
        case CAPI_ALERT:
        case CAPI_LISTEN:
        case CAPI_INFO:
        case CAPI_DATA_B3:
            break;
        case CAPI_CONNECT:
            if (numberedSlot >= 0) {
                SetPLCI(numberedSlot, adr);
                SetInitiator(numberedSlot, true);
                SetState(numberedSlot, D_ConnectPending);
            }
            break;
        case CAPI_DISCONNECT:
            SetState(FindConnectionByPLCI(adr), D_DisconnectPending);
            break;
        case CAPI_CONNECT_B3: {
            const int slot = FindConnectionByPLCI(adr & 0xFFFF);
            SetNCCI(slot, adr);
            SetState(slot, B_ConnectPending);
            break;
        }
        case CAPI_DISCONNECT_B3: {
            const int slot = FindConnectionByNCCI(adr);
            SetInitiator(slot, true);
            SetState(slot, B_DisconnectPending);
            break;
        }
        default:
            SayLine("Error: Confirmation not handled in function Handle_Confirmation");
            break;
        }
        return;
    }

    Sayf("Error: Info value 0x%x indicates error, function Handle_Confirmation\n", info);
    switch (g_CMSG.Command) {
    case CAPI_ALERT:
        SayLine("Error: Info != 0 in ALERT_CONF in function Handle_Confirmation");
        break;
    case CAPI_CONNECT:
        if (numberedSlot >= 0) {
            SetState(numberedSlot, Disconnected);
            FreeConnection(numberedSlot);
        }
        break;
    case CAPI_DISCONNECT:
        if (FindConnectionByPLCI(adr) < 0)
            SayLine("Error: invalid PLCI in DISCONNECT_CONF in function Handle_Confirmation");
        break;
    case CAPI_LISTEN:
        SayLine("Error: Info != 0 in LISTEN_CONF in function Handle_Confirmation");
        break;
    case CAPI_INFO:
        SayLine("Error: Info != 0 in INFO_CONF in function Handle_Confirmation");
        break;
    case CAPI_CONNECT_B3: {
        const int slot = FindConnectionByPLCI(adr & 0xFFFF);
        if (slot < 0)
            SayLine("Error: invalid PLCI in CONNECT_B3_CONF in function Handle_Confirmation");
        else
            SendDisconnectReq(GetPLCI(slot));
        break;
    }
    case CAPI_DISCONNECT_B3:
        if (FindConnectionByNCCI(adr) < 0)
            SayLine("Error: invalid NCCI in DISCONNECT_B3_CONF in function Handle_Confirmation");
        break;
    default:
        break;
    }
}

} // namespace capi
