#include "phonebook/UnknownNumbers.h"

#include "platform/AtomicFile.h"
#include "platform/LineSplitter.h"
#include "platform/RegularFile.h"
#include "platform/StaleTemporaries.h"
#include "platform/UserMessage.h"

#include <QString>
#include <QCoreApplication>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <map>
#include <mutex>
#include <string_view>
#include <utility>

namespace {

using Days = std::chrono::sys_days;

constexpr std::chrono::days kKept{7};
// A week of unknown callers is a few hundred lines; anything much larger is not ours.
constexpr std::size_t kMaxFileSize = 1 << 20;

std::mutex g_mutex;
int g_writeErrorTold = 0; // the failure last told, until a write succeeds again

Days Today() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return Days(std::chrono::year(local.tm_year + 1900) /
                std::chrono::month(static_cast<unsigned>(local.tm_mon + 1)) /
                std::chrono::day(static_cast<unsigned>(local.tm_mday)));
}

bool ReadField(std::string_view text, int& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

// "YYYY-MM-DD", a real date.
bool ParseDate(std::string_view text, Days& date) {
    int year = 0;
    int month = 0;
    int day = 0;
    if (text.size() != 10 || text[4] != '-' || text[7] != '-' ||
        !ReadField(text.substr(0, 4), year) || !ReadField(text.substr(5, 2), month) ||
        !ReadField(text.substr(8, 2), day) || month < 1 || day < 1)
        return false;
    const std::chrono::year_month_day ymd{std::chrono::year(year),
                                          std::chrono::month(static_cast<unsigned>(month)),
                                          std::chrono::day(static_cast<unsigned>(day))};
    if (!ymd.ok())
        return false;
    date = Days(ymd);
    return true;
}

std::string FormatDate(Days date) {
    const std::chrono::year_month_day ymd{date};
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(ymd.year()),
                  static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()));
    return text;
}

// An entry answered from the cache: dated within the last week, not in the future (a clock
// set back must not keep a number unasked for longer).
bool Current(Days date, Days today) {
    return date <= today && today - date < kKept;
}

// The current entries of the file; lines that aren't one are left out.
std::map<std::string, Days> Read(const std::string& path, Days today) {
    std::map<std::string, Days> entries;
    std::string text;
    if (platform::ReadRegularFile(path, kMaxFileSize, text) != 0)
        return entries;
    platform::LineSplitter lines(text);
    std::string_view line;
    while (lines.Next(line)) {
        const std::size_t separator = line.rfind(';');
        Days date;
        if (separator == std::string_view::npos || !ParseDate(line.substr(separator + 1), date) ||
            !Current(date, today))
            continue;
        Days& kept =
            entries.try_emplace(std::string(line.substr(0, separator)), date).first->second;
        kept = std::max(kept, date);
    }
    return entries;
}

// Once per run, before the first write: what a copy killed while writing left behind.
void RemoveLeftovers(const std::string& path) {
    static std::once_flag once;
    std::call_once(once, [&] { platform::RemoveStaleTemporaries(path); });
}

// The cache is no use to a copy that can't write it: the user hears of it once, until a write
// succeeds again.
void ReportWriteFailure(int error) {
    char buffer[256];
    const char* description = strerror_r(error, buffer, sizeof buffer);
    platform::TellUser(QCoreApplication::translate(
                           "UnknownNumbers", "Erreur lors de l'écriture des numéros inconnus !!"),
                       QStringLiteral("Tintorel"), platform::MsgIcon::Error);
    platform::TellUser(QString::fromLocal8Bit(description), {}, platform::MsgIcon::Error);
}

} // namespace

std::string UnknownNumbersPath(const std::string& phonebookPath) {
    return std::filesystem::path(phonebookPath).replace_filename("unknown-numbers.txt");
}

bool IsRecentlyUnknown(const std::string& cachePath, const std::string& number) {
    std::lock_guard lock(g_mutex);
    const auto entries = Read(cachePath, Today());
    return entries.find(number) != entries.end();
}

void RememberUnknown(const std::string& cachePath, const std::string& number) {
    // A line break would let the rest of the number pass for a line of its own.
    if (number.find_first_of("\r\n") != std::string::npos)
        return;
    int tell = 0;
    {
        std::lock_guard lock(g_mutex);
        RemoveLeftovers(cachePath);
        const Days today = Today();
        auto entries = Read(cachePath, today);
        entries[number] = today;
        std::string text;
        for (const auto& [known, date] : entries)
            text += known + ";" + FormatDate(date) + "\n";
        const int error = platform::ReplaceFile(cachePath, text);
        if (std::exchange(g_writeErrorTold, error) != error)
            tell = error;
    }
    if (tell != 0)
        ReportWriteFailure(tell);
}
