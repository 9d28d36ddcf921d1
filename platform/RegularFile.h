#pragma once
// Opening the program's own files so that a file put in their place can't hang or drown it:
// a FIFO would hold open() or read() for good, a device such as /dev/zero never ends. Only a
// regular file is opened, and never in a way that can block.

#include <cstddef>
#include <string>

#include <sys/types.h>

namespace platform {

// Why a path that exists can't be used: 0 for a regular file, EISDIR for a folder, ENOTSUP
// for anything else (FIFO, socket, device).
int NotRegularError(mode_t mode);

// open(2) of a regular file (links followed), with O_CLOEXEC and O_NOCTTY added. Anything else
// is refused with NotRegularError's errno and left unopened where it can be seen beforehand;
// a FIFO swapped in meanwhile is opened without waiting and closed again. Returns the
// descriptor, in blocking mode, or -1 with errno set.
int OpenRegularFile(const std::string& path, int flags, mode_t mode = 0666);

// The whole of the regular file at path, at most maxBytes (EFBIG beyond). Returns 0 or an
// errno; bytes holds what was read.
int ReadRegularFile(const std::string& path, std::size_t maxBytes, std::string& bytes);

} // namespace platform
