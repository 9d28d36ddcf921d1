#include "phonebook/PhoneNumber.h"

#include <string_view>

namespace {

bool IsSeparator(QChar c) {
    switch (c.unicode()) {
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
        return c.isSpace(); // no-break and thin spaces too
    }
}

} // namespace

std::optional<std::string> NormalisePhoneNumber(QStringView text, int country) {
    std::string digits;
    bool plus = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c >= u'0' && c <= u'9') {
            digits += static_cast<char>(c.unicode());
        } else if (c == u'+' && digits.empty() && !plus) {
            plus = true;
        } else if (c == u'(' && text.mid(i, 3) == u"(0)" &&
                   (plus ? !digits.empty() : digits.size() > 2 && digits.starts_with("00"))) {
            i += 2; // "+41 (0)79 ...": the 0 is dialled only from inside the country
        } else if (!IsSeparator(c)) {
            return std::nullopt;
        }
    }
    if (plus)
        digits.insert(0, "00");
    if (!digits.starts_with("00"))
        return digits.empty() ? std::nullopt : std::optional(digits);

    const std::string_view own = country == 1 ? "33" : "41";
    std::string_view rest = std::string_view(digits).substr(2);
    if (rest.empty())
        return std::nullopt;
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
