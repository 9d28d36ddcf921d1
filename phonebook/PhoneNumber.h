#pragma once
// Telephone numbers as people write them and as lines give them, read by one set of rules:
// blanks, dots, dashes, slashes and brackets are dropped, a leading "+" reads as "00", a "(0)"
// written after a country code is the trunk prefix and goes, and "00" followed by the code of
// the phonebook's country (41 for country 0, the Swiss directory; 33 for country 1, the French
// one) reads as "0". Contacts import keys its entries by the result; the caller lookup, the
// miss cache, the lists of called and ignored numbers and the same-call rule compare by it.

#include "phonebook/CanonicalNumber.h"

#include <QStringView>

#include <optional>
#include <string>

// A number from a contact, turned into the digits the line delivers for that caller. An
// international number of another country keeps "00" and its digits; "+41 079 ..." (a common
// slip) loses the extra 0. Nothing when no usable number remains: letters, a "+" not in front,
// no digits at all, or only a country code.
std::optional<std::string> NormalisePhoneNumber(QStringView text, int country);

// Whether text (Unicode) reads as a number by these rules: digits, the separators, a leading
// "+" and a "(0)"; at least one digit.
bool ReadsAsPhoneNumber(QStringView text);
