#include "platform/RegularFile.h"

#include "platform/FileDescriptor.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

int NotRegularError(mode_t mode) {
    if (S_ISREG(mode))
        return 0;
    return S_ISDIR(mode) ? EISDIR : ENOTSUP;
}

int OpenRegularFile(const std::string& path, int flags, mode_t mode) {
    // Looked at first, so that a device is not even opened (opening some has effects).
    struct stat st;
    if (stat(path.c_str(), &st) == 0 && NotRegularError(st.st_mode) != 0) {
        errno = NotRegularError(st.st_mode);
        return -1;
    }
    Fd fd(open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, mode));
    if (fd.get() < 0) {
        // A FIFO without a reader refuses a writer that won't wait.
        if (errno == ENXIO && stat(path.c_str(), &st) == 0 && NotRegularError(st.st_mode) != 0)
            errno = NotRegularError(st.st_mode);
        return -1;
    }
    if (fstat(fd.get(), &st) != 0)
        return -1;
    if (const int error = NotRegularError(st.st_mode); error != 0) {
        errno = error;
        return -1;
    }
    const int status = fcntl(fd.get(), F_GETFL);
    if (status == -1 || fcntl(fd.get(), F_SETFL, status & ~O_NONBLOCK) == -1)
        return -1;
    return fd.release();
}

int ReadRegularFile(const std::string& path, std::size_t maxBytes, std::string& bytes) {
    bytes.clear();
    Fd fd(OpenRegularFile(path, O_RDONLY));
    if (fd.get() < 0)
        return errno;
    maxBytes = std::min(maxBytes, SIZE_MAX / 2);
    struct stat st {};
    if (fstat(fd.get(), &st) != 0)
        return errno;
    if (static_cast<std::size_t>(st.st_size) > maxBytes)
        return EFBIG;
    // One more than the size, so the end shows at once; a file that grows meanwhile still
    // stops at the limit.
    std::size_t capacity = static_cast<std::size_t>(st.st_size) + 1;
    for (;;) {
        const std::size_t have = bytes.size();
        if (have == capacity)
            capacity = std::min(capacity * 2, maxBytes + 1);
        bytes.resize(capacity);
        const ssize_t n = read(fd.get(), bytes.data() + have, capacity - have);
        if (n < 0 && errno == EINTR) {
            bytes.resize(have);
            continue;
        }
        bytes.resize(have + static_cast<std::size_t>(std::max<ssize_t>(n, 0)));
        if (n < 0)
            return errno;
        if (n == 0)
            return 0;
        if (bytes.size() > maxBytes)
            return EFBIG;
    }
}

} // namespace platform
