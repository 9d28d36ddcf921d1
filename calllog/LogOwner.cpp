#include "calllog/LogOwner.h"

#include "platform/FileLocations.h"
#include "platform/InstanceLock.h"
#include "platform/RequestChannel.h"
#include "platform/RuntimeFolder.h"
#include "platform/UserMessage.h"

#include <QCoreApplication>

#include <mutex>

std::atomic<bool> g_bLogOwner{false};

namespace {

std::mutex g_mutex;
// Under g_mutex.
platform::RequestListener* g_channel = nullptr;
std::string g_heldChannel; // the channel's path while this copy holds the lock

// Called with g_mutex held. Only the lock's holder may replace what lies at the channel's path.
platform::ListenResult OpenChannel(int& error) {
    if (!g_channel || g_heldChannel.empty())
        return platform::ListenResult::Listening;
    return g_channel->Listen(g_heldChannel, error);
}

// What the user is told when the role or its channel can't be set up (outside g_mutex: the box
// waits for the GUI thread).
void Tell(platform::ListenResult result, int error) {
    if (result == platform::ListenResult::Failed)
        platform::TellUser(
            QCoreApplication::translate("LogOwner", "Impossible de créer le pipe. LastError : %1")
                .arg(error));
    else if (result == platform::ListenResult::AlreadyExists)
        platform::TellUser(QCoreApplication::translate("LogOwner", "Erreur : pipe déjà existant."));
}

} // namespace

std::optional<LogOwnerPaths> GetLogOwnerPaths(int& error, bool make) {
    const std::string runtime = platform::RuntimeFolder(error, make);
    if (runtime.empty())
        return std::nullopt;
    const std::string base = runtime + "/" + platform::FolderKey(platform::GetCallLogFolder());
    return LogOwnerPaths{base + ".lock", base + ".socket"};
}

bool TakeLogOwnership() {
    int error = 0;
    platform::ListenResult told = platform::ListenResult::Listening;
    {
        std::lock_guard lock(g_mutex);
        if (g_bLogOwner.load())
            return true;
        platform::LockResult result = platform::LockResult::Failed;
        const auto paths = GetLogOwnerPaths(error);
        if (paths)
            result = platform::TakeInstanceLock(paths->lock, error);
        if (result == platform::LockResult::HeldElsewhere)
            return false;
        // Even without the lock this copy writes the call log.
        g_bLogOwner.store(true);
        if (result == platform::LockResult::Taken) {
            g_heldChannel = paths->channel;
            told = OpenChannel(error);
        } else {
            told = platform::ListenResult::Failed;
        }
    }
    Tell(told, error);
    return true;
}

void SetLogOwnerChannel(platform::RequestListener* listener) {
    int error = 0;
    platform::ListenResult told = platform::ListenResult::Listening;
    {
        std::lock_guard lock(g_mutex);
        if (g_channel && g_channel != listener)
            g_channel->Close();
        g_channel = listener;
        told = OpenChannel(error);
    }
    Tell(told, error);
}
