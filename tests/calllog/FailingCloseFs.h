#pragma once
// A file system of one file, isdncall.log, that takes every write and refuses it when the file
// is closed, as a network file system does when the server turns the data down late. Served
// over the kernel's FUSE device by a thread of the test.

#include <linux/fuse.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

class FailingCloseFs {
  public:
    // Mounts at folder (which must exist); Mounted() is false where FUSE can't be mounted.
    explicit FailingCloseFs(const std::string& folder) : m_folder(folder) {
        m_device = open("/dev/fuse", O_RDWR | O_CLOEXEC);
        m_stop = eventfd(0, EFD_CLOEXEC);
        const std::string options =
            "fd=" + std::to_string(m_device) + ",rootmode=40000,user_id=0,group_id=0";
        if (m_device < 0 || m_stop < 0 ||
            mount("failing-close", folder.c_str(), "fuse", MS_NOSUID | MS_NODEV, options.c_str()) !=
                0) {
            m_error = std::strerror(errno);
            return;
        }
        m_mounted = true;
        m_server = std::thread([this] { Serve(); });
    }
    ~FailingCloseFs() {
        if (m_mounted) {
            umount2(m_folder.c_str(), MNT_DETACH);
            const std::uint64_t one = 1;
            [[maybe_unused]] const ssize_t n = write(m_stop, &one, sizeof one);
            m_server.join();
        }
        for (int fd : {m_device, m_stop})
            if (fd >= 0)
                close(fd);
    }
    FailingCloseFs(const FailingCloseFs&) = delete;
    FailingCloseFs& operator=(const FailingCloseFs&) = delete;

    bool Mounted() const { return m_mounted; }
    const std::string& Error() const { return m_error; }
    // What was written into the file.
    std::string Written() const {
        std::lock_guard lock(m_mutex);
        return m_data;
    }

  private:
    static constexpr std::uint64_t kFile = 2;

    void Reply(const fuse_in_header& in, int error, const void* data = nullptr,
               std::size_t size = 0) {
        std::vector<char> out(sizeof(fuse_out_header) + size);
        const fuse_out_header header{static_cast<std::uint32_t>(out.size()), -error, in.unique};
        std::memcpy(out.data(), &header, sizeof header);
        if (size)
            std::memcpy(out.data() + sizeof header, data, size);
        [[maybe_unused]] const ssize_t n = write(m_device, out.data(), out.size());
    }

    fuse_attr Attr(std::uint64_t node) {
        fuse_attr attr{};
        attr.ino = node;
        attr.mode = node == kFile ? S_IFREG | 0644 : S_IFDIR | 0755;
        attr.nlink = node == kFile ? 1 : 2;
        std::lock_guard lock(m_mutex);
        attr.size = node == kFile ? m_data.size() : 0;
        return attr;
    }

    void Serve() {
        std::vector<char> buffer(FUSE_MIN_READ_BUFFER + (1 << 17));
        for (;;) {
            pollfd fds[2] = {{m_device, POLLIN, 0}, {m_stop, POLLIN, 0}};
            if (poll(fds, 2, -1) < 0 && errno == EINTR)
                continue;
            if (fds[1].revents)
                return;
            const ssize_t n = read(m_device, buffer.data(), buffer.size());
            if (n < 0 && (errno == EINTR || errno == ENOENT || errno == EAGAIN))
                continue;
            if (n < static_cast<ssize_t>(sizeof(fuse_in_header)))
                return;
            fuse_in_header in;
            std::memcpy(&in, buffer.data(), sizeof in);
            const char* args = buffer.data() + sizeof in;
            switch (in.opcode) {
            case FUSE_INIT: {
                fuse_init_out out{};
                out.major = FUSE_KERNEL_VERSION;
                out.minor = FUSE_KERNEL_MINOR_VERSION;
                out.max_write = 1 << 16;
                out.max_background = 1;
                out.congestion_threshold = 1;
                out.time_gran = 1;
                Reply(in, 0, &out, sizeof out);
                break;
            }
            case FUSE_LOOKUP: {
                if (in.nodeid != FUSE_ROOT_ID || std::strcmp(args, "isdncall.log") != 0) {
                    Reply(in, ENOENT);
                    break;
                }
                fuse_entry_out out{};
                out.nodeid = kFile;
                out.attr = Attr(kFile);
                Reply(in, 0, &out, sizeof out);
                break;
            }
            case FUSE_GETATTR: {
                fuse_attr_out out{};
                out.attr = Attr(in.nodeid);
                Reply(in, 0, &out, sizeof out);
                break;
            }
            case FUSE_OPEN: {
                const fuse_open_out out{1, 0, 0};
                Reply(in, 0, &out, sizeof out);
                break;
            }
            case FUSE_WRITE: {
                fuse_write_in write;
                std::memcpy(&write, args, sizeof write);
                {
                    std::lock_guard lock(m_mutex);
                    m_data.append(args + sizeof write, write.size);
                }
                const fuse_write_out out{write.size, 0};
                Reply(in, 0, &out, sizeof out);
                break;
            }
            case FUSE_FLUSH: // close()
                Reply(in, EIO);
                break;
            case FUSE_FORGET:
            case FUSE_BATCH_FORGET:
            case FUSE_INTERRUPT:
                break; // no answer expected
            case FUSE_RELEASE:
                Reply(in, 0);
                break;
            default:
                Reply(in, ENOSYS);
            }
        }
    }

    std::string m_folder;
    int m_device = -1;
    int m_stop = -1;
    bool m_mounted = false;
    std::string m_error;
    std::thread m_server;
    mutable std::mutex m_mutex;
    std::string m_data;
};
