#include "phonebook/PhoneNumber.h"

#include <string_view>

namespace {

std::optional<std::string> ReadDigits(QStringView text) {
    return ReadNumberDigits(
        std::u16string_view(text.utf16(), static_cast<std::size_t>(text.size())));
}

} // namespace

std::optional<std::string> NormalisePhoneNumber(QStringView text, int country) {
    const std::optional<std::string> digits = ReadDigits(text);
    if (!digits || digits->empty() || *digits == "00")
        return std::nullopt;
    return DomesticNumber(*digits, country);
}

bool ReadsAsPhoneNumber(QStringView text) {
    const std::optional<std::string> digits = ReadDigits(text);
    return digits && !digits->empty();
}
