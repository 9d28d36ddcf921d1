#pragma once
// Stand-in for the named pipe that told running copies apart: a role one process at a time
// holds, as an exclusive lock (flock) on a file in the user's private runtime folder. The
// kernel drops it when the process ends, however it ends, and no other user can reach it.

#include <string>

namespace platform {

enum class LockResult {
    Taken,         // this process holds the lock (now or already)
    HeldElsewhere, // another process holds it
    Failed,        // the file can't be opened or locked; error holds errno
};

// Takes the lock on path (a file made 0600 when missing) and keeps it for the rest of the
// process: the descriptor is never closed, and not handed to programs started from here.
LockResult TakeInstanceLock(const std::string& path, int& error);

// Whether some process, this one included, holds the lock on path; takes nothing.
bool InstanceLockHeld(const std::string& path);

} // namespace platform
