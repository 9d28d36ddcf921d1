#include "platform/FileLocations.h"

#include "platform/ModulePath.h"
#include "platform/UserMessage.h"

#include <QFile>
#include <QCoreApplication>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct KeptPath {
    const char* fileName;
    std::atomic<const std::string*> path{nullptr}; // set once, never freed: callers keep it
    std::atomic<bool> folderMissing{false};        // the data folder is still to be made
    std::string beside{};                          // the file beside the program, to copy in
};

KeptPath g_phonebook{"phonebook.txt"};
KeptPath g_callLog{"isdncall.log"};
std::mutex g_mutex;

void TellUser(int step) {
    platform::TellUser(
        QCoreApplication::translate("FileLocations",
                                    "Impossible d'obtenir le répertoire de l'application (%1).")
            .arg(step),
        {}, platform::MsgIcon::Error);
}

// Whether this process may write there, with the effective ids as opening would; a read-only
// mount refuses even root.
bool MayWrite(const std::string& path, int mode) {
    return faccessat(AT_FDCWD, path.c_str(), mode, AT_EACCESS) == 0;
}

// Only a refusal counts: a folder that can't be looked at keeps the files where they always
// were.
bool Refused(const std::string& path, int mode) {
    return !MayWrite(path, mode) && (errno == EACCES || errno == EPERM || errno == EROFS);
}

// An installed program lies under /usr/ (or /usr/local/), where no user keeps files.
bool IsInstalled(const std::string& folder) {
    return folder.starts_with("/usr/");
}

// A file stays beside a portable program while it can be written there: the folder takes new
// files, or the file is already there and open to us.
bool LivesBesideProgram(const std::string& folder, const std::string& file) {
    return !IsInstalled(folder) && (!Refused(folder, W_OK | X_OK) || MayWrite(folder + file, W_OK));
}

// $XDG_DATA_HOME/tintorel, by default ~/.local/share/tintorel; a relative XDG_DATA_HOME is
// ignored, as the base directory rules ask. Empty when no home is known.
std::string UserDataFolder() {
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && xdg[0] == '/')
        return std::string(xdg) + "/tintorel";
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/')
        return std::string(home) + "/.local/share/tintorel";
    return {};
}

// The folder is private to the user, as the base directory rules ask.
bool MakeFolder(const std::string& folder) {
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(folder).parent_path(), ec);
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat st;
    return stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A phonebook or log that lies beside the program in a folder it can no longer write is the
// user's: the data folder starts from a copy of it rather than empty. Never over a file there.
void CopyIn(const std::string& from, const std::string& to) {
    const QString source = QFile::decodeName(from.c_str());
    const QString target = QFile::decodeName(to.c_str());
    // Only a regular file: copying from a FIFO would wait for a writer that never comes.
    struct stat st;
    if (from.empty() || QFile::exists(target) || stat(from.c_str(), &st) != 0 ||
        !S_ISREG(st.st_mode))
        return;
    if (QFile::copy(source, target))
        QFile::setPermissions(target,
                              QFile::permissions(target) | QFile::ReadOwner | QFile::WriteOwner);
}

// Called with g_mutex held.
void MakeDataFolder(KeptPath& kept) {
    const std::string& path = *kept.path.load(std::memory_order_relaxed);
    if (!MakeFolder(path.substr(0, path.rfind('/'))))
        return;
    CopyIn(kept.beside, path);
    kept.folderMissing.store(false, std::memory_order_release);
}

const char* GetPath(KeptPath& kept) {
    if (const std::string* path = kept.path.load(std::memory_order_acquire)) {
        if (kept.folderMissing.load(std::memory_order_acquire)) {
            std::lock_guard lock(g_mutex);
            if (kept.folderMissing.load(std::memory_order_relaxed))
                MakeDataFolder(kept);
        }
        return path->c_str();
    }
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
            const std::string folder = exe->substr(0, slash + 1);
            const std::string dataFolder = UserDataFolder();
            const bool beside = dataFolder.empty() || LivesBesideProgram(folder, kept.fileName);
            auto* path = new std::string((beside ? folder : dataFolder + "/") + kept.fileName);
            if (!beside) {
                if (!IsInstalled(folder))
                    kept.beside = folder + kept.fileName;
                // Before the path is published: a caller that sees the path waits for the
                // folder.
                kept.folderMissing.store(true, std::memory_order_relaxed);
            }
            kept.path.store(path, std::memory_order_release);
            if (!beside)
                MakeDataFolder(kept);
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

namespace platform {

std::string GetCallLogFolder() {
    const std::string log = GetCallLogPath();
    const std::size_t slash = log.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : log.substr(0, slash);
}

} // namespace platform
