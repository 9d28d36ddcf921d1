#include "platform/Registry.h"
#include "platform/RegistryFile.h"
#include "tests/support/InChild.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace platform;
using namespace std::string_literals;

namespace {

const std::string kSettings = "Software\\Tintorel";
const std::string kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

class RegistryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/tintorel-reg-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        m_dir = tmpl;
        setenv("HOME", m_dir.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (m_dir + "/config").c_str(), 1);
        setenv("TINTOREL_REGISTRY", RegFile().c_str(), 1);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    std::string RegFile() const { return m_dir + "/registry.reg"; }
    std::string Autostart() const { return m_dir + "/config/autostart/tintorel.desktop"; }

    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static void Write(const std::string& path, const std::string& bytes) {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << bytes;
    }

    static LONG Set(HKEY key, const std::string& name, DWORD type, const std::string& data) {
        return RegSetValueEx(key, name, type, reinterpret_cast<const BYTE*>(data.data()),
                             static_cast<DWORD>(data.size()));
    }
    // Type and bytes of a value, or the error code as type when the query fails.
    static std::pair<DWORD, std::string> Get(HKEY key, const std::string& name) {
        DWORD type = 0;
        DWORD size = 0;
        LONG rc = RegQueryValueEx(key, name, &type, nullptr, &size);
        if (rc != ERROR_SUCCESS)
            return {0x80000000u | static_cast<DWORD>(rc), {}};
        std::string data(size, '\0');
        rc = RegQueryValueEx(key, name, &type, reinterpret_cast<BYTE*>(data.data()), &size);
        if (rc != ERROR_SUCCESS)
            return {0x80000000u | static_cast<DWORD>(rc), {}};
        data.resize(size);
        return {type, data};
    }
    // The read rule of AutoConnect: a DWORD or nothing.
    static std::uint32_t ReadDword(const std::string& keyName, const std::string& name) {
        HKEY key = nullptr;
        if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, keyName, KEY_READ, &key) != ERROR_SUCCESS)
            return 0;
        std::uint32_t value = 0;
        DWORD type = 0;
        DWORD size = sizeof value;
        LONG rc = RegQueryValueEx(key, name, &type, reinterpret_cast<BYTE*>(&value), &size);
        RegCloseKey(key);
        return rc == ERROR_SUCCESS && type == REG_DWORD ? value : 0;
    }
    static LONG DeleteTree(HKEY parent, const std::string& name) {
        HKEY key = nullptr;
        LONG rc = RegOpenKeyEx(parent, name, KEY_ALL_ACCESS, &key);
        if (rc != ERROR_SUCCESS)
            return rc;
        char sub[256];
        DWORD size = sizeof sub;
        while (RegEnumKeyEx(key, 0, sub, &size) == ERROR_SUCCESS) {
            rc = DeleteTree(key, sub);
            if (rc != ERROR_SUCCESS) {
                RegCloseKey(key);
                return rc;
            }
            size = sizeof sub;
        }
        RegCloseKey(key);
        return RegDeleteKey(parent, name);
    }

    std::string m_dir;
};

TEST_F(RegistryTest, ValuesKeepTheirTypesAndBytesAcrossOpens) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, kSettings + "\\", KEY_ALL_ACCESS, &key),
              ERROR_SUCCESS);
    const std::string dword("\x01\x00\x00\x80", 4);
    const std::string sz = "C:\\Program Files\\\"t\"\xe9\0"s;
    const std::string expand("%HOME%\\x\0", 9);
    const std::string multi("a\0b c\0\0", 7);
    const std::string binary("\x00\xff\r\n", 4);
    const std::string lineBreak("two\r\nlines\0", 11);
    const std::string noNul("abc", 3);
    EXPECT_EQ(Set(key, "AutoConnect", REG_DWORD, dword), ERROR_SUCCESS);
    EXPECT_EQ(Set(key, "Sz", REG_SZ, sz), ERROR_SUCCESS);
    EXPECT_EQ(Set(key, "Expand", REG_EXPAND_SZ, expand), ERROR_SUCCESS);
    EXPECT_EQ(Set(key, "Multi", REG_MULTI_SZ, multi), ERROR_SUCCESS);
    EXPECT_EQ(Set(key, "Bin", REG_BINARY, binary), ERROR_SUCCESS);
    EXPECT_EQ(Set(key, "Break", REG_SZ, lineBreak), ERROR_SUCCESS);
    EXPECT_EQ(Set(key, "NoNul", REG_SZ, noNul), ERROR_SUCCESS);
    EXPECT_EQ(Set(key, "", REG_SZ, std::string("default\0", 8)), ERROR_SUCCESS);
    EXPECT_EQ(Set(key, "Empty", REG_BINARY, ""), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);

    const std::string text = Read(RegFile());
    EXPECT_EQ(text.rfind("REGEDIT4\n", 0), 0u) << text;
    EXPECT_NE(text.find("[HKEY_LOCAL_MACHINE\\Software\\Tintorel]\n"), std::string::npos);
    EXPECT_NE(text.find("\"AutoConnect\"=dword:80000001\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\"Sz\"=\"C:\\\\Program Files\\\\\\\"t\\\"\xe9\"\n"), std::string::npos);

    // Names of keys and values are matched without regard to case, as on Windows.
    ASSERT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "software\\TINTOREL", KEY_READ, &key),
              ERROR_SUCCESS);
    EXPECT_EQ(Get(key, "autoconnect"), std::make_pair(REG_DWORD, dword));
    EXPECT_EQ(Get(key, "Sz"), std::make_pair(REG_SZ, sz));
    EXPECT_EQ(Get(key, "Expand"), std::make_pair(REG_EXPAND_SZ, expand));
    EXPECT_EQ(Get(key, "Multi"), std::make_pair(REG_MULTI_SZ, multi));
    EXPECT_EQ(Get(key, "Bin"), std::make_pair(REG_BINARY, binary));
    EXPECT_EQ(Get(key, "Break"), std::make_pair(REG_SZ, lineBreak));
    EXPECT_EQ(Get(key, "NoNul"), std::make_pair(REG_SZ, noNul));
    EXPECT_EQ(Get(key, ""), std::make_pair(REG_SZ, std::string("default\0", 8)));
    EXPECT_EQ(Get(key, "Empty"), std::make_pair(REG_BINARY, std::string()));

    // A buffer too small: ERROR_MORE_DATA with the size needed, and the buffer left alone.
    char small[4] = {'x', 'x', 'x', 'x'};
    DWORD size = sizeof small;
    EXPECT_EQ(RegQueryValueEx(key, "Sz", nullptr, reinterpret_cast<BYTE*>(small), &size),
              ERROR_MORE_DATA);
    EXPECT_EQ(size, sz.size());
    EXPECT_EQ(std::string(small, 4), "xxxx");
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(ReadDword(kSettings, "AutoConnect"), 0x80000001u);
}

TEST_F(RegistryTest, WrongTypeMissingKeysAndHandlesGiveWindowsErrors) {
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, kSettings, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key, nullptr);
    EXPECT_EQ(ReadDword(kSettings, "AutoConnect"), 0u);
    EXPECT_FALSE(std::filesystem::exists(RegFile())); // reading creates nothing

    ASSERT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, kSettings, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    EXPECT_EQ(Set(key, "AutoConnect", REG_SZ, std::string("1\0", 2)), ERROR_SUCCESS);
    EXPECT_EQ(ReadDword(kSettings, "AutoConnect"), 0u); // a string is not a DWORD
    EXPECT_EQ(Set(key, "AutoConnect", REG_BINARY, std::string("\x01\0\0\0", 4)), ERROR_SUCCESS);
    EXPECT_EQ(ReadDword(kSettings, "AutoConnect"), 0u);
    EXPECT_EQ(Set(key, "AutoConnect", REG_DWORD, std::string("\x05\0\0\0", 4)), ERROR_SUCCESS);
    EXPECT_EQ(ReadDword(kSettings, "AutoConnect"), 5u);
    EXPECT_EQ(RegDeleteValue(key, "Missing"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteValue(key, "AutoConnect"), ERROR_SUCCESS);
    EXPECT_EQ(Get(key, "AutoConnect").first, 0x80000000u | ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(nullptr), ERROR_INVALID_HANDLE);

    // Read access refuses writes; the key stays as it was.
    ASSERT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, kSettings, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(Set(key, "AutoConnect", REG_DWORD, std::string(4, '\0')), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteValue(key, "AutoConnect"), ERROR_ACCESS_DENIED);

    // A key deleted behind an open handle.
    EXPECT_EQ(RegDeleteKey(HKEY_LOCAL_MACHINE, kSettings), ERROR_SUCCESS);
    EXPECT_NE(Get(key, "AutoConnect").first & 0x80000000u, 0u);
    RegCloseKey(key);
    EXPECT_EQ(RegDeleteKey(HKEY_LOCAL_MACHINE, kSettings), ERROR_FILE_NOT_FOUND);

    // The Run key and its parents exist on a fresh machine and can't be deleted.
    ASSERT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, kRun + "\\", KEY_READ, &key), ERROR_SUCCESS);
    RegCloseKey(key);
    ASSERT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "Software", KEY_READ, &key), ERROR_SUCCESS);
    char name[256];
    DWORD size = sizeof name;
    ASSERT_EQ(RegEnumKeyEx(key, 0, name, &size), ERROR_SUCCESS);
    EXPECT_STREQ(name, "Microsoft");
    EXPECT_EQ(size, 9u);
    size = 4;
    EXPECT_EQ(RegEnumKeyEx(key, 0, name, &size), ERROR_MORE_DATA);
    size = sizeof name;
    EXPECT_EQ(RegEnumKeyEx(key, 1, name, &size), ERROR_NO_MORE_ITEMS);
    RegCloseKey(key);
    EXPECT_EQ(RegDeleteKey(HKEY_LOCAL_MACHINE, kRun), ERROR_ACCESS_DENIED);
}

TEST_F(RegistryTest, DeletingAKeyTreeTakesEverySubkeyAndNothingElse) {
    HKEY key = nullptr;
    for (const char* path : {"Software\\Tintorel\\B\\Deep\\Deeper", "Software\\Tintorel\\A",
                             "Software\\Tintorel\\C", "Software\\Other"}) {
        ASSERT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, path, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
        EXPECT_EQ(Set(key, "v", REG_SZ, std::string(path) + '\0'), ERROR_SUCCESS);
        RegCloseKey(key);
    }
    // Only a key without subkeys can be deleted in one go.
    EXPECT_EQ(RegDeleteKey(HKEY_LOCAL_MACHINE, kSettings), ERROR_ACCESS_DENIED);

    ASSERT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, kSettings, KEY_READ, &key), ERROR_SUCCESS);
    std::vector<std::string> names;
    char name[256];
    for (DWORD i = 0;; ++i) {
        DWORD size = sizeof name;
        if (RegEnumKeyEx(key, i, name, &size) != ERROR_SUCCESS)
            break;
        names.push_back(name);
    }
    RegCloseKey(key);
    EXPECT_EQ(names, (std::vector<std::string>{"A", "B", "C"}));

    ASSERT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\", KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    EXPECT_EQ(DeleteTree(key, "Tintorel"), ERROR_SUCCESS);
    EXPECT_EQ(DeleteTree(key, "Tintorel"), ERROR_FILE_NOT_FOUND);
    RegCloseKey(key);

    EXPECT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, kSettings, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(Read(RegFile()).find("Tintorel"), std::string::npos);
    ASSERT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\Other", KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(Get(key, "v").second, std::string("Software\\Other") + '\0');
    RegCloseKey(key);
}

TEST_F(RegistryTest, TwoProcessesWritingAtOnceLoseNothing) {
    constexpr int kPerProcess = 40;
    pid_t children[2];
    for (int c = 0; c < 2; ++c) {
        children[c] = fork();
        ASSERT_GE(children[c], 0);
        if (children[c] == 0) {
            int failures = 0;
            for (int i = 0; i < kPerProcess; ++i) {
                HKEY key = nullptr;
                if (RegCreateKeyEx(HKEY_LOCAL_MACHINE, kSettings, KEY_ALL_ACCESS, &key) !=
                    ERROR_SUCCESS) {
                    ++failures;
                    continue;
                }
                std::uint32_t v = static_cast<std::uint32_t>(c * 1000 + i);
                std::string name = "p" + std::to_string(c) + "_" + std::to_string(i);
                if (RegSetValueEx(key, name, REG_DWORD, reinterpret_cast<const BYTE*>(&v), 4) !=
                    ERROR_SUCCESS)
                    ++failures;
                RegCloseKey(key);
            }
            _exit(failures == 0 ? 0 : 1);
        }
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < kPerProcess; ++i)
            EXPECT_EQ(ReadDword(kSettings, "p" + std::to_string(c) + "_" + std::to_string(i)),
                      static_cast<std::uint32_t>(c * 1000 + i));
    // No temporary file is left behind.
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(m_dir))
        files += entry.path().filename().string().starts_with("registry.reg.") ? 1 : 0;
    EXPECT_EQ(files, 1); // the lock file
}

TEST_F(RegistryTest, RunValuesAreAutostartEntries) {
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, kRun + "\\", KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    EXPECT_EQ(Get(key, "Tintorel").first, 0x80000000u | ERROR_FILE_NOT_FOUND);

    const std::string exe = m_dir + "/bin/tintorel";
    ASSERT_EQ(Set(key, "Tintorel", REG_SZ, exe + '\0'), ERROR_SUCCESS);
    const std::string entry = Read(Autostart());
    EXPECT_NE(entry.find("[Desktop Entry]\n"), std::string::npos);
    EXPECT_NE(entry.find("\nType=Application\n"), std::string::npos);
    EXPECT_NE(entry.find("\nExec=" + exe + "\n"), std::string::npos) << entry;
    EXPECT_EQ(Get(key, "Tintorel"), std::make_pair(REG_SZ, exe + '\0'));
    EXPECT_EQ(Get(key, "TINTOREL").second, exe + '\0');
    EXPECT_EQ(Read(RegFile()).find("Tintorel"), std::string::npos); // not in the file

    // A path the desktop would split is quoted in Exec= and still reads back byte for byte.
    const std::string odd = m_dir + "/My Apps/100%\\\"tin\"$";
    ASSERT_EQ(Set(key, "Tintorel", REG_SZ, odd + '\0'), ERROR_SUCCESS);
    EXPECT_NE(Read(Autostart()).find("\nExec=\"" + m_dir + "/My Apps/100%%"), std::string::npos)
        << Read(Autostart());
    EXPECT_EQ(Get(key, "Tintorel").second, odd + '\0');

    // A hand-edited entry is read as it stands.
    Write(Autostart(), "[Desktop Entry]\r\nName=x\r\nExec=/usr/bin/tintorel --flag\r\n");
    EXPECT_EQ(Get(key, "Tintorel").second, std::string("/usr/bin/tintorel --flag") + '\0');

    EXPECT_EQ(Set(key, "Tintorel", REG_DWORD, std::string(4, '\0')), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(Set(key, "../evil", REG_SZ, std::string("x\0", 2)), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegDeleteValue(key, "Tintorel"), ERROR_SUCCESS);
    EXPECT_FALSE(std::filesystem::exists(Autostart()));
    EXPECT_EQ(RegDeleteValue(key, "Tintorel"), ERROR_FILE_NOT_FOUND);
    RegCloseKey(key);
}

TEST_F(RegistryTest, BrokenOrHandEditedFileCountsAsAbsentAndLosesNothing) {
    const std::string garbage = "REGEDIT4\n\0\xff\xfe junk\n"s +
                                "[HKEY_CURRENT_USER\\Foreign]\n\"keep\"=\"me\"\n"
                                "[HKEY_LOCAL_MACHINE\\Software\\Tintorel\n"
                                "[HKEY_LOCAL_MACHINE\\software\\tintorel]\r\n"
                                "\"AutoConnect\"=dword:zz\r\n"
                                "\"Good\"=dword:00000007\r\n"
                                "\"Long\"=hex(7):61,00,\\\r\n  62,00,00,00\r\n"
                                "\"Bad\"=hex:1,2,300\n"
                                "\"Unterminated\"=\"abc\n"
                                "; a comment\n"
                                "\"Good\"=dword:00000008\n";
    Write(RegFile(), garbage);
    EXPECT_EQ(ReadDword(kSettings, "AutoConnect"), 0u);
    EXPECT_EQ(ReadDword(kSettings, "Good"), 7u);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, kSettings, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    EXPECT_EQ(Get(key, "Long"), std::make_pair(REG_MULTI_SZ, "a\0b\0\0\0"s));
    EXPECT_EQ(Get(key, "Bad").first, 0x80000000u | ERROR_FILE_NOT_FOUND);

    // A write keeps every line it could not read.
    ASSERT_EQ(Set(key, "New", REG_DWORD, std::string("\x02\0\0\0", 4)), ERROR_SUCCESS);
    RegCloseKey(key);
    const std::string text = Read(RegFile());
    for (const char* kept : {"junk", "[HKEY_CURRENT_USER\\Foreign]", "\"keep\"=\"me\"",
                             "\"AutoConnect\"=dword:zz", "\"Bad\"=hex:1,2,300",
                             "\"Unterminated\"=\"abc", "; a comment", "\"Good\"=dword:00000008"})
        EXPECT_NE(text.find(kept), std::string::npos) << kept << "\n" << text;
    EXPECT_EQ(ReadDword(kSettings, "Good"), 7u);
    EXPECT_EQ(ReadDword(kSettings, "New"), 2u);

    // A change made behind an open handle (another copy) is seen at the next read.
    ASSERT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, kSettings, KEY_READ, &key), ERROR_SUCCESS);
    Write(RegFile(), "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Tintorel]\n\"New\"=dword:9\n");
    EXPECT_EQ(Get(key, "New"), std::make_pair(REG_DWORD, std::string("\x09\0\0\0", 4)));
    RegCloseKey(key);

    // A registry file that can't be read or replaced: absent, and writes fail cleanly.
    std::filesystem::remove(RegFile());
    std::filesystem::create_directory(RegFile());
    EXPECT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, kSettings, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, kSettings, KEY_ALL_ACCESS, &key),
              ERROR_ACCESS_DENIED);
}

// A FIFO in the place of the settings file or of the autostart entry is not waited on, and a
// file too big to be settings is not read; neither is replaced by what little a write knows.
TEST_F(RegistryTest, WhatIsNoSettingsFileIsNeitherWaitedOnNorReplaced) {
    ASSERT_EQ(mkfifo(RegFile().c_str(), 0600), 0);
    std::filesystem::create_directories(m_dir + "/config/autostart");
    ASSERT_EQ(mkfifo(Autostart().c_str(), 0600), 0);
    const auto useBoth = [&] {
        HKEY key = nullptr;
        EXPECT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, kSettings, KEY_READ, &key),
                  ERROR_FILE_NOT_FOUND);
        EXPECT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, kSettings, KEY_ALL_ACCESS, &key),
                  ERROR_ACCESS_DENIED);
        ASSERT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, kRun, KEY_READ, &key), ERROR_SUCCESS);
        EXPECT_EQ(Get(key, "Tintorel").first, 0x80000000u | ERROR_FILE_NOT_FOUND);
        RegCloseKey(key);
    };
    EXPECT_EQ(testing_support::RunInChild(useBoth), "");
    struct stat st;
    ASSERT_EQ(stat(RegFile().c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));

    std::filesystem::remove(RegFile());
    Write(RegFile(),
          "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Tintorel]\n\"AutoConnect\"=dword:1\n");
    ASSERT_EQ(truncate(RegFile().c_str(), (off_t{16} << 20) + 1), 0); // sparse
    EXPECT_EQ(ReadDword(kSettings, "AutoConnect"), 0u);
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, kSettings, KEY_ALL_ACCESS, &key),
              ERROR_ACCESS_DENIED);
    ASSERT_EQ(stat(RegFile().c_str(), &st), 0);
    EXPECT_EQ(st.st_size, (off_t{16} << 20) + 1);
}

TEST(RegistryFileTest, SerializeReadsBackTheSameHive) {
    const std::string text = "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\A\\B]\n@=\"d\"\n"
                             "\"x\"=hex(2):41,00\n\"y\"=hex:\n\"z\"=hex(0):01\n\n"
                             "[HKEY_LOCAL_MACHINE\\A\\Empty]\n";
    regfile::Hive hive = regfile::Parse(text);
    EXPECT_EQ(regfile::Serialize(hive), text);
    regfile::Key* b = hive.root.Child("A")->Child("B");
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->values.at("X").type, REG_EXPAND_SZ);
    EXPECT_FALSE(hive.root.Child("A")->persisted); // only implied by its subkeys

    // Data cut short by a blank line stays apart from the next value, written back as well.
    const std::string cut = "[HKEY_LOCAL_MACHINE\\A]\n\"x\"=hex:01,\\\n\t\n\"y\"=dword:1\n";
    regfile::Hive once = regfile::Parse(cut);
    EXPECT_EQ(once.root.Child("A")->values.count("y"), 1u);
    EXPECT_EQ(once.root.Child("A")->values.count("x"), 0u);
    const std::string written = regfile::Serialize(once);
    EXPECT_EQ(regfile::Serialize(regfile::Parse(written)), written);
    EXPECT_EQ(regfile::Parse(written).root.Child("A")->values.count("y"), 1u);
}

} // namespace
