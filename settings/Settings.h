#pragma once
// What the program remembers between runs, in its own words. The directory country is kept
// with the phonebook (the last line of phonebook.txt); everything else lives here.

#include <cstdint>
#include <string>

namespace settings {

// AutoConnect: whether the directory may be asked without a dial-up link. The stored number;
// 0 (off) when it is missing or not a number.
std::uint32_t ReadAutoConnect();
void SetAutoConnect(bool on);

// Start with the session: whether the autostart entry starts exactly this program.
bool IsAutostartEnabled();
// Writes (true) or removes (false) the autostart entry; failures are silent.
void SetAutostart(bool enable);

// The router's call monitor, "<host>[:<port>]"; empty when it is off.
std::string ReadCallMonitor();
// Stores the address; an empty one switches the call monitor off.
void SetCallMonitor(const std::string& address);
// The address to use at start: $TINTOREL_CALLMONITOR when it is set, else the stored one.
std::string CallMonitorAtStart();

// Forgets every setting: the program's key with everything below it, then the autostart
// entry. False, with everything left as it was, when the key could not be removed.
bool RemoveAllSettings();

} // namespace settings
