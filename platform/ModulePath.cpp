#include "platform/ModulePath.h"

#include <mutex>

#include <climits>
#include <unistd.h>

namespace platform {

namespace {
std::mutex g_overrideMutex;
bool g_overridden = false;
std::optional<std::string> g_override;
} // namespace

std::optional<std::string> GetModuleFileName() {
    {
        std::lock_guard lock(g_overrideMutex);
        if (g_overridden)
            return g_override;
    }
    char buffer[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer);
    if (n <= 0 || n >= static_cast<ssize_t>(sizeof buffer))
        return std::nullopt;
    return std::string(buffer, static_cast<std::size_t>(n));
}

void SetModuleFileNameOverride(std::optional<std::string> path) {
    std::lock_guard lock(g_overrideMutex);
    g_overridden = true;
    g_override = std::move(path);
}

void ResetModuleFileNameOverride() {
    std::lock_guard lock(g_overrideMutex);
    g_overridden = false;
    g_override.reset();
}

} // namespace platform
