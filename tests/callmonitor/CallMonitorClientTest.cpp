// The call monitor client against the simulated monitor over real TCP on 127.0.0.1.

#include "line/CallMonitorClient.h"
#include "tools/linesim/CallMonitor.h"
#include "tools/linesim/CallMonitorCommands.h"
#include "tests/support/StdoutCapture.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include <condition_variable>
#include <cstdio>
#include <functional>
#include <mutex>
#include <regex>
#include <string>
#include <vector>

namespace {

using line::LineState;
using Clock = std::chrono::steady_clock;

using testing_support::StdoutCapture;

struct Seen {
    line::LineStatus status;
    Clock::time_point at;
};

// What the client reported, for the test thread to wait on. The first call can be held until
// the test lets it go, like a call handler busy with a lookup.
class Recorder {
  public:
    line::CallMonitorClient::RingHandler Calls() {
        return [this](line::IncomingCall call) {
            std::unique_lock lock(m_mutex);
            EXPECT_EQ(call.source, line::Source::CallMonitor);
            EXPECT_EQ(call.callingType, line::NumberType::Unknown);
            m_calls.push_back(call.calling + "|" + call.called);
            m_changed.notify_all();
            m_changed.wait(lock, [&] { return !m_holdFirst || m_calls.size() > 1; });
        };
    }
    line::CallMonitorClient::StatusHandler Statuses() {
        return [this](const line::LineStatus& status) {
            std::lock_guard lock(m_mutex);
            m_statuses.push_back({status, Clock::now()});
            m_changed.notify_all();
        };
    }
    void HoldFirstCall(bool hold) {
        std::lock_guard lock(m_mutex);
        m_holdFirst = hold;
        m_changed.notify_all();
    }
    bool WaitForCalls(std::size_t n) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::seconds(10),
                                  [&] { return m_calls.size() >= n; });
    }
    std::vector<std::string> CallList() {
        std::lock_guard lock(m_mutex);
        return m_calls;
    }
    // Index of the first status at or after from in the given state (and with the given
    // retry time when not 0); -1 after the time-out.
    int WaitForState(LineState state, std::size_t from = 0, int retryIn = 0) {
        std::unique_lock lock(m_mutex);
        int found = -1;
        m_changed.wait_for(lock, std::chrono::seconds(15), [&] {
            for (std::size_t i = from; i < m_statuses.size(); ++i) {
                const auto& s = m_statuses[i].status;
                if (s.state == state && (retryIn == 0 || s.retryIn == retryIn)) {
                    found = static_cast<int>(i);
                    return true;
                }
            }
            return false;
        });
        return found;
    }
    std::vector<Seen> StatusList() {
        std::lock_guard lock(m_mutex);
        return m_statuses;
    }

  private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::string> m_calls;
    std::vector<Seen> m_statuses;
    bool m_holdFirst = false;
};

class CallMonitorClientTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(m_sim.Start()); }
    std::string Address() const { return "127.0.0.1:" + std::to_string(m_sim.Port()); }
    std::string Connected(const std::string& address) const {
        return "Call monitor connected to " + address + "\n";
    }

    StdoutCapture m_stdout;
    Recorder m_recorder;
    linesim::CallMonitorSim m_sim;
    line::CallMonitorClient m_client{m_recorder.Calls(), m_recorder.Statuses()};
};

TEST_F(CallMonitorClientTest, RingsReachTheHandlerAndEverythingElseIsIgnored) {
    ASSERT_TRUE(m_client.Start(Address()));
    ASSERT_TRUE(m_sim.WaitForClients(1));
    ASSERT_GE(m_recorder.WaitForState(LineState::Connected), 0);

    // The first call keeps the handler busy while everything else arrives.
    m_recorder.HoldFirstCall(true);
    EXPECT_EQ(m_sim.Ring("0", "0791234567", "0219876543"), 1);
    ASSERT_TRUE(m_recorder.WaitForCalls(1));
    m_sim.Call("1", "4", "0219876543", "0041791112233", "POTS");
    m_sim.Connect("1", "4", "0041791112233");
    m_sim.Disconnect("1", "12");
    m_sim.Raw("garbage \x01\xff;;;");
    m_sim.Raw("08.12.26 18:20:59;RING;x;1;2;SIP0;");
    m_sim.Raw("08.12.26 18:20:59;HOLD;3;");
    m_sim.Raw("08.12.26 18:20:59;RING;4;" + std::string(5000, '1') + ";2;SIP0;");
    m_sim.Ring("5", "", "555", "ISDN");
    m_recorder.HoldFirstCall(false);
    ASSERT_TRUE(m_recorder.WaitForCalls(2));

    // A record split across two writes, the second sent once the first was read (it came
    // with a whole record); numbers cleaned like CAPI digits.
    m_sim.Raw("01.02.03 04:05:06;RING;6;1;1;SIP0;\n"
              "01.02.03 04:05:06;RING;7;07\x01"
              "9\x7f\xe9;12",
              false);
    ASSERT_TRUE(m_recorder.WaitForCalls(3));
    m_sim.Raw("\t3;POTS;\r");
    ASSERT_TRUE(m_recorder.WaitForCalls(4));

    EXPECT_EQ(m_recorder.CallList(),
              (std::vector<std::string>{"0791234567|0219876543", "|555", "1|1", "079\xe9|123"}));
    EXPECT_EQ(m_client.Status().state, LineState::Connected);
    EXPECT_EQ(m_stdout.Text(), Connected(Address()));
}

TEST_F(CallMonitorClientTest, MonitorGoingAwayAndComingBack) {
    // Every connection counts as one that stayed up, so each loss starts the schedule over.
    line::CallMonitorClient client{m_recorder.Calls(), m_recorder.Statuses(),
                                   std::chrono::seconds(0)};
    // A name, resolved off the client's thread.
    const std::string address = "localhost:" + std::to_string(m_sim.Port());
    ASSERT_TRUE(client.Start(address));
    ASSERT_TRUE(m_sim.WaitForClients(1));

    // Dropped: lost, tried again after 1 s, back.
    m_sim.Drop();
    const int lost = m_recorder.WaitForState(LineState::Lost);
    ASSERT_GE(lost, 0);
    EXPECT_EQ(m_recorder.StatusList()[lost].status.reason, "closed by the router");
    EXPECT_EQ(m_recorder.StatusList()[lost].status.retryIn, 1);
    ASSERT_GE(m_recorder.WaitForState(LineState::Connected, lost), 0);
    ASSERT_TRUE(m_sim.WaitForClients(1));

    // Gone for longer: lost, refused on the next try, back once it listens again. The
    // schedule starts over after a connection that stayed up: 1 s, then 2 s.
    const auto before = m_recorder.StatusList().size();
    m_sim.Stop();
    const int lostAgain = m_recorder.WaitForState(LineState::Lost, before);
    ASSERT_GE(lostAgain, 0);
    EXPECT_EQ(m_recorder.StatusList()[lostAgain].status.retryIn, 1);
    const int refused = m_recorder.WaitForState(LineState::Refused, lostAgain);
    ASSERT_GE(refused, 0);
    EXPECT_EQ(m_recorder.StatusList()[refused].status.retryIn, 2);
    ASSERT_TRUE(m_sim.Start(m_sim.Port()));
    ASSERT_GE(m_recorder.WaitForState(LineState::Connected, refused), 0);
    ASSERT_TRUE(m_sim.WaitForClients(1));
    m_sim.Ring("9", "0791234567", "0219876543");
    ASSERT_TRUE(m_recorder.WaitForCalls(1));
    EXPECT_EQ(m_recorder.CallList()[0], "0791234567|0219876543");

    // One line per change: the refusal in between adds none.
    EXPECT_EQ(m_stdout.Text(), Connected(address) + "Call monitor lost: closed by the router\n" +
                                   Connected(address) +
                                   "Call monitor lost: closed by the router\n" +
                                   Connected(address));
}

// Accepts every connection and closes it at once, like a router at its connection limit.
class ClosingServer {
  public:
    ClosingServer() {
        m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof addr;
        if (::bind(m_fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
            ::listen(m_fd, 8) != 0 ||
            ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&addr), &length) != 0)
            ADD_FAILURE() << "cannot listen";
        m_port = ntohs(addr.sin_port);
        m_thread = std::thread([this] {
            while (!m_stop) {
                pollfd listening{m_fd, POLLIN, 0};
                if (::poll(&listening, 1, 50) <= 0)
                    continue;
                const int client = ::accept(m_fd, nullptr, nullptr);
                if (client >= 0) {
                    ++m_accepted;
                    ::close(client);
                }
            }
        });
    }
    ~ClosingServer() {
        m_stop = true;
        m_thread.join();
        ::close(m_fd);
    }
    std::uint16_t Port() const { return m_port; }
    int Accepted() const { return m_accepted; }

  private:
    int m_fd = -1;
    std::uint16_t m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_accepted{0};
    std::thread m_thread;
};

TEST_F(CallMonitorClientTest, APeerThatClosesAtOnceIsTriedOnAWideningSchedule) {
    ClosingServer server;
    const std::string address = "127.0.0.1:" + std::to_string(server.Port());
    ASSERT_TRUE(m_client.Start(address));
    // Tries at 0, 1 and 3 s; the next one would come at 7 s.
    std::this_thread::sleep_for(std::chrono::milliseconds(4500));
    m_client.Stop();

    std::vector<int> retries;
    for (const Seen& seen : m_recorder.StatusList()) {
        if (seen.status.state == LineState::Lost)
            retries.push_back(seen.status.retryIn);
    }
    EXPECT_EQ(retries, (std::vector<int>{1, 2, 4}));
    EXPECT_EQ(server.Accepted(), 3);
    // One "connected"/"lost" pair per try, not one a second.
    const std::string pair = Connected(address) + "Call monitor lost: closed by the router\n";
    EXPECT_EQ(m_stdout.Text(), pair + pair + pair);
}

TEST_F(CallMonitorClientTest, RefusedAtStartTriesAgainLater) {
    m_sim.Stop();
    ASSERT_TRUE(m_client.Start(Address()));
    const int second = m_recorder.WaitForState(LineState::Refused, 0, 2);
    ASSERT_GE(second, 0);
    ASSERT_TRUE(m_sim.Start(m_sim.Port()));
    ASSERT_GE(m_recorder.WaitForState(LineState::Connected, second), 0);

    const auto seen = m_recorder.StatusList();
    std::vector<std::pair<LineState, int>> states;
    for (const Seen& s : seen)
        states.push_back({s.status.state, s.status.retryIn});
    EXPECT_EQ(states, (std::vector<std::pair<LineState, int>>{
                          {LineState::Connecting, 0},
                          {LineState::Refused, 1},
                          {LineState::Connecting, 0},
                          {LineState::Refused, 2},
                          {LineState::Connecting, 0},
                          {LineState::Connected, 0},
                      }));
    EXPECT_EQ(seen[1].status.reason, "Connection refused");
    EXPECT_EQ(seen[1].status.address, Address());
    // Each try waits for the time announced with the refusal before it.
    EXPECT_GE(seen[2].at, seen[1].status.nextTry);
    EXPECT_GE(seen[4].at, seen[3].status.nextTry);
    EXPECT_EQ(m_stdout.Text(), "Call monitor lost: Connection refused\n" + Connected(Address()));
}

TEST_F(CallMonitorClientTest, StopsPromptlyAndStartsAgain) {
    // While connected: the router sees the client go; stopping prints nothing.
    ASSERT_TRUE(m_client.Start(Address()));
    ASSERT_TRUE(m_sim.WaitForClients(1));
    ASSERT_GE(m_recorder.WaitForState(LineState::Connected), 0);
    m_client.Stop();
    EXPECT_EQ(m_client.Status().state, LineState::Off);
    EXPECT_EQ(m_recorder.StatusList().back().status.state, LineState::Off);
    EXPECT_TRUE(m_sim.WaitForClients(0));

    // While waiting for the next try: back before it was due.
    const std::uint16_t port = m_sim.Port();
    m_sim.Stop();
    ASSERT_TRUE(m_client.Start(Address()));
    const int waiting = m_recorder.WaitForState(LineState::Refused, 0, 2);
    ASSERT_GE(waiting, 0);
    m_client.Stop();
    EXPECT_LT(Clock::now(), m_recorder.StatusList()[waiting].status.nextTry);
    EXPECT_EQ(m_client.Status().state, LineState::Off);

    // Not an address: a state, no thread, no crash; the next Start works.
    for (const char* bad : {"", "router:0", "[::1", "a b"}) {
        EXPECT_FALSE(m_client.Start(bad));
        EXPECT_EQ(m_client.Status().state, LineState::Invalid);
        EXPECT_EQ(m_client.Status().retryIn, 0);
        EXPECT_EQ(m_client.Status().reason, "invalid address");
        EXPECT_EQ(m_client.Status().address, bad);
    }
    ASSERT_TRUE(m_sim.Start(port));
    const auto restarted = m_recorder.StatusList().size();
    ASSERT_TRUE(m_client.Start(Address()));
    ASSERT_GE(m_recorder.WaitForState(LineState::Connected, restarted), 0);

    EXPECT_EQ(m_stdout.Text(), Connected(Address()) + "Call monitor lost: Connection refused\n" +
                                   "Call monitor lost: invalid address\n"
                                   "Call monitor lost: invalid address\n"
                                   "Call monitor lost: invalid address\n"
                                   "Call monitor lost: invalid address\n" +
                                   Connected(Address()));
}

TEST_F(CallMonitorClientTest, SimulatorCommands) {
    ASSERT_TRUE(m_client.Start(Address()));
    ASSERT_TRUE(m_sim.WaitForClients(1));
    const auto run = [&](const std::string& command) {
        return linesim::CallMonitorCommand(m_sim, command).value_or("<none>");
    };
    EXPECT_EQ(run("clients"), "ok clients 1");
    EXPECT_EQ(run("ring 0 0791234567 0219876543"), "ok sent to 1");
    EXPECT_EQ(run("call 1 4 0219876543 0791112233 POTS"), "ok sent to 1");
    EXPECT_EQ(run("connect 1 4 0791112233"), "ok sent to 1");
    EXPECT_EQ(run("disconnect 1 30"), "ok sent to 1");
    EXPECT_EQ(run("ring 2 - 555 ISDN"), "ok sent to 1");
    EXPECT_EQ(run("raw 08.12.26 18:20:59;RING;3;42;43;SIP0;"), "ok sent to 1");
    EXPECT_EQ(run("ring 4 0791234567"), "error: ring CONN CALLER CALLED [LINE]");
    EXPECT_EQ(run("disconnect 4 1 2"), "error: disconnect CONN SECONDS");
    EXPECT_EQ(run("ring 4 07;91 1"), "error: a field may not hold ';' (use raw)");
    EXPECT_EQ(run("dance"), "<none>");
    ASSERT_TRUE(m_recorder.WaitForCalls(3));
    EXPECT_EQ(m_recorder.CallList(),
              (std::vector<std::string>{"0791234567|0219876543", "|555", "42|43"}));
    EXPECT_EQ(run("drop"), "ok dropped 1");
    EXPECT_EQ(run("clients"), "ok clients 0");
}

// The linesim program, its commands piped in as a script would.
std::string RunLinesim(const std::string& args, const std::string& input, int& status) {
    const std::string command =
        "printf '" + input + "' | " + std::string(LINESIM_PATH) + " " + args + " 2>&1";
    std::FILE* pipe = ::popen(command.c_str(), "r");
    std::string output;
    char buf[256];
    while (pipe != nullptr && std::fgets(buf, sizeof buf, pipe) != nullptr)
        output += buf;
    status = pipe != nullptr ? ::pclose(pipe) : -1;
    return std::regex_replace(output, std::regex("listening on [0-9]+"), "listening on N");
}

TEST(CallMonitorSimProgram, ServesAloneOrBesideTheCapiSide) {
    int status = 0;
    EXPECT_EQ(RunLinesim("--callmonitor 0", "clients\\nring 0 1 2\\nraw x\\ndrop\\nbogus\\nquit\\n",
                         status),
              "callmonitor listening on N\nok clients 0\nok sent to 0\nok sent to 0\n"
              "ok dropped 0\nerror: unknown command bogus\n");
    EXPECT_EQ(WEXITSTATUS(status), 0);

    // Beside the CAPI side, ring is the CAPI side's and the monitor's commands take "cm".
    EXPECT_EQ(RunLinesim("--port 0 --callmonitor 0",
                         "cm clients\\ncm ring 0 1 2\\ncm dance\\nring 1 -\\ndrop\\n", status),
              "listening on N\ncallmonitor listening on N\nok clients 0\nok sent to 0\n"
              "error: unknown call monitor command\n"
              "error: ring <controller> <calling> <called>\nok dropped 0\n");
    EXPECT_EQ(WEXITSTATUS(status), 0);

    RunLinesim("--callmonitor 65536", "", status);
    EXPECT_EQ(WEXITSTATUS(status), 2);
}

} // namespace
