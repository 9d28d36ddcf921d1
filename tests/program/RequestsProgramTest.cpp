// The command line's requests against the real program running offscreen on a simulated
// router's call monitor: the copy that writes the log takes them, quitting ends it, and the copy
// that takes the role over takes the requests too.

#include "calllog/LogOwner.h"
#include "tests/e2e/Desktop.h"
#include "tests/support/TestEnv.h"
#include "tools/linesim/CallMonitor.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

class RequestsProgramTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::copy_file(TINTOREL_EXE, m_env.ExecutablePath());
        ASSERT_TRUE(m_monitor.Start());
    }

    e2e::Env Env() const {
        return {
            {"QT_QPA_PLATFORM", "offscreen"},
            {"TINTOREL_CAPI", "rcapi:127.0.0.1:" + std::to_string(testing_support::ClosedPort())},
            {"TINTOREL_CALLMONITOR", "127.0.0.1:" + std::to_string(m_monitor.Port())},
        };
    }

    // A copy of the program, once its line is up.
    std::unique_ptr<e2e::Process> StartCopy() {
        auto process = std::make_unique<e2e::Process>();
        const int clients = m_monitor.Clients() + 1;
        EXPECT_TRUE(process->Start({m_env.ExecutablePath()}, Env(),
                                   m_env.Path("copy-" + std::to_string(++m_copies) + ".txt")));
        EXPECT_TRUE(m_monitor.WaitForClients(clients, 20s));
        return process;
    }

    // tintorel with one option: its status and what it said on standard error.
    std::pair<int, std::string> Ask(const std::string& option) {
        e2e::Process process;
        const std::string log = m_env.Path("ask-" + std::to_string(++m_asked) + ".txt");
        EXPECT_TRUE(process.Start({m_env.ExecutablePath(), option}, Env(), log));
        const int status = process.Wait(20s);
        return {status, m_env.ReadFile(log.substr(log.rfind('/') + 1))};
    }

    bool Logged(const std::string& number) const {
        return e2e::WaitFor(
            [&] { return m_env.ReadFile("isdncall.log").find(number) != std::string::npos; }, 20s);
    }

    testing_support::TestEnv m_env;
    linesim::CallMonitorSim m_monitor;
    int m_copies = 0;
    int m_asked = 0;
};

const std::pair<int, std::string> kTaken{0, ""};
const std::pair<int, std::string> kNotRunning{1, "Tintorel ne tourne pas.\n"};

} // namespace

TEST_F(RequestsProgramTest, QuitEndsTheCopyThatWritesTheLogAndTheNextOneTakesOver) {
    EXPECT_EQ(Ask("--quit"), kNotRunning);
    auto first = StartCopy();
    auto second = StartCopy();
    EXPECT_EQ(Ask("--about"), kTaken);

    // A request that never comes whole holds up neither calls nor other requests.
    int error = 0;
    const auto paths = GetLogOwnerPaths(error);
    ASSERT_TRUE(paths);
    const int silent = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, paths->channel.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(connect(silent, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(send(silent, "hist", 4, MSG_NOSIGNAL), 4);
    m_monitor.Ring("0", "0791234567", "0219876543");
    EXPECT_TRUE(Logged(";0791234567;"));
    EXPECT_EQ(Ask("--history"), kTaken);
    close(silent);

    EXPECT_EQ(Ask("--quit"), kTaken);
    EXPECT_EQ(first->Wait(10s), 0);
    EXPECT_TRUE(second->Running());
    // The second copy takes the role, and the requests with it, at its next call.
    EXPECT_EQ(Ask("--quit"), kNotRunning);
    m_monitor.Ring("1", "0228887777", "0219876543");
    EXPECT_TRUE(Logged(";0228887777;"));
    EXPECT_EQ(Ask("--quit"), kTaken);
    EXPECT_EQ(second->Wait(10s), 0);
    EXPECT_EQ(Ask("--phonebook"), kNotRunning);
}
