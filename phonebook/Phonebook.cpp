#include "phonebook/Phonebook.h"

#include "phonebook/DirectoryProfiles.h"
#include "platform/AtomicFile.h"
#include "platform/FileDescriptor.h"
#include "platform/FileLocations.h"
#include "platform/LineSplitter.h"
#include "platform/RegularFile.h"
#include "platform/StaleTemporaries.h"
#include "platform/UserMessage.h"

#include <QString>
#include <QCoreApplication>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::string_view kCountryKey = "country";

// atoi's reading (leading blanks, optional sign, digits up to the first non-digit, 0 without
// digits), saturating where atoi would overflow.
int ParseCountry(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = std::min<long long>(value * 10 + (text[i] - '0'), 1LL + INT_MAX);
    value = negative ? -value : value;
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

// A phonebook of 100,000 entries is a few megabytes; anything near this is no phonebook.
constexpr std::size_t kMaxFileBytes = std::size_t{256} << 20;

struct ReadResult {
    bool opened = false;
    int error = 0; // why it couldn't be opened or read to the end, or 0
};

// Hands every line of the file to onLine, read a block at a time so that a huge file costs no
// more memory than its longest line.
template <class OnLine> ReadResult ForEachLine(const std::string& path, OnLine&& onLine) {
    platform::Fd fd(platform::OpenRegularFile(path, O_RDONLY));
    if (fd.get() < 0)
        return {false, errno};
    struct stat st {};
    if (fstat(fd.get(), &st) != 0)
        return {false, errno};
    if (static_cast<std::size_t>(st.st_size) > kMaxFileBytes)
        return {false, EFBIG};
    platform::LineReader lines(fd.get(), kMaxFileBytes, static_cast<std::size_t>(st.st_size));
    std::string_view line;
    while (lines.Next(line))
        onLine(line);
    return {true, lines.Error()};
}

// A file that is there but is no phonebook: a folder, a FIFO, a device, a huge file.
bool Unusable(int error) {
    return error == EISDIR || error == ENOTSUP || error == EFBIG;
}

// A line break inside a text would split its line in the file and let the rest pass for an
// entry of its own.
std::string OneLine(std::string text) {
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

} // namespace

CPhonebook::CPhonebook() {
    const std::string path = GetPhonebookPath();
    // What a copy killed in the middle of a save left behind.
    platform::RemoveStaleTemporaries(path);
    int error;
    {
        std::lock_guard lock(m_mutex);
        error = LoadLocked(path);
    }
    ReportLoadFailure(error);
}

void CPhonebook::Load() {
    const std::string path = GetPhonebookPath();
    int error;
    {
        std::lock_guard lock(m_mutex);
        error = LoadLocked(path);
    }
    ReportLoadFailure(error);
}

int CPhonebook::LoadLocked(const std::string& path) {
    // Unchanged since it was last read or saved: merging it again would change nothing.
    if (m_fileSeen.Matches(path))
        return 0;
    // Taken before reading, so a change made meanwhile shows at the next load.
    m_fileSeen = platform::FileIdentity::Of(path);
    const ReadResult read = ForEachLine(path, [this](std::string_view line) {
        const std::size_t start = line.find_first_not_of(';');
        if (start == std::string_view::npos)
            return;
        const std::size_t separator = line.find(';', start);
        if (separator == std::string_view::npos || separator + 1 == line.size())
            return;
        // The first line for a number wins, and so does an entry already in memory.
        m_map.Add(line.substr(start, separator - start), line.substr(separator + 1));
    });

    // Told once, until the file can be read again.
    int tell = 0;
    if (!Unusable(read.error) || read.opened)
        m_unusableTold = 0;
    else if (std::exchange(m_unusableTold, read.error) != read.error)
        tell = read.error;

    if (read.error != 0) {
        m_fileSeen = {};
        // A country line read before the error is not applied, and must not stay behind as
        // an entry either.
        if (read.opened)
            m_map.Remove(kCountryKey);
        if (m_nCountry == -1)
            SetCountryLocked(0);
        return tell;
    }
    if (const std::string* country = m_map.Find(kCountryKey)) {
        const int value = ParseCountry(*country);
        m_map.Remove(kCountryKey);
        SetCountryLocked(value);
    } else if (m_nCountry != 0) {
        SetCountryLocked(0);
    }
    return 0;
}

void CPhonebook::Save() {
    const std::string path = GetPhonebookPath();
    int error;
    {
        std::lock_guard lock(m_mutex);
        error = SaveLocked(path);
    }
    if (error != 0)
        ReportSaveFailure(error);
}

int CPhonebook::SaveLocked(const std::string& path) {
    // A file too big to be read is not replaced by what little memory holds.
    struct stat st;
    if (stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
        static_cast<std::size_t>(st.st_size) > kMaxFileBytes)
        return EFBIG;
    std::size_t size = 32;
    for (const auto& [number, name] : m_map.Entries())
        size += number.size() + name.size() + 3;
    std::string text;
    text.reserve(size);
    for (const auto& [number, name] : m_map.Entries()) {
        text += number;
        text += ';';
        text += name;
        text += "\r\n";
    }
    text += "country;";
    text += std::to_string(m_nCountry);
    text += "\r\n";
    // After a failed save the file no longer holds what memory does: the next load reads it.
    return platform::ReplaceFile(path, text, &m_fileSeen);
}

void CPhonebook::ReportLoadFailure(int error) {
    if (error == 0)
        return;
    char buffer[256];
    const char* description = strerror_r(error, buffer, sizeof buffer);
    platform::TellUser(
        QCoreApplication::translate("Phonebook", "Erreur lors de la lecture de l'annuaire !!"),
        QStringLiteral("Tintorel"), platform::MsgIcon::Error);
    platform::TellUser(QString::fromLocal8Bit(description), {}, platform::MsgIcon::Error);
}

void CPhonebook::ReportSaveFailure(int error) {
    char buffer[256];
    const char* description = strerror_r(error, buffer, sizeof buffer);
    platform::TellUser(
        QCoreApplication::translate("Phonebook", "Erreur lors de l'ecriture de l'annuaire !!"),
        QStringLiteral("Tintorel"), platform::MsgIcon::Error);
    platform::TellUser(QString::fromLocal8Bit(description), {}, platform::MsgIcon::Error);
}

void CPhonebook::SetEntry(std::string number, std::string name) {
    number = OneLine(std::move(number));
    name = OneLine(std::move(name));
    const std::string path = GetPhonebookPath();
    int error;
    {
        std::lock_guard lock(m_mutex);
        // A file that is no phonebook can't be replaced either: the save's failure tells.
        LoadLocked(path);
        m_map.Set(std::move(number), std::move(name));
        error = SaveLocked(path);
    }
    if (error != 0)
        ReportSaveFailure(error);
}

void CPhonebook::RemoveEntry(std::string number) {
    const std::string path = GetPhonebookPath();
    int error;
    {
        std::lock_guard lock(m_mutex);
        // A file that is no phonebook can't be replaced either: the save's failure tells.
        LoadLocked(path);
        m_map.Remove(number);
        error = SaveLocked(path);
    }
    if (error != 0)
        ReportSaveFailure(error);
}

CPhonebook::MergeResult
CPhonebook::MergeEntries(const std::vector<std::pair<std::string, std::string>>& entries,
                         bool overwrite) {
    const std::string path = GetPhonebookPath();
    MergeResult result;
    std::lock_guard lock(m_mutex);
    // A file that is no phonebook fails the save too, and the caller tells of that.
    LoadLocked(path);
    // What puts memory back should the save fail: the number, and its old name if it had one.
    std::vector<std::pair<std::string, std::optional<std::string>>> undo;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        std::string number = OneLine(entries[i].first);
        if (const std::string* stored = m_map.Find(number)) {
            if (!overwrite) {
                result.kept.emplace_back(i, *stored);
                continue;
            }
            undo.emplace_back(number, *stored);
        } else {
            undo.emplace_back(number, std::nullopt);
        }
        m_map.Set(std::move(number), OneLine(entries[i].second));
    }
    result.error = SaveLocked(path);
    if (result.error != 0) {
        for (auto it = undo.rbegin(); it != undo.rend(); ++it) {
            if (it->second)
                m_map.Set(it->first, *it->second);
            else
                m_map.Remove(it->first);
        }
        result.kept.clear();
    }
    return result;
}

bool CPhonebook::FindEntry(std::string number, std::string& name) const {
    std::lock_guard lock(m_mutex);
    const std::string* found = m_map.Find(number);
    if (!found)
        return false;
    name = *found;
    return true;
}

bool CPhonebook::FindCaller(const std::string& number, NumberKind kind, std::string& name) const {
    std::lock_guard lock(m_mutex);
    if (const std::string* found = m_map.Find(number)) {
        name = *found;
        return true;
    }
    const PhonebookMap::Entry* entry =
        m_map.FindCanonical(CanonicalNumber(number, kind, m_nCountry));
    if (!entry)
        return false;
    name = entry->second;
    return true;
}

POSITION CPhonebook::GetStartPosition() const {
    std::lock_guard lock(m_mutex);
    if (m_map.Empty())
        return {};
    // A snapshot: the walk is not disturbed by changes made meanwhile on another thread.
    return {std::make_shared<const std::vector<PhonebookMap::Entry>>(m_map.Entries()), 0};
}

void CPhonebook::GetNextEntry(POSITION& pos, std::string& number, std::string& name) const {
    if (!pos) {
        pos = {};
        return;
    }
    const auto& entry = (*pos.snapshot)[pos.index++];
    number = entry.first;
    name = entry.second;
    if (pos.index >= pos.snapshot->size())
        pos = {};
}

int CPhonebook::GetCountry() const {
    std::lock_guard lock(m_mutex);
    return m_nCountry;
}

void CPhonebook::SetCountry(int country, bool save) {
    const std::string path = save ? GetPhonebookPath() : std::string();
    int error = 0;
    {
        std::lock_guard lock(m_mutex);
        if (SetCountryLocked(country) && save)
            error = SaveLocked(path);
        else if (!save)
            m_fileSeen = {}; // memory may now differ from the file: the next load applies it
    }
    if (error != 0)
        ReportSaveFailure(error);
}

bool CPhonebook::SetCountryLocked(int country) {
    // -1 ("not set") is never kept: a file that asks for it gets the Swiss directory, as any
    // other unknown value does, rather than an empty profile.
    if (country == m_nCountry && country != -1)
        return false;
    m_nCountry = country == 1 ? 1 : 0;
    m_map.SetCountry(m_nCountry);
    const Profile profile = DirectoryProfile(m_nCountry);
    m_strHost = profile.host;
    m_strRequest = profile.request;
    m_strTableMarker = profile.tableMarker;
    m_strRowMarker = profile.rowMarker;
    m_nMaxRowDistance = profile.maxRowDistance;
    m_strNameStart = profile.nameStart;
    m_strNameEnd = profile.nameEnd;
    return true;
}

CPhonebook::Profile CPhonebook::GetProfile() const {
    std::lock_guard lock(m_mutex);
    return {m_strHost,         m_strRequest,   m_strTableMarker, m_strRowMarker,
            m_nMaxRowDistance, m_strNameStart, m_strNameEnd};
}

CPhonebook* GetPhonebook() {
    static std::atomic<CPhonebook*> s_book{nullptr};
    if (CPhonebook* book = s_book.load(std::memory_order_acquire))
        return book;
    // Built outside any lock: loading may have to tell the user something on the GUI thread.
    // Should two threads race here, one store wins and the other is dropped unseen.
    auto* fresh = new CPhonebook();
    CPhonebook* expected = nullptr;
    if (s_book.compare_exchange_strong(expected, fresh, std::memory_order_acq_rel))
        return fresh;
    delete fresh;
    return expected;
}
