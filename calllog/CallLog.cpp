#include "calllog/CallLog.h"

#include "calllog/LogOwner.h"
#include "platform/FileLocations.h"
#include "platform/UserMessage.h"

#include <QString>

#include <cstdio>
#include <ctime>
#include <mutex>
#include <string>

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
        if (InstancePipeExists())
            return; // another copy writes the line
        ClaimLogOwnership();
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
    if (std::FILE* file = std::fopen(path, "a+")) {
        // One write call, past the stream's buffer, so a long line is not split up.
        ssize_t written = write(fileno(file), line.data(), line.size());
        (void)written;
        std::fclose(file);
        return;
    }
    const QString shownPath = QString::fromLocal8Bit(path);
    platform::TellUser(QString::fromUtf8("Erreur lors de l'écriture dans le logfile !!"), shownPath,
                       platform::MsgIcon::Error);
    platform::TellUser(shownPath, shownPath, platform::MsgIcon::Error);
}
