#include "platform/Registry.h"

#include "platform/AtomicFile.h"
#include "platform/LineSplitter.h"
#include "platform/RegistryFile.h"
#include "platform/RegularFile.h"
#include "platform/StaleTemporaries.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <optional>
#include <set>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

struct RegKey {
    std::vector<std::string> path; // parts below HKEY_LOCAL_MACHINE
    bool writable = false;
};

namespace {

using regfile::Hive;
using regfile::Key;

// Windows answers this for a handle whose key was deleted meanwhile.
constexpr LONG ERROR_KEY_DELETED = 1018;

RegKey g_hklm{{}, true};

// Live handles, so that a closed or foreign handle is refused instead of followed.
std::mutex g_handlesMutex;
std::set<const RegKey*> g_handles;

const std::vector<std::string> kRunPath = {"Software", "Microsoft", "Windows", "CurrentVersion",
                                           "Run"};

bool IsValid(HKEY key) {
    if (key == &g_hklm)
        return true;
    std::lock_guard lock(g_handlesMutex);
    return key && g_handles.count(key);
}

HKEY NewHandle(std::vector<std::string> path, bool writable) {
    auto* key = new RegKey{std::move(path), writable};
    std::lock_guard lock(g_handlesMutex);
    g_handles.insert(key);
    return key;
}

bool WantsWrite(DWORD access) {
    return (access & 0x6) != 0;
} // KEY_SET_VALUE | KEY_CREATE_SUB_KEY

bool IsRunPath(const std::vector<std::string>& path) {
    if (path.size() != kRunPath.size())
        return false;
    for (std::size_t i = 0; i < path.size(); ++i)
        if (!regfile::EqualNoCase(path[i], kRunPath[i]))
            return false;
    return true;
}

// The Run key and its parents always exist, as on any Windows machine.
bool IsRunOrAncestor(const std::vector<std::string>& path) {
    if (path.empty() || path.size() > kRunPath.size())
        return false;
    for (std::size_t i = 0; i < path.size(); ++i)
        if (!regfile::EqualNoCase(path[i], kRunPath[i]))
            return false;
    return true;
}

std::string ConfigHome() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && *xdg)
        return xdg;
    const char* home = std::getenv("HOME");
    if (home && *home)
        return std::string(home) + "/.config";
    return {};
}

std::string RegistryPath() {
    const char* explicitPath = std::getenv("TINTOREL_REGISTRY");
    if (explicitPath && *explicitPath)
        return explicitPath;
    std::string config = ConfigHome();
    return config.empty() ? std::string() : config + "/tintorel/registry.reg";
}

std::string AutostartDir() {
    std::string config = ConfigHome();
    return config.empty() ? std::string() : config + "/autostart";
}

// A settings file holds a few values; anything near these is not ours to read.
constexpr std::size_t kMaxRegistryBytes = std::size_t{16} << 20;
constexpr std::size_t kMaxAutostartBytes = std::size_t{1} << 20;

// The file's bytes, or nothing; error, when given, says why (ENOENT: there is no file).
std::optional<std::string> ReadWholeFile(const std::string& path, std::size_t maxBytes,
                                         int* error = nullptr) {
    std::string bytes;
    const int failed = ReadRegularFile(path, maxBytes, bytes);
    if (error)
        *error = failed;
    if (failed != 0)
        return std::nullopt;
    return bytes;
}

// The folder is made first; readers see the old or the new file whole.
bool WriteFileAtomic(const std::string& path, const std::string& content) {
    std::error_code ec;
    std::filesystem::path target(path);
    if (target.has_parent_path())
        std::filesystem::create_directories(target.parent_path(), ec);
    // What a copy killed while writing left behind, once per run and file.
    static std::mutex mutex;
    static std::set<std::string> cleared;
    {
        std::lock_guard lock(mutex);
        if (cleared.insert(path).second)
            RemoveStaleTemporaries(path);
    }
    return ReplaceFile(path, content) == 0;
}

// Serialises writers between processes (and threads): held across read-modify-write.
class WriteLock {
  public:
    WriteLock() {
        std::string path = RegistryPath();
        if (path.empty())
            return;
        std::error_code ec;
        std::filesystem::path p(path);
        if (p.has_parent_path())
            std::filesystem::create_directories(p.parent_path(), ec);
        m_fd = ::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (m_fd < 0)
            return;
        while (::flock(m_fd, LOCK_EX) != 0) {
            if (errno != EINTR) {
                ::close(m_fd);
                m_fd = -1;
                return;
            }
        }
    }
    ~WriteLock() {
        if (m_fd >= 0)
            ::close(m_fd); // releases the lock
    }
    WriteLock(const WriteLock&) = delete;
    WriteLock& operator=(const WriteLock&) = delete;
    bool Held() const { return m_fd >= 0; }

  private:
    int m_fd = -1;
};

// The hive as the file holds it now. readable, when given, is false for a file that is there
// but can't be read (no regular file, too big, no right): writing it would lose what it holds.
Hive LoadHive(bool* readable = nullptr) {
    Hive hive;
    std::string path = RegistryPath();
    if (readable)
        *readable = true;
    if (!path.empty()) {
        int error = 0;
        if (auto text = ReadWholeFile(path, kMaxRegistryBytes, &error))
            hive = regfile::Parse(*text);
        else if (readable)
            *readable = error == ENOENT;
    }
    if (hive.root.name.empty())
        hive.root.name = "HKEY_LOCAL_MACHINE";
    Key* key = &hive.root;
    for (const auto& part : kRunPath)
        key = &key->AddChild(part);
    return hive;
}

bool SaveHive(const Hive& hive) {
    std::string path = RegistryPath();
    return !path.empty() && WriteFileAtomic(path, regfile::Serialize(hive));
}

Key* Find(const Hive& hive, const std::vector<std::string>& path) {
    Key* key = const_cast<Key*>(&hive.root);
    for (const auto& part : path) {
        key = key->Child(part);
        if (!key)
            return nullptr;
    }
    return key;
}

std::vector<std::string> Join(const RegKey* parent, const std::string& subKey) {
    std::vector<std::string> path = parent->path;
    for (auto& part : regfile::SplitPath(subKey))
        path.push_back(std::move(part));
    return path;
}

bool HasLineBreakOrNul(const std::string& s) {
    return s.find_first_of(std::string("\r\n\0", 3)) != std::string::npos;
}

// --- The Run key: one XDG autostart entry per value ---------------------------------------

bool ValidAutostartName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           !HasLineBreakOrNul(name);
}

std::string AutostartFile(const std::string& name) {
    std::string lower = name;
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return AutostartDir() + "/" + lower + ".desktop";
}

// Exec= is a command line: a text holding characters the desktop reserves becomes one quoted
// argument, so the entry starts that program and the text reads back byte for byte.
std::string ExecFromText(const std::string& text) {
    std::string arg;
    for (char c : text)
        arg += c == '%' ? std::string("%%") : std::string(1, c);
    static const std::string reserved(" \t\n\"'\\><~|&;$*?#()`");
    if (arg.find_first_of(reserved) != std::string::npos) {
        std::string quoted = "\"";
        for (char c : arg) {
            if (c == '"' || c == '`' || c == '$' || c == '\\')
                quoted += '\\';
            quoted += c;
        }
        arg = quoted + "\"";
    }
    std::string out;
    for (char c : arg) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\t')
            out += "\\t";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    return out;
}

std::string TextFromExec(const std::string& exec) {
    std::string s;
    for (std::size_t i = 0; i < exec.size(); ++i) {
        char c = exec[i];
        if (c == '\\' && i + 1 < exec.size()) {
            char e = exec[++i];
            s += e == 's' ? ' ' : e == 'n' ? '\n' : e == 't' ? '\t' : e == 'r' ? '\r' : e;
        } else {
            s += c;
        }
    }
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"') {
        std::string inner;
        for (std::size_t i = 1; i + 1 < s.size(); ++i) {
            if (s[i] == '\\' && i + 2 < s.size())
                ++i;
            inner += s[i];
        }
        s = inner;
    }
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        out += s[i];
        if (s[i] == '%' && i + 1 < s.size() && s[i + 1] == '%')
            ++i;
    }
    return out;
}

std::optional<std::string> ReadAutostart(const std::string& name) {
    if (!ValidAutostartName(name))
        return std::nullopt;
    auto content = ReadWholeFile(AutostartFile(name), kMaxAutostartBytes);
    if (!content)
        return std::nullopt;
    LineSplitter lines(*content);
    std::string_view line;
    bool inEntry = false;
    while (lines.Next(line)) {
        if (!line.empty() && line[0] == '[')
            inEntry = line == "[Desktop Entry]";
        else if (inEntry && line.starts_with("Exec="))
            return TextFromExec(std::string(line.substr(5)));
    }
    return std::nullopt;
}

LONG QueryAutostart(const std::string& name, DWORD* type, BYTE* data, DWORD* size) {
    auto text = ReadAutostart(name);
    if (!text)
        return ERROR_FILE_NOT_FOUND;
    std::string value = *text;
    value += '\0';
    if (type)
        *type = REG_SZ;
    if (!size)
        return data ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
    DWORD needed = static_cast<DWORD>(value.size());
    if (data && *size < needed) {
        *size = needed;
        return ERROR_MORE_DATA;
    }
    if (data)
        std::memcpy(data, value.data(), value.size());
    *size = needed;
    return ERROR_SUCCESS;
}

LONG SetAutostart(const std::string& name, DWORD type, const BYTE* data, DWORD size) {
    if (!ValidAutostartName(name) || (type != REG_SZ && type != REG_EXPAND_SZ))
        return ERROR_INVALID_PARAMETER;
    std::string text(reinterpret_cast<const char*>(data), size);
    text = text.substr(0, text.find('\0'));
    if (AutostartDir().empty())
        return ERROR_ACCESS_DENIED;
    std::string entry = "[Desktop Entry]\nType=Application\nName=" + name +
                        "\nExec=" + ExecFromText(text) + "\nX-GNOME-Autostart-enabled=true\n";
    WriteLock lock;
    return WriteFileAtomic(AutostartFile(name), entry) ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

LONG DeleteAutostart(const std::string& name) {
    if (!ValidAutostartName(name))
        return ERROR_FILE_NOT_FOUND;
    WriteLock lock;
    std::string file = AutostartFile(name);
    if (::unlink(file.c_str()) == 0)
        return ERROR_SUCCESS;
    return errno == ENOENT ? ERROR_FILE_NOT_FOUND : ERROR_ACCESS_DENIED;
}

// Changes one key's values under the write lock, on the file as it is now, and saves the
// result when edit succeeds.
template <typename Edit> LONG EditKey(HKEY key, Edit edit) {
    WriteLock lock;
    bool readable = true;
    Hive hive = LoadHive(&readable);
    if (!lock.Held() || !readable)
        return ERROR_ACCESS_DENIED;
    Key* node = Find(hive, key->path);
    if (!node)
        return ERROR_KEY_DELETED;
    const LONG result = edit(*node);
    if (result != ERROR_SUCCESS)
        return result;
    return SaveHive(hive) ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

} // namespace

HKEY const HKEY_LOCAL_MACHINE = &g_hklm;

LONG RegOpenKeyEx(HKEY parent, const std::string& subKey, DWORD access, HKEY* result) {
    if (!result)
        return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    if (!IsValid(parent))
        return ERROR_INVALID_HANDLE;
    std::vector<std::string> path = Join(parent, subKey);
    Hive hive = LoadHive();
    if (!Find(hive, parent->path))
        return ERROR_KEY_DELETED;
    if (!Find(hive, path))
        return ERROR_FILE_NOT_FOUND;
    *result = NewHandle(std::move(path), WantsWrite(access));
    return ERROR_SUCCESS;
}

LONG RegCreateKeyEx(HKEY parent, const std::string& subKey, DWORD access, HKEY* result) {
    if (!result)
        return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    if (!IsValid(parent))
        return ERROR_INVALID_HANDLE;
    if (HasLineBreakOrNul(subKey))
        return ERROR_INVALID_PARAMETER;
    std::vector<std::string> path = Join(parent, subKey);
    WriteLock lock;
    bool readable = true;
    Hive hive = LoadHive(&readable);
    Key* key = Find(hive, parent->path);
    if (!key)
        return ERROR_KEY_DELETED;
    bool changed = false;
    for (std::size_t i = parent->path.size(); i < path.size(); ++i) {
        Key* child = key->Child(path[i]);
        if (!child) {
            child = &key->AddChild(path[i]);
            child->persisted = true;
            changed = true;
        }
        key = child;
    }
    if (!key->persisted && !IsRunOrAncestor(path)) {
        key->persisted = true;
        changed = true;
    }
    if (changed) {
        if (!parent->writable)
            return ERROR_ACCESS_DENIED;
        if (!lock.Held() || !readable || !SaveHive(hive))
            return ERROR_ACCESS_DENIED;
    }
    *result = NewHandle(std::move(path), WantsWrite(access));
    return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key) {
    if (key == &g_hklm)
        return ERROR_SUCCESS;
    {
        std::lock_guard lock(g_handlesMutex);
        if (!key || !g_handles.erase(key))
            return ERROR_INVALID_HANDLE;
    }
    delete key;
    return ERROR_SUCCESS;
}

LONG RegQueryValueEx(HKEY key, const std::string& name, DWORD* type, BYTE* data, DWORD* size) {
    if (!IsValid(key))
        return ERROR_INVALID_HANDLE;
    if (data && !size)
        return ERROR_INVALID_PARAMETER;
    if (IsRunPath(key->path))
        return QueryAutostart(name, type, data, size);
    Hive hive = LoadHive();
    Key* node = Find(hive, key->path);
    if (!node)
        return ERROR_KEY_DELETED;
    auto it = node->values.find(name);
    if (it == node->values.end())
        return ERROR_FILE_NOT_FOUND;
    const regfile::Value& value = it->second;
    if (type)
        *type = value.type;
    if (!size)
        return ERROR_SUCCESS;
    DWORD needed = static_cast<DWORD>(value.data.size());
    if (data && *size < needed) {
        *size = needed;
        return ERROR_MORE_DATA;
    }
    if (data)
        std::memcpy(data, value.data.data(), value.data.size());
    *size = needed;
    return ERROR_SUCCESS;
}

LONG RegSetValueEx(HKEY key, const std::string& name, DWORD type, const BYTE* data, DWORD size) {
    if (!IsValid(key))
        return ERROR_INVALID_HANDLE;
    if (!key->writable)
        return ERROR_ACCESS_DENIED;
    if ((!data && size) || HasLineBreakOrNul(name))
        return ERROR_INVALID_PARAMETER;
    if (IsRunPath(key->path))
        return SetAutostart(name, type, data, size);
    return EditKey(key, [&](Key& node) {
        regfile::Value& value = node.values[name];
        value.type = type;
        value.data.assign(reinterpret_cast<const char*>(data), data ? size : 0);
        return ERROR_SUCCESS;
    });
}

LONG RegDeleteValue(HKEY key, const std::string& name) {
    if (!IsValid(key))
        return ERROR_INVALID_HANDLE;
    if (!key->writable)
        return ERROR_ACCESS_DENIED;
    if (IsRunPath(key->path))
        return DeleteAutostart(name);
    return EditKey(key, [&](Key& node) {
        return node.values.erase(name) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
    });
}

LONG RegEnumKeyEx(HKEY key, DWORD index, char* name, DWORD* nameSize) {
    if (!IsValid(key))
        return ERROR_INVALID_HANDLE;
    if (!name || !nameSize)
        return ERROR_INVALID_PARAMETER;
    Hive hive = LoadHive();
    Key* node = Find(hive, key->path);
    if (!node)
        return ERROR_KEY_DELETED;
    if (index >= node->children.size())
        return ERROR_NO_MORE_ITEMS;
    auto it = node->children.begin();
    std::advance(it, index);
    const std::string& childName = it->second->name;
    if (childName.size() + 1 > *nameSize)
        return ERROR_MORE_DATA;
    std::memcpy(name, childName.c_str(), childName.size() + 1);
    *nameSize = static_cast<DWORD>(childName.size());
    return ERROR_SUCCESS;
}

LONG RegDeleteKey(HKEY parent, const std::string& subKey) {
    if (!IsValid(parent))
        return ERROR_INVALID_HANDLE;
    std::vector<std::string> path = Join(parent, subKey);
    if (path.size() == parent->path.size())
        return ERROR_INVALID_PARAMETER;
    WriteLock lock;
    bool readable = true;
    Hive hive = LoadHive(&readable);
    if (!lock.Held() || !readable)
        return ERROR_ACCESS_DENIED;
    if (!Find(hive, parent->path))
        return ERROR_KEY_DELETED;
    Key* node = Find(hive, path);
    if (!node)
        return ERROR_FILE_NOT_FOUND;
    if (!node->children.empty() || IsRunOrAncestor(path))
        return ERROR_ACCESS_DENIED;
    // The parents stay, even those only implied by this key's section.
    Key* above = &hive.root;
    for (std::size_t i = 0; i + 1 < path.size(); ++i) {
        above = above->Child(path[i]);
        above->persisted = true;
    }
    above->children.erase(path.back());
    return SaveHive(hive) ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

LONG EnumKeyValues(HKEY key, std::vector<RegValue>& values) {
    values.clear();
    if (!IsValid(key))
        return ERROR_INVALID_HANDLE;
    if (IsRunPath(key->path))
        return ERROR_SUCCESS;
    Hive hive = LoadHive();
    Key* node = Find(hive, key->path);
    if (!node)
        return ERROR_KEY_DELETED;
    values.reserve(node->values.size());
    for (const auto& [name, value] : node->values)
        values.push_back({name, value.type, value.data});
    return ERROR_SUCCESS;
}

LONG DeleteKeyTree(HKEY parent, const std::string& subKey) {
    HKEY key = nullptr;
    const LONG opened = RegOpenKeyEx(parent, subKey, KEY_READ | KEY_WRITE, &key);
    if (opened != ERROR_SUCCESS)
        return opened;

    for (;;) {
        char name[256];
        name[0] = '\0';
        DWORD nameSize = sizeof name;
        if (RegEnumKeyEx(key, 0, name, &nameSize) != ERROR_SUCCESS)
            break;
        const std::string child(name, std::min<std::size_t>(nameSize, sizeof name - 1));
        const LONG result = DeleteKeyTree(key, child);
        if (result != ERROR_SUCCESS) {
            RegCloseKey(key);
            return result;
        }
    }
    RegCloseKey(key);
    return RegDeleteKey(parent, subKey);
}

bool RestrictRegistryFile() {
    const std::string path = RegistryPath();
    if (path.empty())
        return false;
    WriteLock lock;
    std::error_code ec;
    const std::filesystem::path target(ReplacementTarget(path));
    if (target.has_parent_path())
        std::filesystem::create_directories(target.parent_path(), ec);
    // Non-blocking: a FIFO in the file's place must not hold the caller.
    const int fd = ::open(target.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0600);
    if (fd < 0)
        return false;
    struct stat st;
    const bool restricted =
        ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
        ((st.st_mode & 07777) == (S_IRUSR | S_IWUSR) || ::fchmod(fd, S_IRUSR | S_IWUSR) == 0);
    ::close(fd);
    return restricted;
}

} // namespace platform
