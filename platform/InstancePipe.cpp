#include "platform/InstancePipe.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace platform {

namespace {

std::mutex g_mutex;
int g_fd = -1; // the bound socket, deliberately never closed

// Abstract address: sun_path starts with a NUL byte, the name follows without terminator.
socklen_t MakeAddress(sockaddr_un& address) {
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    const std::string name = InstancePipeName();
    const std::size_t length = std::min(name.size(), sizeof address.sun_path - 1);
    std::memcpy(address.sun_path + 1, name.data(), length);
    return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length);
}

} // namespace

std::string InstancePipeName() {
    const char* name = std::getenv("TINTOREL_INSTANCE_PIPE");
    return name && *name ? name : "Tintorel";
}

bool InstancePipeExists(int timeoutMs) {
    // Datagram sockets: a connect only checks that the name is bound, so no connection
    // piles up in the holder, which never accepts anything.
    int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return false;
    sockaddr_un address;
    const socklen_t length = MakeAddress(address);
    int rc = connect(fd, reinterpret_cast<const sockaddr*>(&address), length);
    bool exists = rc == 0;
    if (rc != 0 && (errno == EINPROGRESS || errno == EAGAIN)) {
        pollfd p{fd, POLLOUT, 0};
        if (poll(&p, 1, timeoutMs) == 1) {
            int error = 0;
            socklen_t size = sizeof error;
            exists = getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
        }
    }
    close(fd);
    return exists;
}

PipeResult CreateInstancePipe(int& error) {
    std::lock_guard lock(g_mutex);
    error = 0;
    if (g_fd >= 0)
        return PipeResult::Created;
    // Close-on-exec: a program started from here must not keep the role alive after we end.
    int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = errno;
        return error == EAFNOSUPPORT ? PipeResult::Unsupported : PipeResult::Failed;
    }
    sockaddr_un address;
    const socklen_t length = MakeAddress(address);
    if (bind(fd, reinterpret_cast<const sockaddr*>(&address), length) != 0) {
        error = errno;
        close(fd);
        return error == EADDRINUSE ? PipeResult::AlreadyExists : PipeResult::Failed;
    }
    g_fd = fd;
    return PipeResult::Created;
}

} // namespace platform
