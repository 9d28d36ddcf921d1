#include "platform/FileIdentity.h"

#include <ctime>

namespace platform {

namespace {

bool Before(const timespec& a, const timespec& b) {
    return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
}

// File times are taken from the kernel's coarse clock: once that clock has moved past a file's
// time, any later change gets a later time. Times in whole milliseconds hint at a file system
// that keeps coarser ones (10 ms, 1 s, 2 s): those are trusted only once two seconds old.
bool IsSettled(const timespec& modified, const timespec& now) {
    if (modified.tv_nsec % 1000000 != 0)
        return Before(modified, now);
    return modified.tv_sec + 2 <= now.tv_sec;
}

// Read before the file's state: a change made after it shows in that state.
timespec CoarseNow() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME_COARSE, &now);
    return now;
}

} // namespace

FileIdentity FileIdentity::Of(const std::string& path) {
    const timespec before = CoarseNow();
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? Settled(st, before) : FileIdentity();
}

FileIdentity FileIdentity::OfOpenFile(int fd) {
    const timespec before = CoarseNow();
    struct stat st;
    return fstat(fd, &st) == 0 ? Settled(st, before) : FileIdentity();
}

FileIdentity FileIdentity::Settled(const struct stat& st, const timespec& before) {
    FileIdentity identity;
    if (!S_ISREG(st.st_mode) || !IsSettled(st.st_mtim, before))
        return identity;
    identity.m_known = true;
    identity.m_device = st.st_dev;
    identity.m_inode = st.st_ino;
    identity.m_size = st.st_size;
    identity.m_modified = st.st_mtim;
    return identity;
}

bool FileIdentity::Matches(const std::string& path) const {
    struct stat st;
    return m_known && stat(path.c_str(), &st) == 0 && st.st_dev == m_device &&
           st.st_ino == m_inode && st.st_size == m_size && st.st_mtim.tv_sec == m_modified.tv_sec &&
           st.st_mtim.tv_nsec == m_modified.tv_nsec;
}

} // namespace platform
