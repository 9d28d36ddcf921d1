// Entity decoding on arbitrary text: it only ever shortens, and leaves text without "&" alone.
#include "phonebook/Entities.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::string text = input;
    DecodeEntities(text);
    if (text.size() > input.size())
        std::abort();
    if (input.find('&') == std::string::npos && text != input)
        std::abort();
    // Everything before the first "&" is kept as it was.
    const std::size_t amp = input.find('&');
    if (amp != std::string::npos && text.compare(0, amp, input, 0, amp) != 0)
        std::abort();
    if (size <= 6) {
        const int code = LookupEntity(input);
        if (code != 0 && (code < 160 || code > 255 || input != g_entityNames[code - 160]))
            std::abort();
    }
    return 0;
}
