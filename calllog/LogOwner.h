#pragma once
// The log-owner role: of the running copies of one user that share a data folder, the one
// holding the role writes the call log and takes the requests of the command line
// (tintorel --history, ...). The role is a lock in the user's private runtime folder named after
// the call log's folder, so copies in other folders, and other users' copies, never meet it; the
// kernel lets it go when its holder ends, and the next copy to take it takes the channel too.

#include <atomic>
#include <optional>
#include <string>

namespace platform {
class RequestListener;
}

extern std::atomic<bool> g_bLogOwner;

// Where the role lives for this user and the call log's folder.
struct LogOwnerPaths {
    std::string lock;    // the role's lock file
    std::string channel; // the socket its holder takes requests on
};

// Empty, with error set to an errno value, when the user has no private runtime folder (or,
// with make false, none has been made yet: then no copy holds the role).
std::optional<LogOwnerPaths> GetLogOwnerPaths(int& error, bool make = true);

// Takes the role when no other copy holds it for this data folder; false when one does. A role
// that can't be set up is taken all the same, after telling the user. True at once while this
// copy holds it. Any thread.
bool TakeLogOwnership();

// The listener that serves the channel while this copy holds the role: it listens from the
// moment the role is taken (at once when it is held already). nullptr closes the one installed.
// Called on the listener's thread.
void SetLogOwnerChannel(platform::RequestListener* listener);
