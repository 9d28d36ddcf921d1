#include "settings/Settings.h"

#include "platform/ModulePath.h"
#include "platform/SettingsStore.h"

namespace settings {

namespace store = platform::settings_store;

namespace {
const char* const kAutoConnect = "AutoConnect";
} // namespace

std::uint32_t ReadAutoConnect() {
    return store::ReadNumber(kAutoConnect).value_or(0);
}

void SetAutoConnect(bool on) {
    store::WriteNumber(kAutoConnect, on ? 1 : 0);
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
