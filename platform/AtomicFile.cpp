#include "platform/AtomicFile.h"

#include "platform/FileDescriptor.h"
#include "platform/RegularFile.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

int WriteAll(int fd, std::string_view bytes, off_t offset = -1) {
    while (!bytes.empty()) {
        const ssize_t n = offset < 0 ? write(fd, bytes.data(), bytes.size())
                                     : pwrite(fd, bytes.data(), bytes.size(), offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : EIO;
        bytes.remove_prefix(static_cast<std::size_t>(n));
        if (offset >= 0)
            offset += n;
    }
    return 0;
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Writes bytes over the file itself. Nothing is cut before the new bytes are in: the space
// they need beyond the old size is reserved first, and a file that can't have it stays as it
// was. Returns 0 or an errno.
int RewriteInPlace(const std::string& path, std::string_view bytes) {
    Fd file(OpenRegularFile(path, O_WRONLY | O_CREAT));
    if (file.get() < 0)
        return errno;
    struct stat st;
    if (fstat(file.get(), &st) != 0)
        return errno;
    const auto size = static_cast<off_t>(bytes.size());
    if (size > st.st_size) {
        if (const int error = posix_fallocate(file.get(), 0, size); error != 0)
            return error;
    }
    int error = WriteAll(file.get(), bytes, 0);
    if (error == 0 && size < st.st_size && ftruncate(file.get(), size) != 0)
        error = errno;
    if (error == 0 && fsync(file.get()) != 0)
        error = errno;
    if (error == 0 && close(file.release()) != 0)
        error = errno;
    return error;
}

} // namespace

std::string ReplacementTarget(const std::string& path) {
    struct stat st;
    if (lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        if (char* real = realpath(path.c_str(), nullptr)) {
            std::string target = real;
            std::free(real);
            return target;
        }
    }
    return path;
}

std::string TemporaryName(const std::string& target, long pid, unsigned n) {
    return target + ".tmp-" + std::to_string(pid) + "-" + std::to_string(n);
}

// A writer killed at any instant leaves the old file or the new one, whole.
int ReplaceFile(const std::string& path, std::string_view bytes, FileIdentity* written) {
    if (written)
        *written = {};
    const std::string target = ReplacementTarget(path);
    struct stat st;
    const bool exists = stat(target.c_str(), &st) == 0;
    // A folder, a FIFO or a device in the file's place is not ours to replace.
    if (exists && NotRegularError(st.st_mode) != 0)
        return NotRegularError(st.st_mode);

    static std::atomic<unsigned> counter{0};
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = TemporaryName(target, getpid(), counter++);
        fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && (errno == EACCES || errno == EPERM))
            // Another writer may change the file at once, so its identity is not vouched for.
            return RewriteInPlace(target, bytes);
        if (fd < 0 && errno != EEXIST)
            return errno;
    }
    if (fd < 0)
        return EEXIST;
    Fd file(fd);
    // The mode first: a file kept from other users never has its bytes where they can read.
    int error = exists && fchmod(file.get(), st.st_mode & 07777) != 0 ? errno : 0;
    if (error == 0)
        error = WriteAll(file.get(), bytes);
    if (error == 0 && fsync(file.get()) != 0)
        error = errno;
    // Until the rename nobody else writes this file: what it holds now is exactly bytes.
    const FileIdentity identity =
        error == 0 ? FileIdentity::OfOpenFile(file.get()) : FileIdentity();
    if (error == 0 && close(file.release()) != 0)
        error = errno;
    if (error == 0 && rename(temp.c_str(), target.c_str()) != 0)
        error = errno;
    if (error != 0) {
        unlink(temp.c_str());
        return error;
    }
    // The rename itself reaches the disk with the folder.
    Fd folder(open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() >= 0)
        fsync(folder.get());
    if (written)
        *written = identity;
    return 0;
}

} // namespace platform
