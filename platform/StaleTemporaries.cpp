#include "platform/StaleTemporaries.h"

#include "platform/AtomicFile.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <string_view>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>

namespace platform {

namespace {

// A number as TemporaryName writes it: decimal digits, no sign, no leading zero.
template <class Number> bool ReadNumber(std::string_view text, Number& value) {
    if (text.empty() || (text[0] == '0' && text.size() > 1))
        return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

// The process whose temporary file name is, when it is exactly one TemporaryName makes for a
// file called base; 0 otherwise.
pid_t OwnerOf(std::string_view name, std::string_view base) {
    const std::string prefix = std::string(base) + ".tmp-";
    if (name.substr(0, prefix.size()) != prefix)
        return 0;
    name.remove_prefix(prefix.size());
    const std::size_t dash = name.find('-');
    long pid = 0;
    unsigned n = 0;
    if (dash == std::string_view::npos || !ReadNumber(name.substr(0, dash), pid) ||
        !ReadNumber(name.substr(dash + 1), n) || pid <= 0 || pid > INT_MAX)
        return 0;
    return static_cast<pid_t>(pid);
}

} // namespace

int RemoveStaleTemporaries(const std::string& path) {
    const std::string target = ReplacementTarget(path);
    const std::size_t slash = target.rfind('/');
    const std::string folder =
        slash == std::string::npos ? "." : (slash == 0 ? "/" : target.substr(0, slash));
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);

    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return 0;
    int removed = 0;
    while (const dirent* entry = readdir(dir)) {
        const pid_t pid = OwnerOf(entry->d_name, base);
        // EPERM means the process runs under another user: it runs all the same.
        if (pid == 0 || kill(pid, 0) == 0 || errno != ESRCH)
            continue;
        struct stat st;
        if (fstatat(dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(st.st_mode) && unlinkat(dirfd(dir), entry->d_name, 0) == 0)
            ++removed;
    }
    closedir(dir);
    return removed;
}

} // namespace platform
