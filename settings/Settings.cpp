#include "settings/Settings.h"

#include "platform/ModulePath.h"
#include "platform/Registry.h"
#include "platform/SettingsStore.h"

#include <cstdlib>

namespace settings {

namespace store = platform::settings_store;

namespace {
const char* const kAutoConnect = "AutoConnect";
const char* const kCallMonitor = "CallMonitor";
const char* const kDesktopNotifications = "DesktopNotifications";
const char* const kMqtt = "Mqtt";
const char* const kCallCommand = "CallCommand";
const char* const kLanguage = "Language";
} // namespace

std::uint32_t ReadAutoConnect() {
    return store::ReadNumber(kAutoConnect).value_or(0);
}

void SetAutoConnect(bool on) {
    store::WriteNumber(kAutoConnect, on ? 1 : 0);
}

std::string ReadCallMonitor() {
    return store::ReadText(kCallMonitor).value_or("");
}

void SetCallMonitor(const std::string& address) {
    if (address.empty())
        store::DeleteValue(kCallMonitor);
    else
        store::WriteText(kCallMonitor, address);
}

std::string CallMonitorAtStart() {
    if (const char* value = std::getenv("TINTOREL_CALLMONITOR"))
        return value;
    return ReadCallMonitor();
}

std::string ReadMqtt() {
    return store::ReadText(kMqtt).value_or("");
}

bool SetMqtt(const std::string& url) {
    if (url.empty())
        return store::DeleteValue(kMqtt) || !store::ReadText(kMqtt);
    return platform::RestrictRegistryFile() && store::WriteText(kMqtt, url);
}

std::string MqttAtStart() {
    if (const char* value = std::getenv("TINTOREL_MQTT"))
        return value;
    return ReadMqtt();
}

DesktopNotifications ReadDesktopNotifications() {
    switch (store::ReadNumber(kDesktopNotifications).value_or(2)) {
    case 0:
        return DesktopNotifications::Off;
    case 1:
        return DesktopNotifications::On;
    default:
        return DesktopNotifications::Automatic;
    }
}

void SetDesktopNotifications(DesktopNotifications choice) {
    switch (choice) {
    case DesktopNotifications::Off:
        store::WriteNumber(kDesktopNotifications, 0);
        break;
    case DesktopNotifications::On:
        store::WriteNumber(kDesktopNotifications, 1);
        break;
    case DesktopNotifications::Automatic:
        store::DeleteValue(kDesktopNotifications);
        break;
    }
}

std::string ReadCallCommand() {
    return store::ReadText(kCallCommand).value_or("");
}

void SetCallCommand(const std::string& command) {
    if (command.empty())
        store::DeleteValue(kCallCommand);
    else
        store::WriteText(kCallCommand, command);
}

std::string ReadLanguage() {
    const std::string stored = store::ReadText(kLanguage).value_or("");
    return stored == "fr" || stored == "de" || stored == "en" ? stored : std::string();
}

void SetLanguage(const std::string& language) {
    if (language.empty())
        store::DeleteValue(kLanguage);
    else
        store::WriteText(kLanguage, language);
}

bool IsAutostartEnabled() {
    const std::optional<std::string> stored = store::ReadAutostart();
    const std::optional<std::string> path = platform::GetModuleFileName();
    return stored && path && !path->empty() && *stored == *path;
}

void SetAutostart(bool enable) {
    if (!enable) {
        store::WriteAutostart(std::nullopt);
        return;
    }
    if (const std::optional<std::string> path = platform::GetModuleFileName();
        path && !path->empty())
        store::WriteAutostart(*path);
}

bool RemoveAllSettings() {
    if (!store::DeleteProgramKey())
        return false;
    SetAutostart(false);
    return true;
}

} // namespace settings
