#include "platform/FileLocations.h"

#include "platform/ModulePath.h"
#include "platform/UserMessage.h"

#include <atomic>
#include <mutex>
#include <string>

namespace {

struct KeptPath {
    const char* fileName;
    std::atomic<const std::string*> path{nullptr}; // set once, never freed: callers keep it
};

KeptPath g_phonebook{"phonebook.txt"};
KeptPath g_callLog{"isdncall.log"};
std::mutex g_mutex;

void TellUser(int step) {
    platform::TellUser(
        QString::fromUtf8("Impossible d'obtenir le répertoire de l'application (%1).").arg(step),
        {}, platform::MsgIcon::Error);
}

const char* GetPath(KeptPath& kept) {
    if (const std::string* path = kept.path.load(std::memory_order_acquire))
        return path->c_str();
    int failedStep = 0;
    {
        std::lock_guard lock(g_mutex);
        if (const std::string* path = kept.path.load(std::memory_order_acquire))
            return path->c_str();
        const std::optional<std::string> exe = platform::GetModuleFileName();
        if (!exe) {
            failedStep = 1;
        } else if (std::size_t slash = exe->rfind('/'); slash == std::string::npos) {
            failedStep = 2;
        } else {
            auto* path = new std::string(exe->substr(0, slash + 1) + kept.fileName);
            kept.path.store(path, std::memory_order_release);
            return path->c_str();
        }
    }
    // Told outside the lock: the box waits for the GUI thread. Not kept, so the next call
    // tries again.
    TellUser(failedStep);
    return kept.fileName;
}

} // namespace

const char* GetPhonebookPath() {
    return GetPath(g_phonebook);
}

const char* GetCallLogPath() {
    return GetPath(g_callLog);
}
