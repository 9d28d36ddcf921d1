#include "phonebook/Phonebook.h"
#include "platform/ModulePath.h"
#include "platform/Registry.h"

#include "tests/support/HttpFixtureServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

using testing_support::HttpFixtureServer;
using namespace std::chrono_literals;

namespace {

const std::string kSwissRequest = "GET /result.fr.html?name=&misc=&strasse=&ort=&kanton=&tel=";
const std::string kFrenchRequest =
    "GET /France/wp/search/result.asp?pagestep=5&searchtype=white&lastname=&firstname=&dep="
    "&cityguess=1&city=&lang=1&Search.x=9&Search.y=21&phone=";
const std::string kSwissName = "M\xfcller Hans";
const std::string kFrenchName = "Dupont \xc9lise";

// One folder per process (the store keeps the phonebook path for the run); every test starts
// it empty: no phonebook, no registry, no dial-up link.
class LookupTest : public ::testing::Test {
  protected:
    static const std::string& Folder() {
        static const std::string folder = [] {
            char tmpl[] = "/tmp/tintorel-lookup-XXXXXX";
            if (!mkdtemp(tmpl))
                std::abort();
            return std::string(tmpl);
        }();
        return folder;
    }
    static void TearDownTestSuite() { std::filesystem::remove_all(Folder()); }

    void SetUp() override {
        for (const auto& entry : std::filesystem::directory_iterator(Folder()))
            std::filesystem::remove_all(entry.path());
        setenv("HOME", Folder().c_str(), 1);
        setenv("XDG_CONFIG_HOME", (Folder() + "/config").c_str(), 1);
        setenv("TINTOREL_REGISTRY", (Folder() + "/registry.reg").c_str(), 1);
        setenv("TINTOREL_FAKE_IFACES", (Folder() + "/ifaces").c_str(), 1);
        setenv("TINTOREL_DIRECTORY", m_server.HostPort().c_str(), 1);
        platform::SetModuleFileNameOverride(Folder() + "/tintorel");
        SetDialUp(false);
        m_server.ServeDefault(HttpFixtureServer::HttpResponse(
            HttpFixtureServer::LoadFixture("directory-swiss.html")));
    }
    void TearDown() override {
        unsetenv("TINTOREL_DIRECTORY");
        unsetenv("TINTOREL_FAKE_IFACES");
        platform::ResetModuleFileNameOverride();
    }

    static std::string PhonebookFile() {
        std::ifstream in(Folder() + "/phonebook.txt", std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static void WritePhonebook(const std::string& bytes) {
        std::ofstream(Folder() + "/phonebook.txt", std::ios::binary | std::ios::trunc) << bytes;
    }
    static void SetDialUp(bool up) {
        std::ofstream(Folder() + "/ifaces", std::ios::trunc)
            << "lo UP RUNNING LOOPBACK\n"
            << (up ? "ppp0 UP RUNNING POINTOPOINT\n" : "");
    }
    static void SetAutoConnect(platform::DWORD type, const std::string& data) {
        using namespace platform;
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, "Software\\Tintorel\\", KEY_ALL_ACCESS, &key),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueEx(key, "AutoConnect", type,
                                reinterpret_cast<const BYTE*>(data.data()),
                                static_cast<DWORD>(data.size())),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }
    static void SetAutoConnect(std::uint32_t value) {
        SetAutoConnect(platform::REG_DWORD, std::string(reinterpret_cast<char*>(&value), 4));
    }
    static std::string UnknownNumbersFile() {
        std::ifstream in(Folder() + "/unknown-numbers.txt", std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static void WriteUnknownNumbers(const std::string& bytes) {
        std::ofstream(Folder() + "/unknown-numbers.txt", std::ios::binary | std::ios::trunc)
            << bytes;
    }
    // The local date that many days before today, as "YYYY-MM-DD".
    static std::string DaysAgo(int days) {
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        local.tm_mday -= days;
        local.tm_hour = 12;
        local.tm_isdst = -1;
        std::mktime(&local);
        char text[16];
        std::strftime(text, sizeof text, "%Y-%m-%d", &local);
        return text;
    }
    static bool Stored(const CPhonebook& book, const std::string& number) {
        std::string name;
        return book.FindEntry(number, name);
    }

    HttpFixtureServer m_server;
};

TEST_F(LookupTest, PhonebookHitNeedsNoNetwork) {
    SetAutoConnect(1);
    SetDialUp(true);
    WritePhonebook("0441234567;Dupont; Jean\r\ncountry;0\r\n");
    CPhonebook book;
    EXPECT_EQ(book.LookupCaller("0441234567"), "Dupont; Jean");
    // A line added to the file while the program runs is seen at the next lookup.
    WritePhonebook(PhonebookFile() + "0217654321;Martin Paul\r\n");
    EXPECT_EQ(book.LookupCaller("0217654321"), "Martin Paul");
    // So is an entry saved by a second store, or by another running copy.
    CPhonebook().SetEntry("2", "Two");
    EXPECT_EQ(book.LookupCaller("2"), "Two");
    if (fork() == 0) {
        CPhonebook().SetEntry("3", "Three");
        _exit(0);
    }
    wait(nullptr);
    EXPECT_EQ(book.LookupCaller("3"), "Three");
    EXPECT_EQ(m_server.ConnectionCount(), 0u);
}

TEST_F(LookupTest, AutoConnectAndDialUpDecideWhetherTheDirectoryIsAsked) {
    CPhonebook book;
    std::string result;
    // Nothing stored, no link: the setting counts as off.
    EXPECT_EQ(book.ReadAutoConnect(), 0u);
    EXPECT_FALSE(book.LookupOnline("1", result));
    EXPECT_EQ(result, "Pas de connection");

    SetAutoConnect(0);
    EXPECT_FALSE(book.LookupOnline("1", result));
    EXPECT_EQ(result, "Pas de connection");
    // Another type than DWORD counts as off.
    SetAutoConnect(platform::REG_SZ, std::string("1\0", 2));
    EXPECT_EQ(book.ReadAutoConnect(), 0u);
    EXPECT_FALSE(book.LookupOnline("1", result));
    EXPECT_EQ(result, "Pas de connection");
    SetAutoConnect(platform::REG_BINARY, std::string("\x01\0\0\0", 4));
    EXPECT_FALSE(book.LookupOnline("1", result));
    EXPECT_EQ(result, "Pas de connection");
    EXPECT_EQ(m_server.ConnectionCount(), 0u);

    // On, without a link: a machine on a permanent line.
    SetAutoConnect(7);
    EXPECT_EQ(book.ReadAutoConnect(), 7u);
    EXPECT_TRUE(book.LookupOnline("1", result));
    EXPECT_EQ(result, kSwissName);
    EXPECT_EQ(m_server.ConnectionCount(), 1u);

    // Off, with a dial-up link up.
    SetAutoConnect(0);
    SetDialUp(true);
    EXPECT_TRUE(book.LookupOnline("2", result));
    EXPECT_EQ(result, kSwissName);
    EXPECT_EQ(m_server.ConnectionCount(), 2u);
    EXPECT_FALSE(Stored(book, "1")); // LookupOnline itself stores nothing
}

TEST_F(LookupTest, NameFoundIsStoredAndTheRequestIsExact) {
    SetAutoConnect(1);
    CPhonebook book;
    ASSERT_EQ(book.GetCountry(), 0);
    EXPECT_EQ(book.LookupCaller("0441234567"), kSwissName);
    ASSERT_EQ(m_server.Requests().size(), 1u);
    const std::string host = "Host: " + m_server.HostPort() + "\r\n";
    EXPECT_EQ(m_server.Requests()[0], kSwissRequest +
                                          "0441234567 HTTP/1.1\r\nUser-agent: Mozilla/4.0\r\n"
                                          "Accept: */*\r\nConnection: Close\r\n" +
                                          host + "\r\n");
    EXPECT_NE(PhonebookFile().find("0441234567;" + kSwissName + "\r\n"), std::string::npos);
    // Found once, asked no more: even when the directory is gone.
    m_server.SetMode(HttpFixtureServer::Mode::CloseAtOnce);
    EXPECT_EQ(CPhonebook().LookupCaller("0441234567"), kSwissName);
    EXPECT_EQ(m_server.ConnectionCount(), 1u);

    // The French directory, with its own request and markers.
    m_server.SetMode(HttpFixtureServer::Mode::Normal);
    m_server.ServeDefault(
        HttpFixtureServer::HttpResponse(HttpFixtureServer::LoadFixture("directory-france.html")));
    book.SetCountry(1, true);
    EXPECT_EQ(book.LookupCaller("+33 1 23 45 67 89"), kFrenchName);
    ASSERT_EQ(m_server.Requests().size(), 2u);
    // The directory is asked for the canonical form, which the name is kept under.
    EXPECT_EQ(m_server.Requests()[1].rfind(kFrenchRequest + "0123456789 HTTP/1.1\r\n", 0), 0u);
    EXPECT_NE(PhonebookFile().find("0123456789;" + kFrenchName + "\r\n"), std::string::npos);
}

TEST_F(LookupTest, ResultTextsAreNeverStored) {
    SetAutoConnect(1);
    CPhonebook book;
    m_server.ServeDefault(HttpFixtureServer::HttpResponse("<html>Aucun resultat</html>"));
    EXPECT_EQ(book.LookupCaller("111"), "Inconnu");

    // Markers that lie only beyond the first 32768 bytes are never seen.
    m_server.ServeDefault(HttpFixtureServer::HttpResponse(
        std::string(33000, ' ') + HttpFixtureServer::LoadFixture("directory-swiss.html")));
    EXPECT_EQ(book.LookupCaller("222"), "Inconnu");

    // A line feed in the name range, even inside a tag.
    m_server.ServeDefault(HttpFixtureServer::HttpResponse(
        R"(<p><table border="0" cellpadding="1" cellspacing="0" width="100%"><tr>)"
        R"(<td bgcolor="#CCCCCC"></td><td nowrap valign="top" width="100%">Dupont<span)"
        "\n"
        R"(class="x">Jean<br>)"));
    EXPECT_EQ(book.LookupCaller("333"), "Inconnu");

    setenv("TINTOREL_DIRECTORY", "no-such-host.invalid", 1);
    EXPECT_EQ(book.LookupCaller("444"), "Erreur");

    SetAutoConnect(0);
    EXPECT_EQ(book.LookupCaller("555"), "Pas de connection");

    CPhonebook reread;
    for (const char* number : {"111", "222", "333", "444", "555"}) {
        EXPECT_FALSE(Stored(book, number)) << number;
        EXPECT_FALSE(Stored(reread, number)) << number;
    }
    for (const char* text : {"Inconnu", "Erreur", "Pas de connection"})
        EXPECT_EQ(PhonebookFile().find(text), std::string::npos) << text;
}

TEST_F(LookupTest, EmptyNameIsStoredButNotReadBack) {
    SetAutoConnect(1);
    m_server.ServeDefault(HttpFixtureServer::HttpResponse(
        R"(<p><table border="0" cellpadding="1" cellspacing="0" width="100%"><tr>)"
        R"(<td bgcolor="#CCCCCC"></td><td nowrap valign="top" width="100%"><br>)"));
    CPhonebook book;
    EXPECT_EQ(book.LookupCaller("0449999999"), "");
    std::string name = "x";
    EXPECT_TRUE(book.FindEntry("0449999999", name));
    EXPECT_EQ(name, "");
    EXPECT_NE(PhonebookFile().find("0449999999;\r\n"), std::string::npos);
    // After a restart the line is ignored and the number is asked again.
    CPhonebook restarted;
    EXPECT_FALSE(Stored(restarted, "0449999999"));
    EXPECT_EQ(restarted.LookupCaller("0449999999"), "");
    EXPECT_EQ(m_server.ConnectionCount(), 2u);
}

TEST_F(LookupTest, HostileDirectoriesGiveNoNameAndNoHang) {
    SetAutoConnect(1);
    CPhonebook book;
    const auto start = std::chrono::steady_clock::now();

    // Refused: a port that was just free.
    int probe = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    ASSERT_EQ(bind(probe, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(getsockname(probe, reinterpret_cast<sockaddr*>(&addr), &len), 0);
    close(probe);
    setenv("TINTOREL_DIRECTORY", ("127.0.0.1:" + std::to_string(ntohs(addr.sin_port))).c_str(), 1);
    EXPECT_EQ(book.LookupCaller("1"), "Erreur");
    setenv("TINTOREL_DIRECTORY", m_server.HostPort().c_str(), 1);

    // Accepts and never answers: the silence time-out ends it.
    m_server.SetMode(HttpFixtureServer::Mode::Silent);
    EXPECT_EQ(book.LookupCaller("2"), "Erreur");

    m_server.SetMode(HttpFixtureServer::Mode::Huge);
    EXPECT_EQ(book.LookupCaller("3"), "Inconnu");
    m_server.SetMode(HttpFixtureServer::Mode::Noise);
    EXPECT_EQ(book.LookupCaller("4"), "Inconnu");
    m_server.SetMode(HttpFixtureServer::Mode::CloseAtOnce);
    const std::string closed = book.LookupCaller("5");
    EXPECT_TRUE(closed == "Inconnu" || closed == "Erreur") << closed;

    // A number that would end the request line early stays inside it, encoded.
    m_server.SetMode(HttpFixtureServer::Mode::Normal);
    book.LookupCaller("6\r\nX-Injected: 1");
    ASSERT_FALSE(m_server.Requests().empty());
    const std::string injected = m_server.Requests().back();
    EXPECT_EQ(injected.rfind(
                  kSwissRequest + "6%0D%0A%58%2D%49%6E%6A%65%63%74%65%64%3A%201 HTTP/1.1\r\n", 0),
              0u)
        << injected;
    EXPECT_EQ(injected.find("\r\nX-Injected"), std::string::npos) << injected;

    EXPECT_LT(std::chrono::steady_clock::now() - start, 60s); // only stops a hang
    for (const char* number : {"1", "2", "3", "4", "5"})
        EXPECT_FALSE(Stored(book, number)) << number;
    EXPECT_EQ(PhonebookFile().find("Erreur"), std::string::npos);
}

TEST_F(LookupTest, NumberIsPercentEncodedAndOneWithoutDigitsIsNotAsked) {
    SetAutoConnect(1);
    CPhonebook book;
    // What a call monitor may hand on: blanks and the characters that end or split a query.
    book.LookupCaller("+41 79&x=1#?");
    ASSERT_EQ(m_server.Requests().size(), 1u);
    EXPECT_EQ(
        m_server.Requests()[0].rfind(kSwissRequest + "%2B41%2079%26%78%3D1%23%3F HTTP/1.1\r\n", 0),
        0u)
        << m_server.Requests()[0];
    // Nothing a directory could know: no request, as for a request that cannot be made.
    for (const char* number : {"#*", "Anonyme", "\xe9"})
        EXPECT_EQ(book.LookupCaller(number), "Erreur") << number;
    EXPECT_EQ(m_server.ConnectionCount(), 1u);
    EXPECT_EQ(PhonebookFile().find("Erreur"), std::string::npos);
}

TEST_F(LookupTest, TricklingDirectoryEndsAtTheDeadline) {
    SetAutoConnect(1);
    m_server.SetMode(HttpFixtureServer::Mode::Trickle);
    CPhonebook book;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(book.LookupCaller("0441234567"), "Erreur");
    const auto took = std::chrono::steady_clock::now() - start;
    // Each byte comes well within the silence limit; without the deadline this would go on
    // for 18 hours.
    EXPECT_GT(took, 6s);
    EXPECT_LT(took, 15s);
    EXPECT_EQ(m_server.Requests().size(), 1u);
    EXPECT_FALSE(Stored(book, "0441234567"));
    EXPECT_EQ(PhonebookFile().find("0441234567"), std::string::npos);
    EXPECT_EQ(UnknownNumbersFile(), "");
}

TEST_F(LookupTest, UnknownNumbersAreAskedOnceAWeek) {
    SetAutoConnect(1);
    m_server.ServeDefault(HttpFixtureServer::HttpResponse("<html>Aucun resultat</html>"));
    CPhonebook book;
    EXPECT_EQ(book.LookupCaller("111"), "Inconnu");
    EXPECT_EQ(book.LookupCaller("111"), "Inconnu");
    EXPECT_EQ(UnknownNumbersFile(), "111;" + DaysAgo(0) + "\n");
    // The editor's search asks all the same.
    std::string result;
    EXPECT_FALSE(book.LookupOnline("111", result));
    EXPECT_EQ(m_server.ConnectionCount(), 2u);

    // Six days old holds; eight days old is asked again and its line replaced.
    WriteUnknownNumbers("222;" + DaysAgo(6) + "\n333;" + DaysAgo(8) + "\n");
    EXPECT_EQ(book.LookupCaller("222"), "Inconnu");
    EXPECT_EQ(book.LookupCaller("333"), "Inconnu");
    EXPECT_EQ(m_server.ConnectionCount(), 3u);
    EXPECT_EQ(UnknownNumbersFile(), "222;" + DaysAgo(6) + "\n333;" + DaysAgo(0) + "\n");
    // A name added by hand wins.
    WritePhonebook(PhonebookFile() + "222;Andr\xe9 Favre\r\n");
    EXPECT_EQ(book.LookupCaller("222"), "Andr\xe9 Favre");

    // A broken file counts as empty.
    WriteUnknownNumbers(std::string("\0\xff\n111;2024-02-30\n111\n", 21) + "333;" + DaysAgo(0) +
                        "x\n");
    EXPECT_EQ(book.LookupCaller("111"), "Inconnu");
    EXPECT_EQ(m_server.ConnectionCount(), 4u);
    EXPECT_EQ(UnknownNumbersFile(), "111;" + DaysAgo(0) + "\n");
}

TEST_F(LookupTest, ACallerInAnyFormFindsItsEntryAndIsAskedForInCanonicalForm) {
    SetAutoConnect(1);
    WritePhonebook("+41 79 123 45 67;Martin Paul\r\n0311111111;As given\r\n"
                   "0041311111111;Same canonical form\r\ncountry;0\r\n");
    CPhonebook book;
    // The digits as the line gives them come first, as they always did.
    EXPECT_EQ(book.LookupCaller("0041311111111"), "Same canonical form");
    EXPECT_EQ(book.LookupCaller("0311111111"), "As given");
    // Then the canonical form, with the line's type of number applied.
    EXPECT_EQ(book.LookupCaller("0791234567"), "Martin Paul");
    EXPECT_EQ(book.LookupCaller("791234567", NumberKind::National), "Martin Paul");
    EXPECT_EQ(book.LookupCaller("41791234567", NumberKind::International), "Martin Paul");
    EXPECT_EQ(m_server.ConnectionCount(), 0u);

    // A number no entry has: the directory is asked for its canonical form, and the name is
    // kept under it, where the other forms find it.
    EXPECT_EQ(book.LookupCaller("41441234567", NumberKind::International), kSwissName);
    ASSERT_EQ(m_server.Requests().size(), 1u);
    EXPECT_EQ(m_server.Requests()[0].rfind(kSwissRequest + "0441234567 HTTP/1.1\r\n", 0), 0u);
    EXPECT_NE(PhonebookFile().find("\n0441234567;" + kSwissName + "\r\n"), std::string::npos);
    EXPECT_EQ(book.LookupCaller("441234567", NumberKind::National), kSwissName);
    std::string result;
    EXPECT_TRUE(book.LookupOnline("+41 44 123 45 67", result));
    EXPECT_EQ(m_server.Requests().back().rfind(kSwissRequest + "0441234567 HTTP/1.1\r\n", 0), 0u);
    EXPECT_EQ(m_server.ConnectionCount(), 2u);

    // The miss cache holds canonical forms; a line written as a line gave the number still
    // counts.
    m_server.ServeDefault(HttpFixtureServer::HttpResponse("<html>Aucun resultat</html>"));
    EXPECT_EQ(book.LookupCaller("225555555", NumberKind::National), "Inconnu");
    EXPECT_EQ(UnknownNumbersFile(), "0225555555;" + DaysAgo(0) + "\n");
    EXPECT_EQ(book.LookupCaller("0041225555555"), "Inconnu");
    WriteUnknownNumbers("225555556;" + DaysAgo(1) + "\n");
    EXPECT_EQ(book.LookupCaller("225555556", NumberKind::National), "Inconnu");
    EXPECT_EQ(m_server.ConnectionCount(), 3u);
}

// No connection, an error, or a server in trouble say nothing about the number.
TEST_F(LookupTest, OnlyAnAnswerWithoutANameIsRemembered) {
    CPhonebook book;
    EXPECT_EQ(book.LookupCaller("1"), "Pas de connection");
    SetAutoConnect(1);
    setenv("TINTOREL_DIRECTORY", "127.0.0.1:0", 1);
    EXPECT_EQ(book.LookupCaller("2"), "Erreur");
    setenv("TINTOREL_DIRECTORY", m_server.HostPort().c_str(), 1);
    m_server.ServeDefault("HTTP/1.1 503 Service Unavailable\r\nContent-Length: 0\r\n\r\n");
    EXPECT_EQ(book.LookupCaller("3"), "Inconnu");
    EXPECT_EQ(UnknownNumbersFile(), "");
}

} // namespace
