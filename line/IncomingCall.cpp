#include "line/IncomingCall.h"

namespace line {

NumberType NumberTypeFromBits(unsigned bits) {
    switch (bits & 7) {
    case 0:
        return NumberType::Unknown;
    case 1:
        return NumberType::International;
    case 2:
        return NumberType::National;
    case 3:
        return NumberType::NetworkSpecific;
    case 4:
        return NumberType::Subscriber;
    case 6:
        return NumberType::Abbreviated;
    default:
        return NumberType::Reserved;
    }
}

} // namespace line
