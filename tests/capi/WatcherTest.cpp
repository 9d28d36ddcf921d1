// The line watcher through the real libcapi20, with tools/linesim as the ISDN line. Each case
// runs the watcher in a forked child (see tests/support/LineSimHarness.h).

#include "tests/capi/WatcherChild.h"
#include "tests/support/LineSimHarness.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <sstream>
#include <thread>

using testing_support::ChildProcess;
using testing_support::Field;
using testing_support::HexText;
using watcher_test::ChildOptions;
using watcher_test::Mode;

namespace {

using namespace std::chrono_literals;

bool StartsWith(const std::string& s, const std::string& prefix) {
    return s.rfind(prefix, 0) == 0;
}

std::string Hex32(std::uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%X", v);
    return buf;
}

class WatcherTest : public ::testing::Test {
  protected:
    // The line the child will use; it starts once the child is forked.
    void StartLine(linesim::Config config = {}) {
        m_config = std::move(config);
        m_withLine = true;
    }

    // Forks the child, starts the line and expects InitCAPI to give `init` (a StartCAPI child
    // says "init async" whatever comes).
    void StartChild(ChildOptions options, bool init = true) {
        ASSERT_TRUE(m_child.Start([options](ChildProcess& io) {
            testing_support::HearTarget(io);
            return watcher_test::RunChild(io, options);
        }));
        if (m_withLine) {
            m_sim = std::make_unique<linesim::LineSim>(m_config);
            ASSERT_TRUE(m_sim->Start());
            m_target = testing_support::CapiTarget(*m_sim);
        }
        testing_support::SendTarget(m_child, m_target);
        std::string line;
        ASSERT_TRUE(m_child.NextLine(line));
        ASSERT_EQ(line, options.async ? "init async" : init ? "init 1" : "init 0");
    }

    // Sends raw messages and waits until they sit in the child's socket.
    void Raw(const std::vector<linesim::Bytes>& messages) {
        ASSERT_EQ(m_sim->SendRaw(messages), 1);
    }

    void Poll() { ASSERT_EQ(m_child.Ask("poll"), "polled"); }

    // A command whose answer may come before or after the watcher's "ended <ms>" line (a
    // Mode::OwnThread watcher that stops at once). Returns the answer; ended gets the other
    // line, "" when none came within 5 s.
    std::string AskAcrossEnd(const std::string& command, std::string& ended) {
        m_child.Send(command);
        std::string answer;
        m_child.NextLine(answer);
        ended.clear();
        m_child.NextLine(ended, 5s);
        if (StartsWith(answer, "ended "))
            std::swap(answer, ended);
        if (!StartsWith(ended, "ended "))
            ended.clear();
        return answer;
    }

    std::string Table() {
        const std::string reply = m_child.Ask("table");
        return reply.size() > 6 ? reply.substr(6) : reply;
    }

    // Index of the first transcript line with this name and address at or after from.
    int WaitMessage(const std::string& name, std::uint32_t adr, int from = 0,
                    std::chrono::milliseconds timeout = 10s) {
        return m_sim->WaitFor(
            [&](const std::string& l) {
                return StartsWith(l, name + " ") && Field(l, "adr") == Hex32(adr);
            },
            from, timeout);
    }

    // The message number linesim gave the indication it sent for this address.
    std::string SentNumber(const std::string& name, std::uint32_t adr) {
        for (const auto& l : m_sim->Sent()) {
            if (StartsWith(l, name + " ") && Field(l, "adr") == Hex32(adr))
                return Field(l, "msg");
        }
        return "?";
    }

    void Listen() {
        ASSERT_EQ(m_child.Ask("listen"), "listen 0");
        ASSERT_TRUE(m_sim->WaitForCount("LISTEN_REQ", 1));
        Poll(); // takes the LISTEN_CONF
    }

    testing_support::TestEnv m_env;
    linesim::Config m_config;
    bool m_withLine = false;
    std::string m_target;
    std::unique_ptr<linesim::LineSim> m_sim;
    ChildProcess m_child{m_env.Path("stdout.txt")};
};

linesim::Call MakeCall(const std::string& calling, const std::string& called, int controller = 1) {
    linesim::Call call;
    call.controller = controller;
    call.calling = calling;
    call.called = called;
    return call;
}

linesim::Bytes U16(std::uint16_t v) {
    return {static_cast<std::uint8_t>(v & 0xFF), static_cast<std::uint8_t>(v >> 8)};
}

linesim::Bytes Conf(std::uint8_t command, std::uint32_t adr, std::uint16_t info,
                    std::uint16_t number = 0) {
    linesim::Bytes params = U16(info);
    if (command == 0x80) // FACILITY_CONF: selector, confirmation parameter
        params.insert(params.end(), {0, 0, 0});
    if (command == 0x86) // DATA_B3_CONF: data handle first
        params.insert(params.begin(), {0, 0});
    return linesim::BuildMessage(command, 0x81, number, adr, params);
}

linesim::Bytes Ind(std::uint8_t command, std::uint32_t adr, const linesim::Bytes& params = {},
                   std::uint16_t number = 7) {
    return linesim::BuildMessage(command, 0x82, number, adr, params);
}

TEST_F(WatcherTest, NoDriverReportsAndStartsNothing) {
    // A port nobody listens on: the remote CAPI is not there.
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len), 0);
    ::close(fd);
    m_target = "rcapi:127.0.0.1:" + std::to_string(ntohs(addr.sin_port));

    StartChild({Mode::Detached}, false);
    EXPECT_EQ(m_child.Ask("appl"), "appl 0");
    EXPECT_EQ(m_child.Ask("link"), "link absent/0/0"); // and no retry
    EXPECT_EQ(m_child.Ask("stop"), "stopped");
    m_child.Send("exit");
    EXPECT_EQ(m_child.Wait(), 0);
    EXPECT_EQ(m_child.Stdout(), "\nError: ISDN-driver not installed\n");
}

TEST_F(WatcherTest, ZeroControllersNeverRegisters) {
    linesim::Config config;
    config.controllers = 0;
    StartLine(config);
    StartChild({Mode::Detached}, false);
    m_child.Send("exit");
    EXPECT_EQ(m_child.Wait(), 0);
    EXPECT_EQ(m_child.Stdout(), "\nError: No ISDN-controller installed\n");
    EXPECT_EQ(m_sim->Count("GET_PROFILE"), 1);
    EXPECT_EQ(m_sim->Count("REGISTER"), 0);
}

TEST_F(WatcherTest, RefusedRegistrationWritesTheCodeLine) {
    linesim::Config config;
    config.registerInfo = 0x1001;
    StartLine(config);
    StartChild({Mode::Detached}, false);
    EXPECT_EQ(m_child.Ask("appl"), "appl 0");
    EXPECT_EQ(m_child.Ask("stop"), "stopped");
    m_child.Send("exit");
    EXPECT_EQ(m_child.Wait(), 0);
    // libcapi20 reports any refusal of its remote end as 0x1008 (OS resource error).
    EXPECT_EQ(m_child.Stdout(),
              "\nError: registering the application in function RegisterCAPI, code: 1008\n");
    const auto transcript = m_sim->Transcript();
    ASSERT_EQ(m_sim->Count("REGISTER"), 1);
    for (const auto& l : transcript) {
        if (StartsWith(l, "REGISTER")) {
            EXPECT_EQ(Field(l, "logical"), "2");
            EXPECT_EQ(Field(l, "blocks"), "7");
            EXPECT_EQ(Field(l, "blocklen"), "2048");
        }
    }
    EXPECT_EQ(m_sim->Count("RELEASE"), 0);
}

TEST_F(WatcherTest, ListensOnEveryControllerInOrder) {
    linesim::Config config;
    config.controllers = 2;
    config.confInfo["LISTEN"] = 0x0001; // informative: no text
    StartLine(config);
    StartChild({Mode::Detached});
    ASSERT_TRUE(m_sim->WaitForCount("LISTEN_REQ", 2));
    std::vector<std::string> listens;
    for (const auto& l : m_sim->Transcript()) {
        if (StartsWith(l, "LISTEN_REQ"))
            listens.push_back(l);
    }
    ASSERT_EQ(listens.size(), 2u);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(Field(listens[i], "adr"), Hex32(i + 1));
        EXPECT_EQ(Field(listens[i], "msg"), "0");
        EXPECT_EQ(Field(listens[i], "cip"), "0x1FFF03FF");
        EXPECT_EQ(Field(listens[i], "infomask"), "0");
        EXPECT_EQ(Field(listens[i], "cip2"), "0");
        EXPECT_EQ(Field(listens[i], "calling"), "-");
        EXPECT_EQ(Field(listens[i], "callingsub"), "-");
    }
    // Two polls at least take both LISTEN_CONF.
    std::this_thread::sleep_for(400ms);
    EXPECT_EQ(m_child.Ask("stop"), "stopped");
    EXPECT_EQ(m_child.Stdout(), "");
}

TEST_F(WatcherTest, RefusedListenIsReportedAndAFailedSendStopsTheRest) {
    linesim::Config config;
    config.controllers = 2;
    config.confInfo["LISTEN"] = 0x2002;
    StartLine(config);
    StartChild({Mode::Polls});
    EXPECT_EQ(m_child.Ask("listen"), "listen 0");
    ASSERT_TRUE(m_sim->WaitForCount("LISTEN_REQ", 2));
    Poll();
    const std::string refused = "Error: Info value 0x2002 indicates error, function "
                                "Handle_Confirmation\n"
                                "Error: Info != 0 in LISTEN_CONF in function Handle_Confirmation\n";
    EXPECT_EQ(m_child.Stdout(), refused + refused);

    // Once released, CAPI takes no LISTEN_REQ: the first error is returned, nothing is sent.
    EXPECT_EQ(m_child.Ask("stop"), "stopped");
    const std::string reply = m_child.Ask("listen");
    EXPECT_TRUE(StartsWith(reply, "listen ")) << reply;
    EXPECT_NE(reply, "listen 0");
    EXPECT_EQ(m_sim->Count("LISTEN_REQ"), 2);
    EXPECT_EQ(m_child.Stdout(), refused + refused);
}

TEST_F(WatcherTest, StopReleasesOnceAcrossWatcherEndAndExit) {
    StartLine();
    StartChild({Mode::OwnThread});
    ASSERT_TRUE(m_sim->WaitForCount("LISTEN_REQ", 1));
    std::this_thread::sleep_for(250ms);
    std::string ended;
    EXPECT_EQ(AskAcrossEnd("stop", ended), "stopped");
    EXPECT_TRUE(m_sim->WaitForCount("RELEASE", 1));
    EXPECT_NE(ended, "");
    EXPECT_EQ(m_child.Ask("appl"), "appl 0");
    m_child.Send("exit");
    EXPECT_EQ(m_child.Wait(), 0);
    EXPECT_EQ(m_sim->Count("RELEASE"), 1);
    // A second CAPI_RELEASE of the same id would have failed and written its error line.
    EXPECT_EQ(m_child.Stdout(), "");
}

TEST_F(WatcherTest, ProcessExitWithoutStopReleasesOnce) {
    StartLine();
    ChildOptions options{Mode::Detached};
    options.atExitProbe = true;
    StartChild(options);
    ASSERT_TRUE(m_sim->WaitForCount("LISTEN_REQ", 1));
    m_child.Send("exit");
    // The probe runs after the watcher's at-exit routine, with the process still alive.
    std::string line;
    ASSERT_TRUE(m_child.NextLine(line));
    EXPECT_EQ(line, "atexit appl=0");
    EXPECT_TRUE(m_sim->WaitForCount("RELEASE", 1, 5s));
    m_child.Send("go");
    EXPECT_EQ(m_child.Wait(), 0);
    EXPECT_EQ(m_sim->Count("RELEASE"), 1);
    EXPECT_EQ(m_child.Stdout().find("deregistering"), std::string::npos);
}

TEST_F(WatcherTest, StopWhileWaitingEndsWithoutAnotherFetch) {
    StartLine();
    StartChild({Mode::OwnThread});
    ASSERT_TRUE(m_sim->WaitForCount("LISTEN_REQ", 1));
    std::this_thread::sleep_for(250ms);
    std::string ended;
    EXPECT_EQ(AskAcrossEnd("stop", ended), "stopped");
    ASSERT_NE(ended, "");
    const long ms = std::stol(ended.substr(6));
    EXPECT_GE(ms, 0);
    EXPECT_LT(ms, 3000); // woken at once, with room for a loaded machine
    // A fetch after the release would have failed and said so.
    EXPECT_EQ(m_child.Stdout(), "");
    RecordProperty("stop_to_end_ms", std::to_string(ms));
}

TEST_F(WatcherTest, StopDuringTheHandlerLetsItFinishAndFetchesNoMore) {
    StartLine();
    StartChild({Mode::OwnThread});
    ASSERT_TRUE(m_sim->WaitForCount("LISTEN_REQ", 1));
    ASSERT_EQ(m_child.Ask("hold on"), "ok");
    m_sim->Ring(MakeCall("0791234567", "1234"));
    std::string call;
    ASSERT_TRUE(m_child.NextCall(call)); // the handler runs inside the poll and waits
    EXPECT_EQ(m_child.Ask("stop"), "stopped");
    EXPECT_TRUE(m_sim->WaitForCount("RELEASE", 1));
    std::string line;
    EXPECT_FALSE(m_child.NextLine(line, 300ms)) << line; // still in the handler
    std::string ended;
    EXPECT_EQ(AskAcrossEnd("go", ended), "ok");
    EXPECT_NE(ended, "");
    // The round ends there: a fetch on the released application would have failed and said so.
    EXPECT_EQ(m_child.Stdout(), "");
}

TEST_F(WatcherTest, IncomingCallIsAlertedBeforeTheHandlerGetsTheDigits) {
    StartLine();
    StartChild({Mode::Detached});
    ASSERT_TRUE(m_sim->WaitForCount("LISTEN_REQ", 1));
    ASSERT_EQ(m_child.Ask("hold on"), "ok");

    struct Case {
        linesim::Call call;
        std::string calling, called;
    };
    linesim::Call national = MakeCall("0791234567", "1234");
    national.callingType = 0x21; // national number, ISDN plan: length octet 12
    linesim::Call anonymous = MakeCall("", "5678");
    anonymous.callingPresentation = 0xA0;                // restricted: length octet 2
    linesim::Call noCalled = MakeCall("0441112233", ""); // called length octet 1
    linesim::Call international = MakeCall("41791234567890123", "99");
    international.callingType = 0x11; // no prefix is added for it
    linesim::Call service = MakeCall("+41*31#", "*99#");
    const std::vector<Case> cases = {
        {national, "0791234567", "1234"}, {anonymous, "", "5678"},
        {noCalled, "0441112233", ""},     {international, "41791234567890123", "99"},
        {service, "+41*31#", "*99#"},
    };
    int from = 0;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(i);
        const std::uint32_t plci = m_sim->Ring(cases[i].call);
        std::string call;
        ASSERT_TRUE(m_child.NextCall(call));
        // The handler is still running: the ALERT_REQ must already be out.
        const int alert = WaitMessage("ALERT_REQ", plci, from, 5s);
        ASSERT_GE(alert, 0);
        const std::string line = m_sim->Transcript()[alert];
        EXPECT_EQ(Field(line, "msg"), "0");
        EXPECT_EQ(Field(line, "bchannel"), "-");
        EXPECT_EQ(Field(line, "keypad"), "-");
        EXPECT_EQ(Field(line, "useruser"), "-");
        EXPECT_EQ(Field(line, "facility"), "-");
        from = alert + 1;
        const auto hex = [](const std::string& s) { return s.empty() ? "-" : HexText(s); };
        const std::string expected =
            "call " + hex(cases[i].calling) + " " + hex(cases[i].called) + " ";
        ASSERT_TRUE(StartsWith(call, expected)) << call;
        // The slot of this call is in state D_ConnectPending when the handler runs.
        EXPECT_NE(call.find(std::to_string(i) + "/" + Hex32(plci) + "/0xFFFFFFFF/1"),
                  std::string::npos)
            << call;
        // The type of number comes with the digits: national, unknown or international here.
        EXPECT_EQ(m_child.Ask("type"),
                  "type " + std::to_string((cases[i].call.callingType >> 4) & 7));
        EXPECT_EQ(m_child.Ask("go"), "ok");
    }
    EXPECT_EQ(m_sim->Count("ALERT_REQ"), static_cast<int>(cases.size()));
    EXPECT_EQ(m_sim->Count("CONNECT_RESP"), 0); // alerted, never answered
}

TEST_F(WatcherTest, DigitsHandedOnKeepPrintablesButNoSeparators) {
    StartLine();
    StartChild({Mode::Detached});
    ASSERT_TRUE(m_sim->WaitForCount("LISTEN_REQ", 1));
    // Control bytes, ";" and DEL would break a log line, a phonebook line or a request line.
    const std::string calling =
        std::string("079\r\n12;3") + '\x01' + '\x7f' + '\0' + "\xe9" + "4 5";
    m_sim->Ring(MakeCall(calling, "12\t34;"));
    std::string call;
    ASSERT_TRUE(m_child.NextCall(call));
    EXPECT_TRUE(StartsWith(call, "call " +
                                     HexText("079123\xe9"
                                             "4 5") +
                                     " " + HexText("1234") + " "))
        << call;
}

TEST_F(WatcherTest, NinthCallIsRejectedAndAFreedSlotIsReused) {
    StartLine();
    StartChild({Mode::Detached});
    ASSERT_TRUE(m_sim->WaitForCount("LISTEN_REQ", 1));
    std::vector<std::uint32_t> plcis;
    for (int i = 0; i < 8; ++i) {
        plcis.push_back(m_sim->Ring(MakeCall("07900000" + std::to_string(i), "100")));
        std::string call;
        ASSERT_TRUE(m_child.NextCall(call));
        EXPECT_NE(call.find(std::to_string(i) + "/" + Hex32(plcis.back())), std::string::npos);
    }
    const std::uint32_t ninth = m_sim->Ring(MakeCall("0799999999", "100"));
    const int resp = WaitMessage("CONNECT_RESP", ninth);
    ASSERT_GE(resp, 0);
    const std::string line = m_sim->Transcript()[resp];
    EXPECT_EQ(Field(line, "msg"), SentNumber("CONNECT_IND", ninth));
    EXPECT_EQ(Field(line, "reject"), "2");
    EXPECT_EQ(Field(line, "b1"), "0");
    EXPECT_EQ(Field(line, "b2"), "0");
    EXPECT_EQ(Field(line, "b3"), "0");
    EXPECT_EQ(Field(line, "connected"), "-");
    EXPECT_EQ(Field(line, "llc"), "-");
    EXPECT_EQ(WaitMessage("ALERT_REQ", ninth, 0, 300ms), -1);

    m_sim->Hangup(plcis[3]);
    ASSERT_GE(WaitMessage("DISCONNECT_RESP", plcis[3]), 0);
    const std::uint32_t next = m_sim->Ring(MakeCall("0791111111", "200"));
    std::string call;
    ASSERT_TRUE(m_child.NextCall(call));
    // No call line came for the ninth: the next one is this call, in the freed slot 3.
    EXPECT_TRUE(StartsWith(call, "call " + HexText("0791111111") + " " + HexText("200"))) << call;
    EXPECT_NE(call.find("3/" + Hex32(next) + "/0xFFFFFFFF/1"), std::string::npos) << call;
    EXPECT_EQ(call.find(Hex32(plcis[3]) + "/"), std::string::npos) << call;
}

TEST_F(WatcherTest, RepeatedPlciAndUnknownClearing) {
    StartLine();
    StartChild({Mode::Detached});
    ASSERT_TRUE(m_sim->WaitForCount("LISTEN_REQ", 1));
    linesim::Call first = MakeCall("0311111111", "11");
    first.plci = 0x301;
    linesim::Call second = MakeCall("0322222222", "22");
    second.plci = 0x301;
    m_sim->Ring(first);
    std::string call;
    ASSERT_TRUE(m_child.NextCall(call));
    m_sim->Ring(second);
    ASSERT_TRUE(m_child.NextCall(call));
    EXPECT_EQ(call,
              "call " + HexText("0322222222") + " " + HexText("22") + " 0/0x301/0xFFFFFFFF/1");
    EXPECT_TRUE(m_sim->WaitForCount("ALERT_REQ", 2));

    m_sim->Hangup(0x7F01);
    const int resp = WaitMessage("DISCONNECT_RESP", 0x7F01);
    ASSERT_GE(resp, 0);
    EXPECT_EQ(Field(m_sim->Transcript()[resp], "msg"), SentNumber("DISCONNECT_IND", 0x7F01));
    EXPECT_EQ(Table(), "0/0x301/0xFFFFFFFF/1");

    m_sim->Hangup(0x301);
    ASSERT_GE(WaitMessage("DISCONNECT_RESP", 0x301), 0);
    for (int i = 0; i < 50 && Table() != "-"; ++i)
        std::this_thread::sleep_for(20ms);
    EXPECT_EQ(Table(), "-");
}

TEST_F(WatcherTest, SevenWaitingMessagesTakeTwoPolls) {
    StartLine();
    StartChild({Mode::Polls});
    Listen();
    std::vector<linesim::Call> calls;
    for (int i = 0; i < 7; ++i)
        calls.push_back(MakeCall("0790000" + std::to_string(i), "1"));
    m_sim->RingAll(calls);
    std::this_thread::sleep_for(200ms); // all seven reach the child's socket
    Poll();
    EXPECT_EQ(m_child.PendingCalls(), 6u);
    EXPECT_TRUE(m_sim->WaitForCount("ALERT_REQ", 6));
    Poll();
    EXPECT_EQ(m_child.PendingCalls(), 7u);
    EXPECT_TRUE(m_sim->WaitForCount("ALERT_REQ", 7));
    Poll();
    EXPECT_EQ(m_child.PendingCalls(), 7u);
}

TEST_F(WatcherTest, MessagesCapiDoesNotDefineAreReportedNotDecoded) {
    StartLine();
    StartChild({Mode::Polls});
    Listen();
    const std::string indication = "Error: Indication not handled in function Handle_Indication\n";
    // Commands and subcommands that exist, in pairs CAPI 2.0 never makes: libcapi20 has no
    // layout for them.
    Raw({Ind(0x01, 0x101, {0, 0, 0}),                              // ALERT_IND
         Ind(0x05, 0x1, {0, 0, 0}),                                // LISTEN_IND
         Ind(0x20, 0x101, {0, 0, 0}),                              // no such command
         Conf(0x03, 0x101, 0),                                     // CONNECT_ACTIVE_CONF
         Ind(0x08, 0x101, {0x00, 0x00, 0x00}),                     // INFO_IND, a real one
         linesim::BuildMessage(0x03, 0x80, 9, 0x101, {0, 0, 0})}); // CONNECT_ACTIVE_REQ
    std::this_thread::sleep_for(200ms);
    Poll();
    EXPECT_EQ(m_child.Stdout(), indication + indication + indication +
                                    "Error: Confirmation not handled in function "
                                    "Handle_Confirmation\n"
                                    "Error: Unknown subcommand in function Handle_CAPI_Msg\n");
    EXPECT_GE(WaitMessage("INFO_RESP", 0x101), 0);
    EXPECT_EQ(m_sim->Count("ALERT_RESP"), 0);
    EXPECT_NE(m_child.Ask("appl"), "appl 0"); // still registered, still polling
}

TEST_F(WatcherTest, UnhandledIndicationsAndUnknownSubcommand) {
    StartLine();
    StartChild({Mode::Polls});
    Listen();
    const linesim::Bytes facility = Ind(0x80, 0x101, {0x01, 0x00, 0x00}); // selector, parameter
    // Data (32 bit), length 0, handle, flags, Data64.
    const linesim::Bytes data =
        Ind(0x86, 0x10101, {0, 0, 0, 0, 0, 0, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    const linesim::Bytes unknown = linesim::BuildMessage(0x08, 0x84, 9, 0x101, {0, 0, 0});
    const linesim::Bytes info = Ind(0x08, 0x101, {0x00, 0x00, 0x00}); // number, element
    Raw({facility, data, unknown, info});
    std::this_thread::sleep_for(200ms);
    Poll();
    EXPECT_EQ(m_child.Stdout(), "Error: Indication not handled in function Handle_Indication\n"
                                "Error: Unknown subcommand in function Handle_CAPI_Msg\n");
    // The INFO_IND behind the unknown message waited: nothing answered it before this marker.
    const int before = static_cast<int>(m_sim->Transcript().size());
    EXPECT_EQ(m_child.Ask("listen"), "listen 0");
    const int marker =
        m_sim->WaitFor([](const auto& l) { return StartsWith(l, "LISTEN_REQ"); }, before);
    ASSERT_GE(marker, 0);
    EXPECT_EQ(m_sim->Count("INFO_RESP"), 0);
    Poll();
    const int infoResp = WaitMessage("INFO_RESP", 0x101);
    EXPECT_GT(infoResp, marker);
    EXPECT_EQ(m_sim->Count("FACILITY_RESP"), 0);
    EXPECT_EQ(m_sim->Count("DATA_B3_RESP"), 0);
    EXPECT_EQ(m_child.Stdout(), "Error: Indication not handled in function Handle_Indication\n"
                                "Error: Unknown subcommand in function Handle_CAPI_Msg\n");
}

TEST_F(WatcherTest, ConfirmationInfoLines) {
    StartLine();
    StartChild({Mode::Polls});
    Listen();
    Raw({Conf(0x80, 1, 0x0000), Conf(0x80, 1, 0x300A), Conf(0x01, 0x101, 0x0003),
         Conf(0x01, 0x101, 0x2002), Conf(0x08, 0x101, 0x2001), Conf(0x05, 1, 0x00FF)});
    Raw({Conf(0x04, 0x501, 0x2002), Conf(0x84, 0x10501, 0x2002), Conf(0x82, 0x10501, 0x2001),
         Conf(0x86, 0x10501, 0x0100)});
    std::this_thread::sleep_for(200ms);
    Poll();
    Poll();
    const std::string info = " indicates error, function Handle_Confirmation\n";
    EXPECT_EQ(m_child.Stdout(),
              "Error: Confirmation not handled in function Handle_Confirmation\n"
              "Error: Info value 0x300a" +
                  info + "Error: Info value 0x2002" + info +
                  "Error: Info != 0 in ALERT_CONF in function Handle_Confirmation\n"
                  "Error: Info value 0x2001" +
                  info +
                  "Error: Info != 0 in INFO_CONF in function Handle_Confirmation\n"
                  "Error: Info value 0x2002" +
                  info +
                  "Error: invalid PLCI in DISCONNECT_CONF in function Handle_Confirmation\n"
                  "Error: Info value 0x2002" +
                  info +
                  "Error: invalid NCCI in DISCONNECT_B3_CONF in function Handle_Confirmation\n"
                  "Error: Info value 0x2001" +
                  info +
                  "Error: invalid PLCI in CONNECT_B3_CONF in function Handle_Confirmation\n"
                  "Error: Info value 0x100" +
                  info);
    EXPECT_EQ(Table(), "-");
}

TEST_F(WatcherTest, ConnectionRowsOfAnsweredAndPlacedConnections) {
    StartLine();
    StartChild({Mode::Polls});
    Listen();
    auto step = [&](const linesim::Bytes& message) {
        Raw({message});
        std::this_thread::sleep_for(50ms);
        Poll();
        return Table();
    };
    // A placed connection: slot taken, CONNECT_REQ sent with its index as message number.
    ASSERT_EQ(m_child.Ask("alloc"), "alloc 0");
    EXPECT_EQ(step(Conf(0x02, 0x201, 0, 0)), "0/0x201/0xFFFFFFFF/1/i");
    EXPECT_EQ(step(Ind(0x03, 0x201, {0, 0, 0})), "0/0x201/0xFFFFFFFF/2/i");
    const int b3req = WaitMessage("CONNECT_B3_REQ", 0x201);
    ASSERT_GE(b3req, 0);
    EXPECT_EQ(Field(m_sim->Transcript()[b3req], "msg"), "0");
    EXPECT_EQ(Field(m_sim->Transcript()[b3req], "ncpi"), "-");
    EXPECT_GE(WaitMessage("CONNECT_ACTIVE_RESP", 0x201), 0);
    EXPECT_EQ(step(Conf(0x82, 0x10201, 0)), "0/0x201/0x10201/3/i");
    EXPECT_EQ(step(Ind(0x83, 0x10201, {0})), "0/0x201/0x10201/4");
    EXPECT_GE(WaitMessage("CONNECT_B3_ACTIVE_RESP", 0x10201), 0);
    EXPECT_EQ(step(Conf(0x84, 0x10201, 0)), "0/0x201/0x10201/5/i");
    EXPECT_EQ(step(Ind(0x84, 0x10201, {0, 0, 0})), "0/0x201/0xFFFFFFFF/2/i");
    EXPECT_GE(WaitMessage("DISCONNECT_B3_RESP", 0x10201), 0);
    const int dreq = WaitMessage("DISCONNECT_REQ", 0x201);
    ASSERT_GE(dreq, 0);
    EXPECT_EQ(Field(m_sim->Transcript()[dreq], "msg"), "0");
    EXPECT_EQ(step(Conf(0x04, 0x201, 0)), "0/0x201/0xFFFFFFFF/6/i");
    EXPECT_EQ(step(Ind(0x04, 0x201, {0x90, 0x34})), "-");
    EXPECT_GE(WaitMessage("DISCONNECT_RESP", 0x201), 0);

    // A placed connection the driver refuses frees its slot again.
    ASSERT_EQ(m_child.Ask("alloc"), "alloc 0");
    EXPECT_EQ(step(Conf(0x02, 0x301, 0x2003, 0)), "-");

    // An incoming call taken to B3 by the other side; a refused B3 set-up is disconnected.
    m_sim->Ring(MakeCall("0791234567", "1"));
    std::this_thread::sleep_for(50ms);
    Poll();
    const std::string plci = Field(m_sim->Sent().back(), "adr");
    ASSERT_FALSE(plci.empty());
    const std::uint32_t p = static_cast<std::uint32_t>(std::stoul(plci, nullptr, 16));
    EXPECT_EQ(step(Ind(0x82, 0x10000 | p, {0})), "0/" + Hex32(p) + "/" + Hex32(0x10000 | p) + "/3");
    const int b3resp = WaitMessage("CONNECT_B3_RESP", 0x10000 | p);
    ASSERT_GE(b3resp, 0);
    EXPECT_EQ(Field(m_sim->Transcript()[b3resp], "reject"), "0");
    step(Conf(0x82, 0x20000 | p, 0x2004));
    EXPECT_GE(WaitMessage("DISCONNECT_REQ", p), 0);
    EXPECT_EQ(m_child.Stdout(), "Error: Info value 0x2003 indicates error, function "
                                "Handle_Confirmation\n"
                                "Error: Info value 0x2004 indicates error, function "
                                "Handle_Confirmation\n");
}

TEST_F(WatcherTest, WithoutHandlerACallIsStillAlertedAndRecorded) {
    StartLine();
    ChildOptions options{Mode::Polls};
    options.handler = false;
    StartChild(options);
    Listen();
    const std::uint32_t plci = m_sim->Ring(MakeCall("0791234567", "1234"));
    std::this_thread::sleep_for(100ms);
    Poll();
    EXPECT_GE(WaitMessage("ALERT_REQ", plci), 0);
    EXPECT_EQ(Table(), "0/" + Hex32(plci) + "/0xFFFFFFFF/1");
    EXPECT_EQ(m_child.PendingCalls(), 0u);
    EXPECT_EQ(m_child.Stdout(), "");
}

TEST_F(WatcherTest, NumberReachingPastTheMessageIsNotCopied) {
    StartLine();
    StartChild({Mode::Polls});
    Listen();
    // CIP, called number "12", calling number claiming 200 octets in a message that ends.
    linesim::Bytes params = {1, 0, 3, 0x81, '1', '2', 200, 0x01, 0x80, '5'};
    Raw({Ind(0x02, 0x101, params)});
    std::this_thread::sleep_for(100ms);
    Poll();
    std::string call;
    ASSERT_TRUE(m_child.NextCall(call, 1s));
    EXPECT_TRUE(StartsWith(call, "call - " + HexText("12") + " ")) << call;
}

TEST_F(WatcherTest, NumberLengthOctetAtTheEndOfTheMessage) {
    StartLine();
    StartChild({Mode::Polls});
    Listen();
    // CIP, called number "12", then the calling number last: its length octet counts one
    // octet more than the message holds, then exactly what it holds.
    Raw({Ind(0x02, 0x101, {1, 0, 3, 0x81, '1', '2', 5, 0x01, 0x80, '5', '6'}),
         Ind(0x02, 0x201, {1, 0, 3, 0x81, '1', '2', 4, 0x01, 0x80, '5', '6'})});
    std::this_thread::sleep_for(100ms);
    Poll();
    std::string call;
    ASSERT_TRUE(m_child.NextCall(call, 1s));
    EXPECT_TRUE(StartsWith(call, "call - " + HexText("12") + " ")) << call;
    ASSERT_TRUE(m_child.NextCall(call, 1s));
    EXPECT_TRUE(StartsWith(call, "call " + HexText("56") + " " + HexText("12") + " ")) << call;
}

TEST_F(WatcherTest, CallDuringASlowHandlerIsAlertedAfterIt) {
    StartLine();
    StartChild({Mode::Detached});
    ASSERT_TRUE(m_sim->WaitForCount("LISTEN_REQ", 1));
    ASSERT_EQ(m_child.Ask("hold on"), "ok"); // a handler busy with a lookup
    m_sim->Ring(MakeCall("0791111111", "1"));
    std::string call;
    ASSERT_TRUE(m_child.NextCall(call));
    const std::uint32_t second = m_sim->Ring(MakeCall("0792222222", "2"));
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(m_sim->Count("ALERT_REQ"), 1);
    const int before = static_cast<int>(m_sim->Transcript().size());
    ASSERT_EQ(m_child.Ask("hold off"), "ok");
    EXPECT_EQ(m_child.Ask("go"), "ok");
    EXPECT_GE(WaitMessage("ALERT_REQ", second, before), 0);
    ASSERT_TRUE(m_child.NextCall(call));
    EXPECT_TRUE(StartsWith(call, "call " + HexText("0792222222") + " ")) << call;
}

TEST_F(WatcherTest, StopThenStartAtOnceLeavesOneWatcher) {
    StartLine();
    StartChild({Mode::OwnThread});
    ASSERT_TRUE(m_sim->WaitForCount("LISTEN_REQ", 1));
    std::string ended;
    EXPECT_EQ(AskAcrossEnd("restart", ended), "restarted 1");
    EXPECT_NE(ended, ""); // the first watcher ended instead of coming back to life
    ASSERT_TRUE(m_sim->WaitForCount("LISTEN_REQ", 2));
    EXPECT_EQ(m_sim->Count("RELEASE"), 1);
    const std::uint32_t plci = m_sim->Ring(MakeCall("0791234567", "1"));
    std::string call;
    ASSERT_TRUE(m_child.NextCall(call));
    EXPECT_GE(WaitMessage("ALERT_REQ", plci), 0);
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(m_sim->Count("ALERT_REQ"), 1);
    EXPECT_EQ(m_child.PendingCalls(), 0u);
    EXPECT_EQ(m_child.Stdout(), "");
}

// The link statuses the watcher reported, without their times.
std::vector<std::string> LinkStates(const std::string& links) {
    std::vector<std::string> states;
    std::istringstream in(links.substr(links.find(' ') + 1));
    for (std::string word; in >> word;)
        states.push_back(word.substr(0, word.find('@')));
    return states;
}

constexpr char kLost[] = "Error: CAPI connection lost, code: 1108\n";

TEST_F(WatcherTest, ExchangeBackAfterThreeSecondsIsListenedOnAgain) {
    StartLine();
    StartChild({Mode::Detached});
    ASSERT_TRUE(m_sim->WaitForCount("LISTEN_REQ", 1));
    const auto ringing = m_sim->RingAll({MakeCall("0791111111", "1"), MakeCall("0792222222", "2")});
    std::string call;
    ASSERT_TRUE(m_child.NextCall(call));
    ASSERT_TRUE(m_child.NextCall(call));
    ASSERT_TRUE(m_sim->WaitForCount("ALERT_REQ", 2)); // read before the line goes

    m_sim->Restart(3s);
    ASSERT_TRUE(m_sim->WaitForCount("LISTEN_REQ", 2, 15s));
    EXPECT_EQ(m_sim->Count("REGISTER"), 2);
    EXPECT_EQ(m_child.Ask("link"), "link connected/1/0");
    // The calls of the lost line are gone, with nothing sent for them: a restarted exchange
    // that hands out a PLCI again gets a fresh slot, alone in the table.
    linesim::Call again = MakeCall("0793333333", "3");
    again.plci = ringing[1];
    m_sim->Ring(again);
    ASSERT_TRUE(m_child.NextCall(call));
    EXPECT_EQ(call, "call " + HexText("0793333333") + " " + HexText("3") + " 0/" +
                        Hex32(ringing[1]) + "/0xFFFFFFFF/1");
    EXPECT_TRUE(m_sim->WaitForCount("ALERT_REQ", 3));
    EXPECT_EQ(m_sim->Count("DISCONNECT_"), 0);
    EXPECT_EQ(m_child.Stdout(), std::string(kLost) + "CAPI connection restored\n");
    const auto states = LinkStates(m_child.Ask("links"));
    ASSERT_GE(states.size(), 4u);
    EXPECT_EQ(states.front(), "connected/1/0");
    EXPECT_EQ(states[1], "lost/0/1");
    EXPECT_EQ(states.back(), "connected/1/0");
}

TEST_F(WatcherTest, StopWhileWaitingToRetryEndsPromptly) {
    StartLine();
    StartChild({Mode::OwnThread});
    ASSERT_TRUE(m_sim->WaitForCount("LISTEN_REQ", 1));
    m_sim->Restart(60s);
    // Two attempts have failed; the next is four seconds away.
    std::string link;
    for (int i = 0; i < 100 && link != "link lost/0/4"; ++i) {
        std::this_thread::sleep_for(50ms);
        link = m_child.Ask("link");
    }
    ASSERT_EQ(link, "link lost/0/4");
    std::string ended;
    EXPECT_EQ(AskAcrossEnd("stop", ended), "stopped");
    ASSERT_NE(ended, "");
    EXPECT_LT(std::stol(ended.substr(6)), 2000);
    EXPECT_EQ(m_child.Ask("link"), "link absent/0/0");
    EXPECT_EQ(m_child.Stdout(), kLost);
}

TEST_F(WatcherTest, ExchangeGoneForAWhileIsRetriedOnAWideningSchedule) {
    // scripts/test sets it for the sanitizer stage: this one takes a minute.
    if (std::getenv("TINTOREL_SANITIZER_STAGE") != nullptr)
        GTEST_SKIP() << "runs in the plain build only";
    StartLine();
    StartChild({Mode::Detached});
    ASSERT_TRUE(m_sim->WaitForCount("LISTEN_REQ", 1));
    const long long cpuBefore = std::stoll(m_child.Ask("cpu").substr(4));
    const auto goneAt = std::chrono::steady_clock::now();
    // Attempts after 1, 3, 7, 15 and 31 s find nobody; the one after 61 s gets through.
    m_sim->Restart(40s);
    // A word every 10 s: the child gives up after 30 s without one.
    bool back = false;
    for (int i = 0; i < 9 && !back; ++i) {
        back = m_sim->WaitForCount("LISTEN_REQ", 2, 10s);
        ASSERT_NE(m_child.Ask("link"), "");
    }
    ASSERT_TRUE(back);
    EXPECT_GE(std::chrono::steady_clock::now() - goneAt, 60s);
    EXPECT_EQ(m_sim->Count("REGISTER"), 2);
    // A busy loop would have burnt the whole minute.
    EXPECT_LT(std::stoll(m_child.Ask("cpu").substr(4)) - cpuBefore, 2000);

    std::istringstream in(m_child.Ask("links").substr(6));
    long long lostAt = -1;
    std::vector<long long> attempts;
    for (std::string word; in >> word;) {
        const long long at = std::stoll(word.substr(word.find('@') + 1));
        if (lostAt < 0 && StartsWith(word, "lost/"))
            lostAt = at;
        if (StartsWith(word, "lost/0/0@"))
            attempts.push_back(at);
    }
    const long long spacing[] = {1000, 2000, 4000, 8000, 16000, 30000};
    ASSERT_EQ(attempts.size(), std::size(spacing));
    for (std::size_t i = 0; i < attempts.size(); ++i) {
        SCOPED_TRACE(i);
        const long long gap = attempts[i] - (i == 0 ? lostAt : attempts[i - 1]);
        EXPECT_GE(gap, spacing[i] - 50);
        EXPECT_LE(gap, spacing[i] + 1500);
    }
    EXPECT_EQ(m_child.Stdout(), std::string(kLost) + "CAPI connection restored\n");
}

TEST_F(WatcherTest, ALinkThatFallsAtOnceIsRetriedOnAWideningSchedule) {
    StartLine();
    StartChild({Mode::Detached});
    ASSERT_TRUE(m_sim->WaitForCount("LISTEN_REQ", 1));
    // An exchange that drops every application as soon as it has registered: each loss comes
    // right after a connection, which must not start the schedule over.
    const auto start = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - start < 9s) {
        m_sim->Drop();
        std::this_thread::sleep_for(50ms);
    }
    // Registered again after 1, 2 and 4 s; the next try would come 8 s later.
    EXPECT_EQ(m_sim->Count("REGISTER"), 4);
    // The first countdown after each loss.
    std::vector<std::string> firsts;
    bool connected = true;
    for (const std::string& state : LinkStates(m_child.Ask("links"))) {
        if (connected && StartsWith(state, "lost/"))
            firsts.push_back(state);
        connected = StartsWith(state, "connected/");
    }
    ASSERT_GE(firsts.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(firsts.begin(), firsts.begin() + 3),
              (std::vector<std::string>{"lost/0/1", "lost/0/2", "lost/0/4"}));
    const std::string round = std::string(kLost) + "CAPI connection restored\n";
    EXPECT_EQ(m_child.Stdout().substr(0, 3 * round.size()), round + round + round);
}

TEST_F(WatcherTest, ADriverMissingAtStartIsTriedAgainOffTheStartingThread) {
    // Nobody at the port yet.
    m_target = "rcapi:127.0.0.1:" + std::to_string(testing_support::ClosedPort());
    ChildOptions options{Mode::Detached};
    options.async = true;
    StartChild(options);
    std::string line;
    ASSERT_TRUE(m_child.NextLine(line));
    EXPECT_EQ(line, "first 0");
    std::string link;
    for (int i = 0; i < 100 && link != "link missing/0/2"; ++i) {
        std::this_thread::sleep_for(50ms);
        link = m_child.Ask("link");
    }
    EXPECT_EQ(link, "link missing/0/2"); // the first retry failed too
    EXPECT_EQ(m_child.Ask("appl"), "appl 0");
    // Said once, at the first attempt; the retries are quiet.
    EXPECT_EQ(m_child.Stdout(), "\nError: ISDN-driver not installed\n");
    EXPECT_EQ(m_child.Ask("stop"), "stopped");
    EXPECT_EQ(m_child.Ask("link"), "link absent/0/0");
}

TEST_F(WatcherTest, ADriverThatAnswersAtStartIsListenedOn) {
    StartLine();
    ChildOptions options{Mode::Detached};
    options.async = true;
    StartChild(options);
    std::string line;
    ASSERT_TRUE(m_child.NextLine(line));
    EXPECT_EQ(line, "first 1");
    ASSERT_TRUE(m_sim->WaitForCount("LISTEN_REQ", 1));
    const std::uint32_t plci = m_sim->Ring(MakeCall("0791234567", "1234"));
    std::string call;
    ASSERT_TRUE(m_child.NextCall(call));
    EXPECT_GE(WaitMessage("ALERT_REQ", plci), 0);
    EXPECT_EQ(m_child.Ask("link"), "link connected/1/0");
    EXPECT_EQ(m_child.Ask("stop"), "stopped");
    EXPECT_TRUE(m_sim->WaitForCount("RELEASE", 1));
    EXPECT_EQ(m_child.Stdout(), "");
}

} // namespace
