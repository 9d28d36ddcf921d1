#pragma once
// Tells one state of a file from another without reading it: the file's identity (device,
// inode), its size and its modification time. A reader that kept the identity of what it read
// may skip reading the file again while it still matches.

#include <string>

#include <sys/stat.h>
#include <sys/types.h>

namespace platform {

class FileIdentity {
  public:
    // Unknown: matches no file.
    FileIdentity() = default;

    // The file at path (links followed) or open on fd, as it is now. Unknown when its last
    // change is so recent that a further change could still leave the same modification time
    // behind.
    static FileIdentity Of(const std::string& path);
    static FileIdentity OfOpenFile(int fd);

    // Whether the file at path (links followed) is still in the recorded state.
    bool Matches(const std::string& path) const;
    bool Known() const { return m_known; }

  private:
    static FileIdentity Settled(const struct stat& st, const timespec& before);

    bool m_known = false;
    dev_t m_device = 0;
    ino_t m_inode = 0;
    off_t m_size = 0;
    timespec m_modified{};
};

} // namespace platform
