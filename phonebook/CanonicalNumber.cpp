#include "phonebook/CanonicalNumber.h"

#include <QChar>

#include <cstddef>

namespace {

bool IsSeparator(char16_t c) {
    switch (c) {
    case u'.':
    case u'-':
    case u'/':
    case u'(':
    case u')':
    case u'[':
    case u']':
    case u'\u2010': // the Unicode hyphens and dashes word processors put in
    case u'\u2011':
    case u'\u2012':
    case u'\u2013':
    case u'\u2014':
        return true;
    default:
        return QChar(c).isSpace(); // no-break and thin spaces too
    }
}

// A Windows-1252 byte as far as the rules care: its dashes and no-break space are what they
// are in Unicode; the other bytes from 0x80 to 0x9F are printable signs, never separators.
char16_t FromCp1252Byte(char byte) {
    const auto c = static_cast<unsigned char>(byte);
    if (c == 0x96)
        return u'\u2013';
    if (c == 0x97)
        return u'\u2014';
    if (c >= 0x80 && c <= 0x9F)
        return u'\uFFFD';
    return c;
}

// The digits of a written number, a leading "+" as "00" and a trunk "(0)" after a country code
// dropped; nothing when something else is in it. at(i) gives the i-th character as UTF-16.
template <class At> std::optional<std::string> ReadDigits(std::size_t size, At at) {
    std::string digits;
    bool plus = false;
    for (std::size_t i = 0; i < size; ++i) {
        const char16_t c = at(i);
        if (c >= u'0' && c <= u'9') {
            digits += static_cast<char>(c);
        } else if (c == u'+' && digits.empty() && !plus) {
            plus = true;
        } else if (c == u'(' && i + 2 < size && at(i + 1) == u'0' && at(i + 2) == u')' &&
                   (plus ? !digits.empty() : digits.size() > 2 && digits.starts_with("00"))) {
            i += 2; // "+41 (0)79 ...": the 0 is dialled only from inside the country
        } else if (!IsSeparator(c)) {
            return std::nullopt;
        }
    }
    if (plus)
        digits.insert(0, "00");
    return digits;
}

} // namespace

std::optional<std::string> ReadNumberDigits(std::u16string_view text) {
    return ReadDigits(text.size(), [text](std::size_t i) { return text[i]; });
}

std::optional<std::string> DomesticNumber(const std::string& digits, int country) {
    if (!digits.starts_with("00"))
        return digits;
    const std::string_view own = country == 1 ? "33" : "41";
    std::string_view rest = std::string_view(digits).substr(2);
    if (!rest.starts_with(own))
        return digits;
    rest.remove_prefix(own.size());
    // "+41 079 ..." is a common slip; neither country's national digits start with 0.
    if (rest.starts_with('0'))
        rest.remove_prefix(1);
    // Nothing left, or more zeros, would read back as an international number.
    if (rest.empty() || rest.starts_with('0'))
        return std::nullopt;
    // Appended, not "0" + rest: GCC 12 takes that insertion for an overlapping copy.
    std::string national(1, '0');
    national += rest;
    return national;
}

std::string CanonicalNumber(std::string_view number, NumberKind kind, int country) {
    std::optional<std::string> digits =
        ReadDigits(number.size(), [number](std::size_t i) { return FromCp1252Byte(number[i]); });
    if (!digits || digits->empty())
        return std::string(number);
    if (kind == NumberKind::National && !digits->starts_with('0'))
        digits->insert(0, "0");
    else if (kind == NumberKind::International && !digits->starts_with("00"))
        digits->insert(0, "00");
    return DomesticNumber(*digits, country).value_or(*digits);
}
