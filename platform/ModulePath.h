#pragma once
// Stand-in for GetModuleFileName: the full path of the running executable.

#include <optional>
#include <string>

namespace platform {

// The executable's full path from /proc/self/exe, or nothing when it can't be read.
std::optional<std::string> GetModuleFileName();

// Test hook: make GetModuleFileName answer this instead (nullopt = "unavailable").
// ResetModuleFileNameOverride() returns to the real path.
void SetModuleFileNameOverride(std::optional<std::string> path);
void ResetModuleFileNameOverride();

} // namespace platform
