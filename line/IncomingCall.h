#pragma once
// One incoming call as it travels from its line source through the queue of calls to the
// handling: the numbers, the source that brought it and what the line said about the
// caller's number.

#include "line/Source.h"

#include <string>

namespace line {

// The type of number of a CAPI party number (bits 5-7 of its first octet); the call monitor
// says nothing of it.
enum class NumberType : unsigned char {
    Unknown = 0,
    International = 1,
    National = 2,
    NetworkSpecific = 3,
    Subscriber = 4,
    Abbreviated = 6,
    Reserved = 7, // 5 and 7
};

// The type from the three bits as CAPI gives them (0 to 7).
NumberType NumberTypeFromBits(unsigned bits);

struct IncomingCall {
    std::string calling; // Windows-1252, cleaned by the source; empty when withheld
    std::string called;
    Source source = Source::Capi;
    NumberType callingType = NumberType::Unknown;
    // A call another copy shared through the MQTT broker: the name its record carries
    // (Windows-1252; empty when it had none) and the copy that published it.
    std::string name{};
    std::string origin{};
};

} // namespace line
