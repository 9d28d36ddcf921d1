#include "phonebook/Phonebook.h"

#include "phonebook/DirectoryProfiles.h"
#include "platform/FileLocations.h"
#include "platform/UserMessage.h"

#include <QString>

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

class Fd {
  public:
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd() {
        if (m_fd >= 0)
            close(m_fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return m_fd; }
    int release() { return std::exchange(m_fd, -1); }

  private:
    int m_fd;
};

enum class ReadStatus { Ok, CannotOpen, ReadError };

// Hands every line of the file to onLine: a line ends at LF, a CR right before the LF goes
// with it, the last line needs no end. Read in chunks so a huge file costs no more memory
// than its longest line.
template <class OnLine> ReadStatus ForEachLine(const std::string& path, OnLine&& onLine) {
    Fd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0)
        return ReadStatus::CannotOpen;
    struct stat st;
    std::size_t chunk = 1 << 16;
    if (fstat(fd.get(), &st) == 0 && st.st_size > 0)
        chunk = std::clamp<std::size_t>(static_cast<std::size_t>(st.st_size) + 1, chunk, 8 << 20);
    std::string buffer(chunk, '\0');
    std::string pending; // a line begun in an earlier chunk
    for (;;) {
        ssize_t n = read(fd.get(), buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return ReadStatus::ReadError; // a folder ends up here too (EISDIR)
        if (n == 0)
            break;
        const char* data = buffer.data();
        const char* end = data + n;
        while (const char* lf = static_cast<const char*>(std::memchr(data, '\n', end - data))) {
            std::string_view line(data, static_cast<std::size_t>(lf - data));
            if (!pending.empty()) {
                pending.append(line);
                line = pending;
            }
            if (!line.empty() && line.back() == '\r')
                line.remove_suffix(1);
            onLine(line);
            pending.clear();
            data = lf + 1;
        }
        pending.append(data, static_cast<std::size_t>(end - data));
    }
    if (!pending.empty())
        onLine(std::string_view(pending));
    return ReadStatus::Ok;
}

int WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : EIO;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return 0;
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Writes bytes over the file itself, truncating it first. Returns 0 or an errno.
int RewriteInPlace(const std::string& path, std::string_view bytes) {
    Fd file(open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (file.get() < 0)
        return errno;
    int error = WriteAll(file.get(), bytes);
    if (error == 0 && fsync(file.get()) != 0)
        error = errno;
    if (error == 0 && close(file.release()) != 0)
        error = errno;
    return error;
}

// Puts bytes in place of the file at path without ever leaving a partial file there: they go
// to a new file in the same folder, reach the disk, and a rename swaps it in. A writer killed
// at any instant leaves the old file or the new one, whole. Returns 0 or an errno.
int ReplaceFile(const std::string& path, std::string_view bytes) {
    std::string target = path;
    struct stat st;
    if (lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        // Replace the file the link points to, not the link.
        if (char* real = realpath(path.c_str(), nullptr)) {
            target = real;
            std::free(real);
        }
    }
    const bool keepMode = stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode);

    static std::atomic<unsigned> counter{0};
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = target + ".tmp-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
        fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && (errno == EACCES || errno == EPERM))
            // A folder we may not add files to can still hold a phonebook we may write: the
            // file is then rewritten where it stands, without the safety of the swap.
            return RewriteInPlace(target, bytes);
        if (fd < 0 && errno != EEXIST)
            return errno;
    }
    if (fd < 0)
        return EEXIST;
    Fd file(fd);
    int error = WriteAll(file.get(), bytes);
    if (error == 0 && keepMode && fchmod(file.get(), st.st_mode & 07777) != 0)
        error = errno;
    if (error == 0 && fsync(file.get()) != 0)
        error = errno;
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
    return 0;
}

// A line break inside a text would split its line in the file and let the rest pass for an
// entry of its own.
std::string OneLine(std::string text) {
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

} // namespace

CPhonebook::CPhonebook() {
    Load();
}

void CPhonebook::Load() {
    const std::string path = GetPhonebookPath();
    std::lock_guard lock(m_mutex);
    LoadLocked(path);
}

void CPhonebook::LoadLocked(const std::string& path) {
    const ReadStatus status = ForEachLine(path, [this](std::string_view line) {
        const std::size_t start = line.find_first_not_of(';');
        if (start == std::string_view::npos)
            return;
        const std::size_t separator = line.find(';', start);
        if (separator == std::string_view::npos || separator + 1 == line.size())
            return;
        // The first line for a number wins, and so does an entry already in memory.
        m_map.Add(line.substr(start, separator - start), line.substr(separator + 1));
    });

    if (status != ReadStatus::Ok) {
        // A country line read before the error is not applied, and must not stay behind as
        // an entry either.
        if (status == ReadStatus::ReadError)
            m_map.Remove(kCountryKey);
        if (m_nCountry == -1)
            SetCountryLocked(0);
        return;
    }
    if (const std::string* country = m_map.Find(kCountryKey)) {
        const int value = ParseCountry(*country);
        m_map.Remove(kCountryKey);
        SetCountryLocked(value);
    } else if (m_nCountry != 0) {
        SetCountryLocked(0);
    }
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
    return ReplaceFile(path, text);
}

void CPhonebook::ReportSaveFailure(int error) {
    char buffer[256];
    const char* description = strerror_r(error, buffer, sizeof buffer);
    platform::TellUser(QStringLiteral("Erreur lors de l'ecriture de l'annuaire !!"),
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

POSITION CPhonebook::GetStartPosition() const {
    std::lock_guard lock(m_mutex);
    if (m_map.empty())
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
