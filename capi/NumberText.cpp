#include "capi/NumberText.h"

namespace capi {

std::string CleanNumber(std::string_view number) {
    std::string text;
    text.reserve(number.size());
    for (const char ch : number) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c == 0x7F || c == ';')
            continue;
        text += ch;
    }
    return text;
}

} // namespace capi
