// The real program on the router's call monitor (offscreen, so no desktop is needed): calls
// from the monitor alone, its loss and return, a refusal at start, a call that reaches both
// the monitor and the CAPI line, and a CAPI driver that is missing or silent at start.

#include "settings/Settings.h"
#include "tests/e2e/Desktop.h"
#include "tests/support/HttpFixtureServer.h"
#include "tests/support/TestEnv.h"
#include "tools/linesim/CallMonitor.h"
#include "tools/linesim/LineSim.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

using namespace std::chrono_literals;

namespace {

using testing_support::ClosedPort;

class CallMonitorProgramTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_env.WriteFile("phonebook.txt", "0791234567;Martin Paul\r\ncountry;0\r\n");
        std::filesystem::copy_file(TINTOREL_EXE, m_env.ExecutablePath());
        mkdir(m_env.Path("run").c_str(), 0700);
    }

    std::unique_ptr<e2e::Process> Start(const std::string& monitor, const std::string& capi) {
        auto process = std::make_unique<e2e::Process>();
        const e2e::Env env = {
            {"QT_QPA_PLATFORM", "offscreen"},
            {"HOME", m_env.Dir()},
            {"XDG_CONFIG_HOME", m_env.Path("config")},
            {"XDG_RUNTIME_DIR", m_env.Path("run")},
            {"TINTOREL_REGISTRY", m_env.RegistryPath()},
            {"TINTOREL_CAPI", capi},
            {"TINTOREL_CALLMONITOR", monitor},
            {"TINTOREL_DIRECTORY", m_directory.HostPort()},
        };
        EXPECT_TRUE(process->Start({m_env.ExecutablePath()}, env, m_env.Path("stdout.txt")));
        return process;
    }

    std::string Output() const { return m_env.ReadFile("stdout.txt"); }
    bool OutputHas(const std::string& text, int times = 1) const {
        const std::string out = Output();
        int found = 0;
        for (std::size_t at = out.find(text); at != std::string::npos; at = out.find(text, at + 1))
            ++found;
        return found >= times;
    }

    // The log's records without their time stamps.
    std::vector<std::string> Records() const {
        std::vector<std::string> records;
        const std::string log = m_env.ReadFile("isdncall.log");
        const std::regex line(R"(\d\d/\d\d/\d\d \d\d:\d\d:\d\d(;[^\r\n]*)\r\n)");
        for (auto it = std::sregex_iterator(log.begin(), log.end(), line);
             it != std::sregex_iterator(); ++it)
            records.push_back((*it)[1]);
        return records;
    }
    ::testing::AssertionResult WaitForRecords(std::size_t n) const {
        if (e2e::WaitFor([&] { return Records().size() >= n; }, 20s))
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "log:\n"
                                             << m_env.ReadFile("isdncall.log") << "output:\n"
                                             << Output();
    }

    testing_support::TestEnv m_env;
    testing_support::HttpFixtureServer m_directory;
    linesim::CallMonitorSim m_monitor;
};

} // namespace

TEST_F(CallMonitorProgramTest, CallsFromTheMonitorAloneAreHandledLikeCapiCalls) {
    settings::SetAutoConnect(true);
    m_directory.ServeDefault(testing_support::HttpFixtureServer::HttpResponse(
        testing_support::HttpFixtureServer::LoadFixture("directory-swiss.html")));
    ASSERT_TRUE(m_monitor.Start());
    const std::string address = "127.0.0.1:" + std::to_string(m_monitor.Port());
    auto tintorel = Start(address, "rcapi:127.0.0.1:" + std::to_string(ClosedPort()));
    ASSERT_TRUE(m_monitor.WaitForClients(1, 20s));
    // No CAPI driver: its text stays, but the program goes on with the monitor alone.
    ASSERT_TRUE(e2e::WaitFor([&] { return OutputHas("Call monitor connected to " + address); }, 5s))
        << Output();
    EXPECT_TRUE(
        e2e::WaitFor([&] { return OutputHas("\nError: ISDN-driver not installed\n"); }, 10s))
        << Output();
    EXPECT_TRUE(tintorel->Running());

    m_monitor.Ring("0", "0791234567", "0219876543");
    ASSERT_TRUE(WaitForRecords(1));
    m_monitor.Ring("1", "0228887777", "0219876543", "POTS");
    ASSERT_TRUE(WaitForRecords(2));
    m_monitor.Ring("2", "", "0219876543", "ISDN");
    ASSERT_TRUE(WaitForRecords(3));
    // Nothing of these is a call.
    m_monitor.Call("3", "4", "0219876543", "0791234567");
    m_monitor.Connect("1", "4", "0228887777");
    m_monitor.Disconnect("1", "12");
    m_monitor.Raw("08.12.26 18:20:59;RING;x;1;2;SIP0;");
    m_monitor.Raw("garbage \x01\x02 ;;;;");
    m_monitor.Raw("08.12.26 18:20:59;RING;5;" + std::string(5000, '7') + ";0219876543;SIP0;");
    // A record in two pieces.
    m_monitor.Raw("08.12.26 18:21:00;RING;6;07912", false);
    std::this_thread::sleep_for(200ms);
    m_monitor.Raw("34567;0219876543;SIP1;\r");
    ASSERT_TRUE(WaitForRecords(4));
    std::this_thread::sleep_for(500ms);

    const std::vector<std::string> expected = {
        ";0791234567;0219876543;Martin Paul",
        ";0228887777;0219876543;M\xfcller Hans",
        ";Anonyme;0219876543;",
        ";0791234567;0219876543;Martin Paul",
    };
    EXPECT_EQ(Records(), expected);
    // The name found online is kept.
    EXPECT_NE(m_env.ReadFile("phonebook.txt").find("0228887777;M\xfcller Hans"), std::string::npos);

    // The monitor goes away and comes back.
    m_monitor.Drop();
    ASSERT_TRUE(e2e::WaitFor([&] { return OutputHas("Call monitor lost: "); }, 10s)) << Output();
    ASSERT_TRUE(m_monitor.WaitForClients(1, 20s));
    ASSERT_TRUE(
        e2e::WaitFor([&] { return OutputHas("Call monitor connected to " + address, 2); }, 5s));
    m_monitor.Ring("7", "0791234567", "0219876543");
    ASSERT_TRUE(WaitForRecords(5));
    EXPECT_TRUE(tintorel->Running());
}

TEST_F(CallMonitorProgramTest, RefusedAtStartIsTriedAgain) {
    const std::uint16_t port = ClosedPort();
    const std::string address = "127.0.0.1:" + std::to_string(port);
    auto tintorel = Start(address, "rcapi:127.0.0.1:" + std::to_string(ClosedPort()));
    ASSERT_TRUE(e2e::WaitFor([&] { return OutputHas("Call monitor lost: "); }, 20s)) << Output();
    EXPECT_TRUE(tintorel->Running());

    ASSERT_TRUE(m_monitor.Start(port));
    ASSERT_TRUE(m_monitor.WaitForClients(1, 20s));
    ASSERT_TRUE(
        e2e::WaitFor([&] { return OutputHas("Call monitor connected to " + address); }, 5s));
    EXPECT_TRUE(OutputHas("Call monitor lost: ", 1));
    EXPECT_FALSE(OutputHas("Call monitor lost: ", 2)) << Output();
    m_monitor.Ring("0", "0791234567", "0219876543");
    ASSERT_TRUE(WaitForRecords(1));
}

TEST_F(CallMonitorProgramTest, ACallOnBothLinesIsHandledOnce) {
    linesim::LineSim capi;
    ASSERT_TRUE(capi.Start());
    ASSERT_TRUE(m_monitor.Start());
    auto tintorel = Start("127.0.0.1:" + std::to_string(m_monitor.Port()),
                          "rcapi:127.0.0.1:" + std::to_string(capi.Port()));
    ASSERT_TRUE(capi.WaitForCount("LISTEN_REQ", 1, 20s));
    ASSERT_TRUE(m_monitor.WaitForClients(1, 20s));

    // The same call through both: logged once, still alerted on the CAPI line.
    capi.Ring({.controller = 1, .calling = "0791234567", .called = "0219876543"});
    m_monitor.Ring("0", "0791234567", "0219876543");
    ASSERT_TRUE(WaitForRecords(1));
    EXPECT_TRUE(capi.WaitForCount("ALERT_REQ", 1, 10s));
    // A withheld call through both, then two different calls (another called number, another
    // caller).
    m_monitor.Ring("1", "", "0219876543");
    capi.Ring({.controller = 1, .calling = "", .called = "0219876543"});
    ASSERT_TRUE(WaitForRecords(2));
    capi.Ring({.controller = 1, .calling = "0791234567", .called = "0211111111"});
    m_monitor.Ring("2", "0311111111", "0219876543");
    ASSERT_TRUE(WaitForRecords(4));
    std::this_thread::sleep_for(1s);

    // The two lines race each other: what arrives first is handled first.
    std::vector<std::string> records = Records();
    std::sort(records.begin(), records.end());
    const std::vector<std::string> expected = {
        ";0311111111;0219876543;Pas de connection",
        ";0791234567;0211111111;Martin Paul",
        ";0791234567;0219876543;Martin Paul",
        ";Anonyme;0219876543;",
    };
    EXPECT_EQ(records, expected);
    EXPECT_EQ(capi.Count("ALERT_REQ"), 3);
}

TEST_F(CallMonitorProgramTest, ACapiDriverMissingAtStartIsTriedAgainBesideTheMonitor) {
    ASSERT_TRUE(m_monitor.Start());
    const std::uint16_t capiPort = ClosedPort();
    auto tintorel = Start("127.0.0.1:" + std::to_string(m_monitor.Port()),
                          "rcapi:127.0.0.1:" + std::to_string(capiPort));
    ASSERT_TRUE(
        e2e::WaitFor([&] { return OutputHas("\nError: ISDN-driver not installed\n"); }, 20s))
        << Output();
    // The driver comes later: it is found on the retry schedule and its calls are handled.
    linesim::LineSim capi;
    ASSERT_TRUE(capi.Start(capiPort));
    ASSERT_TRUE(capi.WaitForCount("LISTEN_REQ", 1, 40s)) << Output();
    capi.Ring({.controller = 1, .calling = "0791234567", .called = "0219876543"});
    ASSERT_TRUE(WaitForRecords(1));
    EXPECT_EQ(Records()[0], ";0791234567;0219876543;Martin Paul");
    EXPECT_TRUE(OutputHas("CAPI driver found\n")) << Output();
    EXPECT_FALSE(OutputHas("\nError: ISDN-driver not installed\n", 2)) << Output();
    EXPECT_TRUE(tintorel->Running());
}

TEST_F(CallMonitorProgramTest, ACapiHostThatDoesNotAnswerHoldsNothingElse) {
    // Takes connections (the kernel does) and never says a word.
    const int silent = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof addr;
    ASSERT_EQ(::bind(silent, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(::listen(silent, 8), 0);
    ASSERT_EQ(::getsockname(silent, reinterpret_cast<sockaddr*>(&addr), &length), 0);

    ASSERT_TRUE(m_monitor.Start());
    auto tintorel = Start("127.0.0.1:" + std::to_string(m_monitor.Port()),
                          "rcapi:127.0.0.1:" + std::to_string(ntohs(addr.sin_port)));
    ASSERT_TRUE(m_monitor.WaitForClients(1, 20s));
    // The window and the call handling work while the CAPI host keeps its silence.
    m_monitor.Ring("0", "0791234567", "0219876543");
    EXPECT_TRUE(WaitForRecords(1));
    EXPECT_TRUE(tintorel->Running());
    ::close(silent);
}
