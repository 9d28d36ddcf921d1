#include "platform/RuntimeFolder.h"

#include <QByteArray>
#include <QCryptographicHash>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// The user's own folder that no one else may write into (the base a private folder is made in).
bool IsOwnBase(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == geteuid() &&
           (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// Makes folder (when make) inside a base of the user's own, and makes sure it is private: a
// folder of the same name that someone else made, or a link, is refused rather than used.
bool MakePrivate(const std::string& folder, bool make, int& error) {
    if (make && mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        error = errno;
        return false;
    }
    struct stat st;
    if (lstat(folder.c_str(), &st) != 0) {
        error = errno;
        return false;
    }
    if (!S_ISDIR(st.st_mode) || st.st_uid != geteuid()) {
        error = EACCES;
        return false;
    }
    if ((st.st_mode & 077) != 0 && (!make || chmod(folder.c_str(), 0700) != 0)) {
        error = make ? errno : EACCES;
        return false;
    }
    return true;
}

// $XDG_CACHE_HOME, or ~/.cache; a relative value is ignored, as the base directory rules ask.
std::string CacheHome() {
    const char* xdg = std::getenv("XDG_CACHE_HOME");
    if (xdg && xdg[0] == '/')
        return xdg;
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/')
        return std::string(home) + "/.cache";
    return {};
}

} // namespace

std::string RuntimeFolder(int& error, bool make) {
    error = 0;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && runtime[0] == '/' && IsOwnBase(runtime)) {
        const std::string folder = std::string(runtime) + "/tintorel";
        return MakePrivate(folder, make, error) ? folder : std::string();
    }
    const std::string cache = CacheHome();
    if (cache.empty()) {
        error = ENOENT;
        return {};
    }
    std::error_code ec;
    if (make)
        std::filesystem::create_directories(cache, ec);
    // Someone else's home (a program run through sudo that kept HOME): its folder, made by
    // this user, would later lock out the home's owner.
    if (!IsOwnBase(cache)) {
        error = EACCES;
        return {};
    }
    const std::string folder = cache + "/tintorel";
    return MakePrivate(folder, make, error) ? folder : std::string();
}

std::string FolderKey(const std::string& dataFolder) {
    std::error_code ec;
    std::filesystem::path canonical = std::filesystem::weakly_canonical(dataFolder, ec);
    if (ec)
        canonical = std::filesystem::absolute(dataFolder, ec);
    std::string text = canonical.lexically_normal().string();
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    const QByteArray bytes = QByteArray::fromStdString(text);
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256)
        .toHex()
        .left(16)
        .toStdString();
}

} // namespace platform
