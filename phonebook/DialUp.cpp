#include "phonebook/DialUp.h"

#include "platform/NetInterfaces.h"

#include <net/if.h>

bool IsDialUpConnected() {
    // Any link that is up counts, however many there are: with two links the machine is no
    // less online than with one.
    constexpr unsigned wanted = IFF_POINTOPOINT | IFF_UP | IFF_RUNNING;
    for (const auto& item : platform::ListNetInterfaces())
        if ((item.flags & wanted) == wanted)
            return true;
    return false;
}
