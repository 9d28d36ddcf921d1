#pragma once
// How the line sources are doing, for the windows: a hook called on every change.

#include <functional>

namespace line {

// Called from any thread, whenever the state of a line source changed; it must not block.
void SetLineStatusHook(std::function<void()> hook);
void NotifyLineStatus();

} // namespace line
