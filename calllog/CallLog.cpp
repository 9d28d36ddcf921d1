#include "calllog/CallLog.h"

#include "calllog/LogOwner.h"
#include "platform/FileDescriptor.h"
#include "platform/FileLocations.h"
#include "platform/RegularFile.h"
#include "platform/UserMessage.h"

#include <QString>
#include <QCoreApplication>

#include <cerrno>
#include <ctime>
#include <mutex>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::mutex g_hookMutex;
std::function<void()> g_logOwnerChanged;

// A line break inside a field would start a bogus record; a semicolon inside the first three
// fields would shift the fields of a reader. Neither comes from a sane line, so they become
// blanks rather than corrupting the file.
void AppendField(std::string& line, const char* text, bool allowSemicolon) {
    for (const char* p = text ? text : ""; *p; ++p) {
        char c = *p;
        if (c == '\r' || c == '\n' || (c == ';' && !allowSemicolon))
            c = ' ';
        line += c;
    }
}

// Appends the line with one write call, past the stream's buffer, so a long line is not split
// up. A record is in the log whole or not at all: a short or failed write (a full disk) is cut
// back off, or the next record would be glued to the fragment.
bool AppendWhole(int fd, const std::string& line) {
    struct stat before;
    if (fstat(fd, &before) != 0)
        return false;
    ssize_t written;
    do
        written = write(fd, line.data(), line.size());
    while (written < 0 && errno == EINTR);
    if (written == static_cast<ssize_t>(line.size()))
        return true;
    if (written > 0 && S_ISREG(before.st_mode)) {
        [[maybe_unused]] const int cut = ftruncate(fd, before.st_size);
    }
    return false;
}

std::string Now() {
    std::time_t now = std::time(nullptr);
    std::tm local;
    char text[32];
    if (!localtime_r(&now, &local) ||
        std::strftime(text, sizeof text, "%d/%m/%y %H:%M:%S", &local) == 0)
        return {};
    return text;
}

} // namespace

void SetLogOwnerChangedHook(std::function<void()> hook) {
    std::lock_guard lock(g_hookMutex);
    g_logOwnerChanged = std::move(hook);
}

void AppendCallLog(const char* calling, const char* called, const char* name) {
    if (!g_bLogOwner.load()) {
        if (!TakeLogOwnership())
            return; // another copy writes the line
        std::function<void()> hook;
        {
            std::lock_guard lock(g_hookMutex);
            hook = g_logOwnerChanged;
        }
        if (hook)
            hook();
    }

    std::string line = Now();
    line += ';';
    AppendField(line, calling && *calling ? calling : "Anonyme", false);
    line += ';';
    AppendField(line, called, false);
    line += ';';
    AppendField(line, name, true);
    line += "\r\n";

    const char* path = GetCallLogPath();
    // Only a regular file: a FIFO would swallow the records, or hold the call until read.
    platform::Fd file(platform::OpenRegularFile(path, O_WRONLY | O_APPEND | O_CREAT));
    if (file.get() >= 0) {
        const bool written = AppendWhole(file.get(), line);
        // A file system may report a failed write only when the file is closed.
        if (close(file.release()) == 0 && written)
            return;
    }
    // Not opened, or the line didn't go in whole: the user is told, the line is dropped.
    const QString shownPath = QString::fromLocal8Bit(path);
    platform::TellUser(
        QCoreApplication::translate("CallLog", "Erreur lors de l'écriture dans le logfile !!"),
        shownPath, platform::MsgIcon::Error);
    platform::TellUser(shownPath, shownPath, platform::MsgIcon::Error);
}
