#include "capi/MessageLayout.h"

#include <capi20.h>

namespace capi {

bool HasMessageLayout(unsigned command, unsigned subcommand) {
    const bool all = subcommand >= CAPI_REQ && subcommand <= CAPI_RESP;
    const bool requestSide = subcommand == CAPI_REQ || subcommand == CAPI_CONF;
    const bool indicationSide = subcommand == CAPI_IND || subcommand == CAPI_RESP;
    switch (command) {
    case CAPI_ALERT:
    case CAPI_LISTEN:
    case CAPI_SELECT_B_PROTOCOL:
        return requestSide;
    case CAPI_CONNECT_ACTIVE:
    case CAPI_CONNECT_B3_ACTIVE:
    case CAPI_CONNECT_B3_T90_ACTIVE:
        return indicationSide;
    case CAPI_CONNECT:
    case CAPI_DISCONNECT:
    case CAPI_INFO:
    case CAPI_FACILITY:
    case CAPI_CONNECT_B3:
    case CAPI_DISCONNECT_B3:
    case CAPI_DATA_B3:
    case CAPI_RESET_B3:
    case CAPI_MANUFACTURER:
        return all;
    default:
        return false;
    }
}

} // namespace capi
