// The registry file reader on arbitrary files: never fails, and what it writes back reads
// back the same (a second round trip changes nothing).
#include "platform/RegistryFile.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace platform::regfile;
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string once = Serialize(Parse(text));
    const std::string twice = Serialize(Parse(once));
    if (once != twice)
        std::abort();
    return 0;
}
