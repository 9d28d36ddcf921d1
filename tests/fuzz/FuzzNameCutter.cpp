// Name cutting and decoding on arbitrary pages. The first byte picks the profile: the Swiss
// or the French directory, or short markers that random input actually hits.
#include "phonebook/Entities.h"
#include "phonebook/NameCutter.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

CPhonebook::Profile ProfileFor(std::uint8_t selector) {
    switch (selector % 3) {
    case 0:
        return {"",
                "",
                R"(<table border="0" cellpadding="1" cellspacing="0" width="100%">)",
                R"(<td bgcolor="#CCCCCC">)",
                70,
                R"(<td nowrap valign="top" width="100%">)",
                "<br>"};
    case 1:
        return {"",
                "",
                R"(<table width="480">)",
                R"(<table border="0" cellspacing="0" width="100%" bgcolor="#FFCC00">)",
                80,
                R"(<td valign="top" width="90%"><small><b>)",
                "</b></small>"};
    default:
        return {"", "", "<t", "<r", static_cast<int>(selector / 3) - 8, "[", "]"};
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const CPhonebook::Profile profile = ProfileFor(data[0]);
    const std::string page(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::string name;
    if (!CutName(page, profile, name))
        return 0;
    if (name.size() > page.size() || name.find('\n') != std::string::npos ||
        name.find('<') != std::string::npos)
        std::abort();
    const std::size_t before = name.size();
    DecodeEntities(name);
    if (name.size() > before)
        std::abort();
    return 0;
}
