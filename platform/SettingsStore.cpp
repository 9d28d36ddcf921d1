#include "platform/SettingsStore.h"

#include "platform/Registry.h"

#include <vector>

namespace platform::settings_store {

namespace {

const std::string kProgramKey = "Software\\Tintorel\\";
const char* const kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run\\";
const char* const kRunValue = "Tintorel";

// A key opened for the life of the object.
class Key {
  public:
    Key(const std::string& path, DWORD access, bool create) {
        const LONG result = create ? RegCreateKeyEx(HKEY_LOCAL_MACHINE, path, access, &m_key)
                                   : RegOpenKeyEx(HKEY_LOCAL_MACHINE, path, access, &m_key);
        if (result != ERROR_SUCCESS)
            m_key = nullptr;
    }
    ~Key() {
        if (m_key)
            RegCloseKey(m_key);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    HKEY get() const { return m_key; }

  private:
    HKEY m_key = nullptr;
};

// The whole value, read at its full size.
bool QueryWhole(HKEY key, const std::string& name, DWORD& type, std::vector<BYTE>& data) {
    DWORD size = 0;
    if (RegQueryValueEx(key, name, &type, nullptr, &size) != ERROR_SUCCESS)
        return false;
    data.assign(size, 0);
    return RegQueryValueEx(key, name, &type, data.data(), &size) == ERROR_SUCCESS &&
           size == data.size();
}

// A proper string: NUL-terminated REG_SZ or REG_EXPAND_SZ, or (multi) a REG_MULTI_SZ ending in
// two NULs; its first string.
std::optional<std::string> StringOf(DWORD type, const std::vector<BYTE>& data, bool multi) {
    bool proper = false;
    if (type == REG_SZ || type == REG_EXPAND_SZ)
        proper = !data.empty() && data.back() == 0;
    else if (multi && type == REG_MULTI_SZ)
        proper = data.size() >= 2 && data[data.size() - 1] == 0 && data[data.size() - 2] == 0;
    if (!proper)
        return std::nullopt;
    return std::string(reinterpret_cast<const char*>(data.data()));
}

bool Write(const std::string& name, DWORD type, const BYTE* data, DWORD size) {
    Key key(kProgramKey, KEY_READ | KEY_WRITE, true);
    return key.get() && RegSetValueEx(key.get(), name, type, data, size) == ERROR_SUCCESS;
}

} // namespace

std::optional<std::uint32_t> ReadNumber(const std::string& name) {
    Key key(kProgramKey, KEY_READ, false);
    if (!key.get())
        return std::nullopt;
    std::uint32_t value = 0;
    DWORD type = 0;
    DWORD size = sizeof value;
    if (RegQueryValueEx(key.get(), name, &type, reinterpret_cast<BYTE*>(&value), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof value)
        return std::nullopt;
    return value;
}

std::optional<std::string> ReadText(const std::string& name) {
    Key key(kProgramKey, KEY_READ, false);
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
    if (!key.get() || !QueryWhole(key.get(), name, type, data))
        return std::nullopt;
    return StringOf(type, data, false);
}

bool WriteNumber(const std::string& name, std::uint32_t value) {
    return Write(name, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

bool WriteText(const std::string& name, const std::string& text) {
    return Write(name, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                 static_cast<DWORD>(text.size() + 1));
}

bool DeleteValue(const std::string& name) {
    Key key(kProgramKey, KEY_READ | KEY_WRITE, false);
    return key.get() && RegDeleteValue(key.get(), name) == ERROR_SUCCESS;
}

std::vector<std::pair<std::string, std::string>> ReadSubkeyTexts(const std::string& subKey) {
    std::vector<std::pair<std::string, std::string>> texts;
    Key key(kProgramKey + subKey, KEY_READ, false);
    std::vector<RegValue> values;
    if (!key.get() || EnumKeyValues(key.get(), values) != ERROR_SUCCESS)
        return texts;
    for (RegValue& value : values) {
        const std::vector<BYTE> data(value.data.begin(), value.data.end());
        if (std::optional<std::string> text = StringOf(value.type, data, false))
            texts.emplace_back(std::move(value.name), std::move(*text));
    }
    return texts;
}

bool WriteSubkeyText(const std::string& subKey, const std::string& name, const std::string& text) {
    Key key(kProgramKey + subKey, KEY_READ | KEY_WRITE, true);
    return key.get() &&
           RegSetValueEx(key.get(), name, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                         static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
}

bool DeleteSubkeyValue(const std::string& subKey, const std::string& name) {
    Key key(kProgramKey + subKey, KEY_READ | KEY_WRITE, false);
    return key.get() && RegDeleteValue(key.get(), name) == ERROR_SUCCESS;
}

bool DeleteProgramKey() {
    Key software("Software\\", KEY_READ | KEY_WRITE, false);
    return software.get() && DeleteKeyTree(software.get(), "Tintorel") == ERROR_SUCCESS;
}

std::optional<std::string> ReadAutostart() {
    Key key(kRunKey, KEY_READ, false);
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
    if (!key.get() || !QueryWhole(key.get(), kRunValue, type, data) || data.empty())
        return std::nullopt;
    return StringOf(type, data, true);
}

void WriteAutostart(const std::optional<std::string>& command) {
    Key key(kRunKey, KEY_READ | KEY_WRITE, false);
    if (!key.get())
        return;
    if (!command)
        RegDeleteValue(key.get(), kRunValue);
    else
        RegSetValueEx(key.get(), kRunValue, REG_SZ, reinterpret_cast<const BYTE*>(command->c_str()),
                      static_cast<DWORD>(command->size() + 1));
}

} // namespace platform::settings_store
