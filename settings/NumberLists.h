#pragma once
// The lists of numbers the user keeps for calls: names for the numbers that are called
// ("Numéros appelés", the key "Labels") and the callers to ignore ("Numéros ignorés", the key
// "Ignored"), both below the program's key. Texts are Windows-1252. Every change is written at
// once; every read takes the file as it is now, so a change shows at the next call.

#include <string>
#include <utility>
#include <vector>

namespace settings {

// "Labels": one string value per called number, named as the line gives the number (or as the
// user typed it), the label as its text. Sorted by number.
std::vector<std::pair<std::string, std::string>> ReadCalledLabels();
// Stores or replaces the label of number; false when it could not be written.
bool SetCalledLabel(const std::string& number, const std::string& label);
bool RemoveCalledLabel(const std::string& number);

// The entry for withheld numbers in the list of ignored callers.
inline constexpr const char* kWithheldEntry = "Anonyme";

// "Ignored": one empty string value per entry, named by it: a number, a prefix ending in "*"
// or "Anonyme". Sorted.
std::vector<std::string> ReadIgnoredNumbers();
bool AddIgnoredNumber(const std::string& entry);
bool RemoveIgnoredNumber(const std::string& entry);

} // namespace settings
