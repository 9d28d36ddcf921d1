#include "platform/InstanceLock.h"

#include <cerrno>
#include <map>
#include <mutex>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

std::mutex g_mutex;
std::map<std::string, int> g_held; // path -> locked descriptor, deliberately never closed

// Opens the lock file without following a link or blocking on something that isn't a file.
int OpenLockFile(const std::string& path, bool create, int& error) {
    const int flags = O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | (create ? O_CREAT : 0);
    const int fd = open(path.c_str(), flags, 0600);
    if (fd < 0) {
        error = errno;
        return -1;
    }
    struct stat st;
    const bool stated = fstat(fd, &st) == 0;
    if (!stated || !S_ISREG(st.st_mode)) {
        error = stated ? EINVAL : errno;
        close(fd);
        return -1;
    }
    return fd;
}

int LockNow(int fd) {
    int rc;
    do
        rc = flock(fd, LOCK_EX | LOCK_NB);
    while (rc != 0 && errno == EINTR);
    return rc;
}

} // namespace

LockResult TakeInstanceLock(const std::string& path, int& error) {
    std::lock_guard lock(g_mutex);
    error = 0;
    if (g_held.contains(path))
        return LockResult::Taken;
    const int fd = OpenLockFile(path, true, error);
    if (fd < 0)
        return LockResult::Failed;
    if (LockNow(fd) != 0) {
        error = errno;
        close(fd);
        return error == EWOULDBLOCK ? LockResult::HeldElsewhere : LockResult::Failed;
    }
    g_held.emplace(path, fd);
    return LockResult::Taken;
}

bool InstanceLockHeld(const std::string& path) {
    {
        std::lock_guard lock(g_mutex);
        if (g_held.contains(path))
            return true;
    }
    int error = 0;
    const int fd = OpenLockFile(path, false, error);
    if (fd < 0)
        return false; // no file: nobody ever held it
    // A second open file of the same lock conflicts even with this process's own hold.
    const bool held = LockNow(fd) != 0 && errno == EWOULDBLOCK;
    close(fd); // drops the lock if it was taken here
    return held;
}

} // namespace platform
