// The real program (offscreen) on a simulated CAPI line and a simulated call monitor: callers
// written differently by each line match one phonebook entry, one call that both lines report
// in their own ways is handled once, and the user's command runs for each call, ignored ones
// included, with what is known of the call in its environment.

#include "settings/NumberLists.h"
#include "settings/Settings.h"
#include "tests/e2e/Desktop.h"
#include "tests/support/TestEnv.h"
#include "tools/linesim/CallMonitor.h"
#include "tools/linesim/LineSim.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <string>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

namespace {

class NumbersProgramTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::copy_file(TINTOREL_EXE, m_env.ExecutablePath());
        ASSERT_TRUE(m_capi.Start());
        ASSERT_TRUE(m_monitor.Start());
    }

    void Start() {
        const e2e::Env env = {
            {"QT_QPA_PLATFORM", "offscreen"},
            {"HOME", m_env.Dir()},
            {"XDG_CONFIG_HOME", m_env.Path("config")},
            {"XDG_RUNTIME_DIR", m_env.Path("run")},
            {"TINTOREL_REGISTRY", m_env.RegistryPath()},
            {"TINTOREL_CAPI", "rcapi:127.0.0.1:" + std::to_string(m_capi.Port())},
            {"TINTOREL_CALLMONITOR", "127.0.0.1:" + std::to_string(m_monitor.Port())},
            {"TINTOREL_DIRECTORY", "127.0.0.1:1"},
            // A command that hangs is ended after a second.
            {"TINTOREL_COMMAND_TIMEOUT", "1"},
        };
        ASSERT_TRUE(m_tintorel.Start({m_env.ExecutablePath()}, env, m_env.Path("stdout.txt")));
        ASSERT_TRUE(m_capi.WaitForCount("LISTEN_REQ", 1, 20s)) << Output();
        ASSERT_TRUE(m_monitor.WaitForClients(1, 20s)) << Output();
    }

    std::string Output() const { return m_env.ReadFile("stdout.txt"); }

    // The log's records without their time stamps, once there are at least n.
    std::vector<std::string> Records(std::size_t n) const {
        std::vector<std::string> records;
        e2e::WaitFor(
            [&] {
                records.clear();
                const std::string log = m_env.ReadFile("isdncall.log");
                const std::regex line(R"(\d\d/\d\d/\d\d \d\d:\d\d:\d\d(;[^\r\n]*)\r\n)");
                for (auto it = std::sregex_iterator(log.begin(), log.end(), line);
                     it != std::sregex_iterator(); ++it)
                    records.push_back((*it)[1]);
                return records.size() >= n;
            },
            20s);
        return records;
    }

    testing_support::TestEnv m_env;
    linesim::LineSim m_capi;
    linesim::CallMonitorSim m_monitor;
    e2e::Process m_tintorel;
};

} // namespace

TEST_F(NumbersProgramTest, CallersMatchAnEntryWrittenInAnyFormAndOneCallOnBothLinesIsOne) {
    m_env.WriteFile("phonebook.txt", "+41 79 123 45 67;Martin Paul\r\n"
                                     "0041 31 111 11 11;Favre Anne\r\ncountry;0\r\n");
    Start();

    // The exchange gives a national number without its 0, then an international one
    // without its 00 (type of number 2 and 1 in the calling party number).
    m_capi.Ring(
        {.controller = 1, .calling = "791234567", .called = "0219876543", .callingType = 0x21});
    ASSERT_EQ(Records(1).size(), 1u);
    m_capi.Ring(
        {.controller = 1, .calling = "41791234567", .called = "0219876543", .callingType = 0x11});
    ASSERT_EQ(Records(2).size(), 2u);

    // One call, reported by both lines in their own ways.
    m_capi.Ring(
        {.controller = 1, .calling = "41311111111", .called = "0219876543", .callingType = 0x11});
    m_monitor.Ring("0", "0311111111", "0041219876543");
    std::vector<std::string> records = Records(3);
    std::this_thread::sleep_for(1s);
    records = Records(3);
    ASSERT_EQ(records.size(), 3u) << Output();
    // The window and the log keep what the line gave.
    EXPECT_EQ(records[0], ";791234567;0219876543;Martin Paul");
    EXPECT_EQ(records[1], ";41791234567;0219876543;Martin Paul");
    EXPECT_TRUE(records[2] == ";41311111111;0219876543;Favre Anne" ||
                records[2] == ";0311111111;0041219876543;Favre Anne")
        << records[2];
    // Nothing asked the directory, nothing was added to the phonebook.
    EXPECT_EQ(m_env.ReadFile("phonebook.txt"),
              "+41 79 123 45 67;Martin Paul\r\n0041 31 111 11 11;Favre Anne\r\ncountry;0\r\n");
    EXPECT_EQ(m_capi.Count("ALERT_REQ"), 3);
    EXPECT_TRUE(m_tintorel.Running());
}

TEST_F(NumbersProgramTest, TheCommandRunsForEachCallIgnoredOnesIncluded) {
    // A name no shell may read, from the phonebook.
    const std::string name = "$(rm -rf ~) \"Dupont\" 'Jean' `touch pwned`; \xe9";
    m_env.WriteFile("phonebook.txt", "0791234567;" + name + "\r\ncountry;0\r\n");
    m_env.WriteFile("record.sh",
                    "#!/bin/sh\nprintf '%s|%s|%s|%s|%s|%s|%s\\n' \"$1\" \"$TINTOREL_CALLING\" "
                    "\"$TINTOREL_CALLED\" \"$TINTOREL_NAME\" "
                    "\"$TINTOREL_CALLED_LABEL\" \"$TINTOREL_LINE\" "
                    "\"${TINTOREL_IGNORED-}\" >> \"$(dirname \"$0\")/calls\"\n");
    ASSERT_EQ(::chmod(m_env.Path("record.sh").c_str(), 0700), 0);
    settings::SetCallCommand("\"" + m_env.Path("record.sh") + "\" 'first argument'");
    ASSERT_TRUE(settings::SetCalledLabel("0219876543", "Bureau"));
    ASSERT_TRUE(settings::AddIgnoredNumber("0900*"));
    Start();

    m_monitor.Ring("0", "0791234567", "0219876543");
    m_monitor.Ring("1", "0900123456", "0219876543");
    m_capi.Ring({.controller = 1, .calling = "", .called = "0219876599"});
    ASSERT_EQ(Records(3).size(), 3u) << Output();
    // The commands run side by side: their lines may come in any order.
    const auto calls = [&] {
        std::vector<std::string> lines;
        const std::string text = m_env.ReadFile("calls");
        std::size_t start = 0;
        for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
            lines.push_back(text.substr(start, end - start));
        std::sort(lines.begin(), lines.end());
        return lines;
    };
    ASSERT_TRUE(e2e::WaitFor([&] { return calls().size() >= 3; }, 20s)) << Output();
    EXPECT_EQ(calls(), (std::vector<std::string>{
                           "first argument|0791234567|0219876543|$(rm -rf ~) \"Dupont\" 'Jean' "
                           "`touch pwned`; \xc3\xa9|Bureau|callmonitor|",
                           "first argument|0900123456|0219876543|Pas de connection|Bureau|"
                           "callmonitor|1",
                           "first argument||0219876599|||capi|",
                       }));
    EXPECT_TRUE(m_env.FileExists("phonebook.txt"));
    EXPECT_FALSE(m_env.FileExists("pwned"));

    // A command that fails is told on standard output; the calls go on.
    settings::SetCallCommand("sh -c 'echo \"no such printer\" >&2; exit 4'");
    m_monitor.Ring("2", "0791234567", "0219876543");
    ASSERT_EQ(Records(4).size(), 4u);
    EXPECT_TRUE(e2e::WaitFor(
        [&] {
            return Output().find("Call command failed: exit status 4: no such printer\n") !=
                   std::string::npos;
        },
        20s))
        << Output();

    // One that hangs is ended, and told.
    settings::SetCallCommand("sleep 60");
    m_capi.Ring({.controller = 1, .calling = "0791234567", .called = "0219876500"});
    ASSERT_EQ(Records(5).size(), 5u);
    EXPECT_TRUE(e2e::WaitFor(
        [&] {
            return Output().find("Call command failed: ran longer than 1 s and was ended "
                                 "(signal 15)\n") != std::string::npos;
        },
        20s))
        << Output();
    EXPECT_TRUE(m_tintorel.Running());
}
