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

// The MQTT broker's URL, "mqtt[s]://[user[:password]@]host[:port][/prefix]"; empty when it is off.
std::string ReadMqtt();
// Stores the URL; an empty one switches MQTT off. The settings file is first made readable by
// its owner only (and stays so), since the URL may hold a password. False, with nothing stored,
// when that could not be done or the value could not be written.
bool SetMqtt(const std::string& url);
// The URL to use at start: $TINTOREL_MQTT when it is set, else the stored one.
std::string MqttAtStart();

// "Notifications du bureau": whether each call is also sent to the desktop's notification
// server. Automatic: only where the window can't do it all, with no tray to reach the program
// or no corner to place it in (a native Wayland session).
enum class DesktopNotifications { Off, On, Automatic };
// Stored as DWORD 0 (off) or 1 (on); absent, of another type or another number: automatic.
DesktopNotifications ReadDesktopNotifications();
// Automatic removes the value; failures are silent.
void SetDesktopNotifications(DesktopNotifications choice);

// "CallCommand": a program and its arguments run for each call, as the user wrote it (UTF-8);
// empty when there is none.
std::string ReadCallCommand();
// Stores the command; an empty one removes the value.
void SetCallCommand(const std::string& command);

// "Langue": the language the windows and the command line speak from the next start: "fr",
// "de" or "en"; empty for the desktop's language (automatic), also when the stored value is
// none of these.
std::string ReadLanguage();
// Stores the choice; an empty one (automatic) removes the value. Failures are silent.
void SetLanguage(const std::string& language);

// Forgets every setting: the program's key with everything below it, then the autostart
// entry. False, with everything left as it was, when the key could not be removed.
bool RemoveAllSettings();

} // namespace settings
