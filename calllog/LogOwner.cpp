#include "calllog/LogOwner.h"

#include "platform/FileLocations.h"
#include "platform/InstanceLock.h"
#include "platform/RuntimeFolder.h"
#include "platform/UserMessage.h"

#include <mutex>

std::atomic<bool> g_bLogOwner{false};

namespace {

std::mutex g_mutex;

// The folder the call log is written in, "." for a bare file name.
std::string CallLogFolder() {
    const std::string log = GetCallLogPath();
    const std::size_t slash = log.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : log.substr(0, slash);
}

} // namespace

std::optional<LogOwnerPaths> GetLogOwnerPaths(int& error) {
    const std::string runtime = platform::RuntimeFolder(error);
    if (runtime.empty())
        return std::nullopt;
    const std::string base = runtime + "/" + platform::FolderKey(CallLogFolder());
    return LogOwnerPaths{base + ".lock"};
}

bool TakeLogOwnership() {
    int error = 0;
    platform::LockResult result = platform::LockResult::Failed;
    {
        std::lock_guard lock(g_mutex);
        if (g_bLogOwner.load())
            return true;
        if (const auto paths = GetLogOwnerPaths(error))
            result = platform::TakeInstanceLock(paths->lock, error);
        if (result == platform::LockResult::HeldElsewhere)
            return false;
        // Even without the lock this copy writes the call log.
        g_bLogOwner.store(true);
    }
    // Told outside the lock: the box waits for the GUI thread.
    if (result == platform::LockResult::Failed)
        platform::TellUser(
            QString::fromUtf8("Impossible de créer le pipe. LastError : %1").arg(error));
    return true;
}
