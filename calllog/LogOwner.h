#pragma once
// The log-owner role: of all running copies, the one holding the instance pipe writes the
// call log.

#include <atomic>

extern std::atomic<bool> g_bLogOwner;

// Whether some running copy holds the instance pipe (waits up to 1000 ms).
bool InstancePipeExists();

// Creates the instance pipe (telling the user when that fails) and takes the role.
void ClaimLogOwnership();
