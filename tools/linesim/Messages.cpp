// Encoding of the messages the line sends and the transcript text of those it receives.

#include "tools/linesim/LineSim.h"
#include "capi/MessageLayout.h"
#include "tools/linesim/Wire.h"

#include <capi20.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>

namespace linesim {
namespace {

struct Name {
    std::uint8_t command;
    const char* text;
};

constexpr Name kCommands[] = {
    {CAPI_ALERT, "ALERT"},
    {CAPI_CONNECT, "CONNECT"},
    {CAPI_CONNECT_ACTIVE, "CONNECT_ACTIVE"},
    {CAPI_CONNECT_B3_ACTIVE, "CONNECT_B3_ACTIVE"},
    {CAPI_CONNECT_B3, "CONNECT_B3"},
    {CAPI_CONNECT_B3_T90_ACTIVE, "CONNECT_B3_T90_ACTIVE"},
    {CAPI_DATA_B3, "DATA_B3"},
    {CAPI_DISCONNECT_B3, "DISCONNECT_B3"},
    {CAPI_DISCONNECT, "DISCONNECT"},
    {CAPI_FACILITY, "FACILITY"},
    {CAPI_INFO, "INFO"},
    {CAPI_LISTEN, "LISTEN"},
    {CAPI_MANUFACTURER, "MANUFACTURER"},
    {CAPI_RESET_B3, "RESET_B3"},
    {CAPI_SELECT_B_PROTOCOL, "SELECT_B_PROTOCOL"},
};

const char* CommandText(std::uint8_t command) {
    for (const auto& c : kCommands) {
        if (c.command == command)
            return c.text;
    }
    return nullptr;
}

const char* SubcommandText(std::uint8_t subcommand) {
    switch (subcommand) {
    case CAPI_REQ:
        return "REQ";
    case CAPI_CONF:
        return "CONF";
    case CAPI_IND:
        return "IND";
    case CAPI_RESP:
        return "RESP";
    default:
        return nullptr;
    }
}

void PutStruct(Bytes& m, const std::string& content) {
    m.push_back(static_cast<std::uint8_t>(content.size()));
    m.insert(m.end(), content.begin(), content.end());
}

// Hex of a struct parameter's content, "-" when empty or absent.
std::string StructText(const unsigned char* s) {
    if (s == nullptr || s[0] == 0)
        return "-";
    if (s[0] == 0xFF)
        return "long";
    std::string out;
    char buf[4];
    for (int i = 1; i <= s[0]; ++i) {
        std::snprintf(buf, sizeof buf, "%02x", s[i]);
        out += buf;
    }
    return out;
}

std::string Hex32(std::uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%X", v);
    return buf;
}

// The parameters that matter, decoded with the library the application uses.
std::string Parameters(const Bytes& message) {
    // capi_message2cmsg may read a little past a short message: decode from a padded copy.
    std::vector<unsigned char> copy(message.begin(), message.end());
    copy.resize(std::max<std::size_t>(copy.size(), 512) + 512, 0);
    auto m = std::make_unique<_cmsg>();
    std::memset(m.get(), 0, sizeof(_cmsg));
    capi_message2cmsg(m.get(), copy.data());

    const std::uint8_t cmd = message[4];
    const std::uint8_t sub = message[5];
    std::string p;
    auto add = [&p](const std::string& key, const std::string& value) {
        p += " " + key + "=" + value;
    };
    auto addInfo = [&](const _cmsg& c) {
        add("bchannel", StructText(c.BChannelinformation));
        add("keypad", StructText(c.Keypadfacility));
        add("useruser", StructText(c.Useruserdata));
        add("facility", StructText(c.Facilitydataarray));
    };
    const _cmsg& c = *m;
    if (sub == CAPI_REQ) {
        switch (cmd) {
        case CAPI_LISTEN:
            add("infomask", std::to_string(c.InfoMask));
            add("cip", Hex32(c.CIPmask));
            add("cip2", std::to_string(c.CIPmask2));
            add("calling", StructText(c.CallingPartyNumber));
            add("callingsub", StructText(c.CallingPartySubaddress));
            break;
        case CAPI_ALERT:
        case CAPI_DISCONNECT:
            addInfo(c);
            break;
        case CAPI_CONNECT:
            add("cip", std::to_string(c.CIPValue));
            add("called", StructText(c.CalledPartyNumber));
            add("calling", StructText(c.CallingPartyNumber));
            break;
        case CAPI_CONNECT_B3:
        case CAPI_DISCONNECT_B3:
            add("ncpi", StructText(c.NCPI));
            break;
        case CAPI_DATA_B3:
            add("len", std::to_string(c.DataLength));
            add("handle", std::to_string(c.DataHandle));
            add("flags", std::to_string(c.Flags));
            break;
        case CAPI_FACILITY:
            add("selector", std::to_string(c.FacilitySelector));
            break;
        case CAPI_INFO:
            add("called", StructText(c.CalledPartyNumber));
            addInfo(c);
            break;
        default:
            break;
        }
    } else if (sub == CAPI_RESP) {
        switch (cmd) {
        case CAPI_CONNECT:
            add("reject", std::to_string(c.Reject));
            add("b1", std::to_string(c.B1protocol));
            add("b2", std::to_string(c.B2protocol));
            add("b3", std::to_string(c.B3protocol));
            add("connected", StructText(c.ConnectedNumber));
            add("llc", StructText(c.LLC));
            addInfo(c);
            break;
        case CAPI_CONNECT_B3:
            add("reject", std::to_string(c.Reject));
            add("ncpi", StructText(c.NCPI));
            break;
        case CAPI_DATA_B3:
            add("handle", std::to_string(c.DataHandle));
            break;
        case CAPI_FACILITY:
            add("selector", std::to_string(c.FacilitySelector));
            break;
        default:
            break;
        }
    }
    return p;
}

} // namespace

std::string MessageName(std::uint8_t command, std::uint8_t subcommand) {
    const char* c = CommandText(command);
    const char* s = SubcommandText(subcommand);
    if (c != nullptr && s != nullptr)
        return std::string(c) + "_" + s;
    char buf[32];
    std::snprintf(buf, sizeof buf, "0x%02X_0x%02X", command, subcommand);
    return buf;
}

Bytes BuildMessage(std::uint8_t command, std::uint8_t subcommand, std::uint16_t number,
                   std::uint32_t address, const Bytes& params) {
    Bytes m;
    PutU16(m, static_cast<std::uint16_t>(12 + params.size()));
    PutU16(m, 0);
    m.push_back(command);
    m.push_back(subcommand);
    PutU16(m, number);
    for (int i = 0; i < 4; ++i)
        m.push_back(static_cast<std::uint8_t>(address >> (8 * i)));
    m.insert(m.end(), params.begin(), params.end());
    return m;
}

Bytes BuildConnectInd(const Call& call, std::uint32_t plci, std::uint16_t number) {
    Bytes p;
    PutU16(p, call.cip);
    PutStruct(p, std::string(1, static_cast<char>(call.calledType)) + call.called);
    PutStruct(p, std::string(1, static_cast<char>(call.callingType)) +
                     std::string(1, static_cast<char>(call.callingPresentation)) + call.calling);
    // Called and calling subaddress, BC, LLC, HLC, Additional info: all empty.
    for (int i = 0; i < 6; ++i)
        p.push_back(0);
    return BuildMessage(CAPI_CONNECT, CAPI_IND, number, plci, p);
}

std::string DescribeMessage(const Bytes& message) {
    if (message.size() < 12)
        return "SHORT len=" + std::to_string(message.size());
    const std::uint8_t cmd = message[4];
    const std::uint8_t sub = message[5];
    std::string line = MessageName(cmd, sub);
    line += " msg=" + std::to_string(U16(message, 6));
    line += " adr=" + Hex32(U32(message, 8));
    line += " appl=" + std::to_string(U16(message, 2));
    if (capi::HasMessageLayout(cmd, sub))
        line += Parameters(message);
    return line;
}

bool ParseHex(const std::string& text, Bytes& out) {
    out.clear();
    int high = -1;
    for (char ch : text) {
        if (std::isspace(static_cast<unsigned char>(ch)))
            continue;
        if (!std::isxdigit(static_cast<unsigned char>(ch)))
            return false;
        const int v = std::isdigit(static_cast<unsigned char>(ch))
                          ? ch - '0'
                          : std::tolower(static_cast<unsigned char>(ch)) - 'a' + 10;
        if (high < 0) {
            high = v;
        } else {
            out.push_back(static_cast<std::uint8_t>(high * 16 + v));
            high = -1;
        }
    }
    return high < 0;
}

} // namespace linesim
