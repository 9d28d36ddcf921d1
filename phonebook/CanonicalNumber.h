#pragma once
// The canonical form of a telephone number, by the rules of phonebook/PhoneNumber.h, for code
// that compares numbers without Qt's headers; and the two steps those rules share.

#include <optional>
#include <string>
#include <string_view>

// What a line says of a number's form (the type of number of a CAPI party number): a national
// number may come without its leading 0, an international one without its 00.
enum class NumberKind { AsWritten, National, International };

// The canonical form of a number (Windows-1252) as a line gives it or a user typed it: the
// kind applied (a 0 in front of a national number unless it has one, 00 in front of an
// international one unless it has them), then the phonebook's rules. Text that does not read
// as a number ("Anonyme", "*31#") is its own canonical form, so it matches only itself.
std::string CanonicalNumber(std::string_view number, NumberKind kind, int country);

// The digits of a written number (UTF-16), a leading "+" as "00" and a trunk "(0)" after a
// country code dropped; nothing when anything but digits and separators is in it.
std::optional<std::string> ReadNumberDigits(std::u16string_view text);

// An international number of the country's own as "0" and the national digits. Nothing when
// what follows the country code can't be national digits (nothing, or more zeros); any other
// number is returned as it is.
std::optional<std::string> DomesticNumber(const std::string& digits, int country);
