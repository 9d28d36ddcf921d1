// The canonical form of any bytes, of any kind, for either country: its own canonical form,
// digits alone whenever the bytes read as a number, and the bytes themselves otherwise.
#include "phonebook/PhoneNumber.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    // The first byte picks the kind (its low bits) and the country (the next one).
    const NumberKind kind = static_cast<NumberKind>(data[0] % 3);
    const int country = (data[0] >> 2) & 1;
    const std::string_view number(reinterpret_cast<const char*>(data) + 1, size - 1);

    const std::string canonical = CanonicalNumber(number, kind, country);
    if (CanonicalNumber(canonical, NumberKind::AsWritten, country) != canonical)
        std::abort();
    const bool digits =
        !canonical.empty() && canonical.find_first_not_of("0123456789") == std::string::npos;
    if (!digits && canonical != number)
        std::abort();
    if (canonical.empty() != number.empty())
        std::abort();
    return 0;
}
