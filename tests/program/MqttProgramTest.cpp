// Two real copies of the program (offscreen) sharing calls through a broker of the test's
// own: each with a folder, a registry file and a call monitor of its own.

#include "tests/e2e/Desktop.h"
#include "tests/support/HttpFixtureServer.h"
#include "tests/support/MosquittoBroker.h"
#include "tests/support/TestEnv.h"
#include "tools/linesim/CallMonitor.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

using namespace std::chrono_literals;

namespace {

using testing_support::ClosedPort;

// One copy: its folder (program, phonebook, log, registry) under the test's folder.
struct Copy {
    std::string dir;
    linesim::CallMonitorSim monitor;
    std::unique_ptr<e2e::Process> process;

    std::string Path(const std::string& name) const { return dir + "/" + name; }
    std::string Read(const std::string& name) const {
        std::ifstream in(Path(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    // The log's records without their time stamps.
    std::vector<std::string> Records() const {
        std::vector<std::string> records;
        const std::string log = Read("isdncall.log");
        const std::regex line(R"(\d\d/\d\d/\d\d \d\d:\d\d:\d\d(;[^\r\n]*)\r\n)");
        for (auto it = std::sregex_iterator(log.begin(), log.end(), line);
             it != std::sregex_iterator(); ++it)
            records.push_back((*it)[1]);
        return records;
    }
    bool OutputHas(const std::string& text) const {
        return Read("stdout.txt").find(text) != std::string::npos;
    }
};

class MqttProgramTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(m_broker.Start()) << m_broker.Log(); }

    void Prepare(Copy& copy, const std::string& name, const std::string& phonebook) {
        copy.dir = m_env.Path(name);
        std::filesystem::create_directories(copy.dir + "/run");
        ::chmod((copy.dir + "/run").c_str(), 0700);
        std::filesystem::copy_file(TINTOREL_EXE, copy.Path("tintorel"));
        std::ofstream(copy.Path("phonebook.txt"), std::ios::binary) << phonebook;
    }

    e2e::Env Env(const Copy& copy, const std::string& monitor, const std::string& mqtt) const {
        return {
            {"QT_QPA_PLATFORM", "offscreen"},
            {"HOME", copy.dir},
            {"XDG_CONFIG_HOME", copy.Path("config")},
            {"XDG_RUNTIME_DIR", copy.Path("run")},
            {"TINTOREL_REGISTRY", copy.Path("registry.reg")},
            {"TINTOREL_CAPI", "rcapi:127.0.0.1:" + std::to_string(ClosedPort())},
            {"TINTOREL_CALLMONITOR", monitor},
            {"TINTOREL_MQTT", mqtt},
            {"TINTOREL_DIRECTORY", m_directory.HostPort()},
        };
    }

    void Start(Copy& copy, const std::string& monitor, const std::string& mqtt) {
        copy.process = std::make_unique<e2e::Process>();
        ASSERT_TRUE(copy.process->Start({copy.Path("tintorel")}, Env(copy, monitor, mqtt),
                                        copy.Path("stdout.txt")));
    }

    ::testing::AssertionResult WaitForRecords(const Copy& copy, std::size_t n) const {
        if (e2e::WaitFor([&] { return copy.Records().size() >= n; }, 20s))
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << copy.dir << " log:\n"
                                             << copy.Read("isdncall.log") << "output:\n"
                                             << copy.Read("stdout.txt");
    }

    testing_support::TestEnv m_env;
    testing_support::HttpFixtureServer m_directory;
    testing_support::MosquittoBroker m_broker{m_env.Dir()};
};

} // namespace

TEST_F(MqttProgramTest, CallsGoBothWaysAndEachIsHandledOnceInEachCopy) {
    Copy a, b;
    Prepare(a, "a", "0791234567;Martin Paul\r\ncountry;0\r\n");
    Prepare(b, "b", "0228887777;Favre Ren\xe9\x65\r\ncountry;0\r\n");
    ASSERT_TRUE(a.monitor.Start());
    ASSERT_TRUE(b.monitor.Start());
    testing_support::MqttTestClient watcher(m_broker, "watcher");
    ASSERT_TRUE(watcher.Subscribe("tintorel/call"));
    Start(a, "127.0.0.1:" + std::to_string(a.monitor.Port()), m_broker.Url());
    Start(b, "127.0.0.1:" + std::to_string(b.monitor.Port()), m_broker.Url());
    const std::string connected = "MQTT connected to 127.0.0.1:" + std::to_string(m_broker.Port());
    ASSERT_TRUE(e2e::WaitFor([&] { return a.OutputHas(connected) && b.OutputHas(connected); }, 20s))
        << a.Read("stdout.txt") << b.Read("stdout.txt");
    ASSERT_TRUE(a.monitor.WaitForClients(1, 20s));
    ASSERT_TRUE(b.monitor.WaitForClients(1, 20s));

    // A's call: B shows it with the name A's phonebook gave, without asking the directory.
    a.monitor.Ring("0", "0791234567", "0219876543");
    ASSERT_TRUE(WaitForRecords(a, 1));
    ASSERT_TRUE(WaitForRecords(b, 1));
    EXPECT_EQ(b.Records()[0], ";0791234567;0219876543;Martin Paul");
    EXPECT_TRUE(m_directory.Requests().empty());
    // B's call: A's phonebook doesn't know the number, B's does.
    b.monitor.Ring("1", "0228887777", "0219876544");
    ASSERT_TRUE(WaitForRecords(a, 2));
    ASSERT_TRUE(WaitForRecords(b, 2));
    // One call heard on both copies' own lines: once in each log, however the reports race.
    a.monitor.Ring("2", "", "0219876543");
    b.monitor.Ring("2", "", "0219876543");
    ASSERT_TRUE(WaitForRecords(a, 3));
    ASSERT_TRUE(WaitForRecords(b, 3));
    std::this_thread::sleep_for(1500ms);

    const std::vector<std::string> expected = {
        ";0791234567;0219876543;Martin Paul",
        ";0228887777;0219876544;Favre Ren\xe9\x65",
        ";Anonyme;0219876543;",
    };
    EXPECT_EQ(a.Records(), expected);
    EXPECT_EQ(b.Records(), expected);
    // Each copy published the calls of its own line once, and nothing it took from the broker:
    // the call both lines heard went out from each copy whose own report came first.
    ASSERT_TRUE(watcher.WaitForMessages(3));
    std::vector<std::string> published;
    for (const auto& message : watcher.Messages()) {
        std::smatch found;
        std::regex_search(message.payload, found,
                          std::regex(R"re("calling": "([^"]*)".*"line": "callmonitor")re"));
        published.push_back(found.empty() ? message.payload : found[1].str());
    }
    std::sort(published.begin(), published.end());
    const std::vector<std::string> once = {"", "0228887777", "0791234567"};
    const std::vector<std::string> twice = {"", "", "0228887777", "0791234567"};
    EXPECT_TRUE(published == once || published == twice) << ::testing::PrintToString(published);
    EXPECT_NE(watcher.Messages()[0].payload.find(R"("name": "Martin Paul")"), std::string::npos);
    EXPECT_TRUE(a.process->Running());
    EXPECT_TRUE(b.process->Running());
}

TEST_F(MqttProgramTest, TheBrokerAloneIsALineAndTheCopySaysWhenItGoes) {
    Copy b;
    Prepare(b, "b", "country;0\r\n");
    testing_support::MqttTestClient watcher(m_broker, "watcher");
    ASSERT_TRUE(watcher.Subscribe("home/status/#"));
    // No CAPI driver, no call monitor: the broker is enough to run.
    Start(b, "", m_broker.Url({}, "home"));
    ASSERT_TRUE(watcher.WaitForMessages(1, 20s)) << b.Read("stdout.txt");
    const auto online = watcher.Messages()[0];
    EXPECT_TRUE(online.topic.starts_with("home/status/tintorel-")) << online.topic;
    EXPECT_EQ(online.payload, "online");
    testing_support::MqttTestClient other(m_broker, "other");
    ASSERT_TRUE(other.Publish("home/call", R"({"calling": "0791234567", "called": "0219876543",
        "name": "Martin Paul", "origin": "tintorel-elsewhere-00000000"})"));
    ASSERT_TRUE(WaitForRecords(b, 1));
    EXPECT_EQ(b.Records()[0], ";0791234567;0219876543;Martin Paul");
    EXPECT_TRUE(b.process->Running());
    EXPECT_TRUE(b.OutputHas("\nError: ISDN-driver not installed\n"));

    // Quit, it says goodbye; started again, it is the same copy at the broker; ended without
    // a word, it leaves its last will.
    e2e::Process quit;
    ASSERT_TRUE(quit.Start({b.Path("tintorel"), "--quit"}, Env(b, "", ""), b.Path("quit.txt")));
    EXPECT_EQ(quit.Wait(20s), 0) << b.Read("quit.txt");
    EXPECT_EQ(b.process->Wait(20s), 0);
    ASSERT_TRUE(watcher.WaitForMessages(2, 20s));
    EXPECT_EQ(watcher.Messages()[1].topic, online.topic);
    EXPECT_EQ(watcher.Messages()[1].payload, "offline");
    Start(b, "", m_broker.Url({}, "home"));
    ASSERT_TRUE(watcher.WaitForMessages(3, 20s));
    EXPECT_EQ(watcher.Messages()[2].topic, online.topic);
    EXPECT_EQ(watcher.Messages()[2].payload, "online");
    b.process->Stop();
    ASSERT_TRUE(watcher.WaitForMessages(4, 20s));
    EXPECT_EQ(watcher.Messages()[3].topic, online.topic);
    EXPECT_EQ(watcher.Messages()[3].payload, "offline");
}
