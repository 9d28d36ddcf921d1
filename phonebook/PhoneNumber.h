#pragma once
// A telephone number as people write it in their contacts, turned into the digits the line
// delivers for that caller, which is how the phonebook keys its entries.

#include <QStringView>

#include <optional>
#include <string>

// Blanks, dots, dashes, slashes and brackets are dropped. An international number ("+CC" or
// "00CC") of the directory's own country (41 for country 0, the Swiss directory; 33 for
// country 1, the French one) becomes "0" and the national digits; any other keeps "00" and
// its digits. A "(0)" written after the country code is the trunk prefix and goes too.
// Nothing when no usable number remains: letters, a "+" not in front, no digits at all.
std::optional<std::string> NormalisePhoneNumber(QStringView text, int country);
