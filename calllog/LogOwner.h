#pragma once
// The log-owner role: of the running copies of one user that share a data folder, the one
// holding the role writes the call log. The role is a lock in the user's private runtime folder
// named after the call log's folder, so copies in other folders, and other users' copies, never
// meet it; the kernel lets it go when its holder ends.

#include <atomic>
#include <optional>
#include <string>

extern std::atomic<bool> g_bLogOwner;

// Where the role lives for this user and the call log's folder.
struct LogOwnerPaths {
    std::string lock; // the role's lock file
};

// Empty, with error set to an errno value, when the user has no private runtime folder.
std::optional<LogOwnerPaths> GetLogOwnerPaths(int& error);

// Takes the role when no other copy holds it for this data folder; false when one does. A role
// that can't be set up is taken all the same, after telling the user. True at once while this
// copy holds it.
bool TakeLogOwnership();
