#pragma once
// The program's settings as the registry file keeps them: typed values under the program's own
// key ("Software\Tintorel") and the value "Tintorel" of the run-at-start-up key, which is the
// session's autostart entry. Callers name a value; where it lives is this file's business.
// Reads that fail or find the wrong type count as absent.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace platform::settings_store {

// A REG_DWORD of four bytes.
std::optional<std::uint32_t> ReadNumber(const std::string& name);
// A REG_SZ or REG_EXPAND_SZ (without its terminating NUL).
std::optional<std::string> ReadText(const std::string& name);
// Both create the program's key when it is missing; false when the value could not be written.
bool WriteNumber(const std::string& name, std::uint32_t value);
bool WriteText(const std::string& name, const std::string& text);
bool DeleteValue(const std::string& name);

// Lists kept as the string values of a key below the program's key ("Labels", say): each
// value's name and text, sorted by name; values of another type are left out, a missing key
// is an empty list.
std::vector<std::pair<std::string, std::string>> ReadSubkeyTexts(const std::string& subKey);
// Both create the keys that are missing; false when the value could not be written.
bool WriteSubkeyText(const std::string& subKey, const std::string& name, const std::string& text);
bool DeleteSubkeyValue(const std::string& subKey, const std::string& name);

// Removes the program's key and everything below it; false when it is missing or stays.
bool DeleteProgramKey();

// The command of the autostart entry, when it is a proper string value.
std::optional<std::string> ReadAutostart();
// Writes (a command) or removes (nothing) the autostart entry; failures are silent.
void WriteAutostart(const std::optional<std::string>& command);

} // namespace platform::settings_store
