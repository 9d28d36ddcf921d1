// tools/linesim against libcapi20 itself: the library's calls in a forked child (a fresh
// library per scenario), the simulated line in the test, or as the linesim program.

#include "tests/support/LineSimHarness.h"
#include "tests/support/TestEnv.h"

#include <capi20.h>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

using testing_support::ChildProcess;
using testing_support::Field;

namespace {

using namespace std::chrono_literals;

bool StartsWith(const std::string& s, const std::string& prefix) {
    return s.rfind(prefix, 0) == 0;
}

std::string Hex(unsigned v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%X", v);
    return buf;
}

void UseLine(std::uint16_t port) {
    capi20ext_set_tracelevel(0);
    static char driver[] = "rcapi";
    static char host[] = "127.0.0.1";
    capi20ext_set_driver(driver);
    capi20ext_set_host(host);
    capi20ext_set_port(port);
}

// Next message for the application within a few seconds, as "NAME_SUB adr=... " text.
std::string NextMessage(unsigned appl, _cmsg& m) {
    timeval wait{5, 0};
    if (capi20_waitformessage(appl, &wait) != 0)
        return "none";
    const unsigned r = capi_get_cmsg(&m, appl);
    if (r != 0)
        return "error " + Hex(r);
    return std::string(capi_cmd2str(m.Command, m.Subcommand)) + " adr=" + Hex(m.adr.adrPLCI) +
           " info=" + Hex(m.Info);
}

std::string Digits(const unsigned char* s, int skip) {
    if (s == nullptr || s[0] <= skip)
        return "";
    return std::string(reinterpret_cast<const char*>(s + 1 + skip), s[0] - skip);
}

class LineSimTest : public ::testing::Test {
  protected:
    void StartLine(linesim::Config config = {}) {
        m_sim = std::make_unique<linesim::LineSim>(std::move(config));
        ASSERT_TRUE(m_sim->Start());
    }

    testing_support::TestEnv m_env;
    std::unique_ptr<linesim::LineSim> m_sim;
    ChildProcess m_child{m_env.Path("stdout.txt")};
};

TEST_F(LineSimTest, AnswersTheLibraryFromInstallCheckToRelease) {
    linesim::Config config;
    config.controllers = 2;
    ASSERT_TRUE(m_child.Start([](ChildProcess& io) {
        UseLine(testing_support::HearTarget(io));
        io.Tell("installed " + Hex(capi20_isinstalled()));
        unsigned char buf[64] = {};
        const unsigned p0 = capi20_get_profile(0, buf);
        io.Tell("profile0 " + Hex(p0) + " " + std::to_string(buf[0]));
        std::memset(buf, 0, sizeof buf);
        const unsigned p2 = capi20_get_profile(2, buf);
        io.Tell("profile2 " + Hex(p2) + " " + std::to_string(buf[0]) + " " +
                std::to_string(buf[2]));
        io.Tell("profile3 " + Hex(capi20_get_profile(3, buf)));
        std::memset(buf, 0, sizeof buf);
        capi20_get_manufacturer(0, buf);
        io.Tell("manufacturer " + std::string(reinterpret_cast<char*>(buf)));
        std::memset(buf, 0, sizeof buf);
        capi20_get_version(0, buf);
        io.Tell("version " + std::to_string(buf[0]) + "." + std::to_string(buf[4]));
        std::memset(buf, 0, sizeof buf);
        capi20_get_serial_number(0, buf);
        io.Tell("serial " + std::string(reinterpret_cast<char*>(buf)));

        unsigned appl = 0;
        io.Tell("register " + Hex(capi20_register(2, 7, 2048, &appl)));
        _cmsg m;
        LISTEN_REQ(&m, appl, 0, 2, 0, 0x1FFF03FF, 0, nullptr, nullptr);
        io.Tell("got " + NextMessage(appl, m));
        const std::string ind = NextMessage(appl, m);
        io.Tell("got " + ind + " cip=" + std::to_string(m.CIPValue) + " calling=" +
                Digits(m.CallingPartyNumber, 2) + " called=" + Digits(m.CalledPartyNumber, 1) +
                " types=" + Hex(m.CallingPartyNumber[1]) + "," + Hex(m.CallingPartyNumber[2]) +
                "," + Hex(m.CalledPartyNumber[1]));
        const unsigned plci = m.adr.adrPLCI;
        ALERT_REQ(&m, appl, 0, plci, nullptr, nullptr, nullptr, nullptr, nullptr);
        io.Tell("got " + NextMessage(appl, m));
        const std::string disc = NextMessage(appl, m);
        io.Tell("got " + disc + " reason=" + Hex(m.Reason));
        DISCONNECT_RESP(&m, appl, m.Messagenumber, plci);
        io.Tell("release " + Hex(capi20_release(appl)));
        return 0;
    }));
    StartLine(config);
    testing_support::SendTarget(m_child, testing_support::CapiTarget(*m_sim));
    std::string line;
    const std::vector<std::string> expected = {
        "installed 0x0",
        "profile0 0x0 2",
        "profile2 0x0 2 2",
        "profile3 0x2002",
        "manufacturer Tintorel line simulator",
        "version 2.0",
        "serial 0000001",
        "register 0x0",
        "got LISTEN_CONF adr=0x2 info=0x0",
    };
    for (const auto& e : expected) {
        ASSERT_TRUE(m_child.NextLine(line));
        EXPECT_EQ(line, e);
    }
    linesim::Call call;
    call.controller = 2;
    call.calling = "0791234567";
    call.called = "1234";
    call.callingType = 0x21;
    const std::uint32_t plci = m_sim->Ring(call);
    EXPECT_EQ(plci & 0x7F, 2u);
    ASSERT_TRUE(m_child.NextLine(line));
    EXPECT_EQ(line, "got CONNECT_IND adr=" + Hex(plci) +
                        " info=0x0 cip=1 calling=0791234567 called=1234 types=0x21,0x80,0x81");
    ASSERT_TRUE(m_child.NextLine(line));
    EXPECT_EQ(line, "got ALERT_CONF adr=" + Hex(plci) + " info=0x0");
    m_sim->Hangup(plci);
    ASSERT_TRUE(m_child.NextLine(line));
    EXPECT_EQ(line, "got DISCONNECT_IND adr=" + Hex(plci) + " info=0x0 reason=0x3490");
    ASSERT_TRUE(m_child.NextLine(line));
    EXPECT_EQ(line, "release 0x0");
    EXPECT_EQ(m_child.Wait(), 0);

    ASSERT_TRUE(m_sim->WaitForCount("RELEASE", 1));
    const auto t = m_sim->Transcript();
    auto find = [&](const std::string& name) {
        for (const auto& l : t) {
            if (StartsWith(l, name + " "))
                return l;
        }
        return std::string();
    };
    EXPECT_EQ(find("REGISTER"),
              "REGISTER msg=0 adr=0x0 appl=0 buffer=2048 logical=2 blocks=7 blocklen=2048");
    const std::string listen = find("LISTEN_REQ");
    EXPECT_EQ(listen.substr(0, listen.find(" appl=")), "LISTEN_REQ msg=0 adr=0x2");
    EXPECT_EQ(Field(listen, "cip"), "0x1FFF03FF");
    EXPECT_EQ(Field(listen, "infomask"), "0");
    EXPECT_EQ(Field(listen, "cip2"), "0");
    EXPECT_EQ(Field(find("ALERT_REQ"), "adr"), Hex(plci));
    EXPECT_EQ(Field(find("DISCONNECT_RESP"), "adr"), Hex(plci));
    EXPECT_EQ(Field(find("RELEASE"), "appl"), Field(listen, "appl"));
    EXPECT_EQ(m_sim->Applications(), 0);
}

TEST_F(LineSimTest, RefusesAsConfigured) {
    linesim::Config config;
    config.registerInfo = 0x1001;
    ASSERT_TRUE(m_child.Start([](ChildProcess& io) {
        UseLine(testing_support::HearTarget(io));
        unsigned appl = 0;
        io.Tell("register " + Hex(capi20_register(2, 7, 2048, &appl)) + " " + Hex(appl));
        return 0;
    }));
    StartLine(config);
    testing_support::SendTarget(m_child, testing_support::CapiTarget(*m_sim));
    std::string line;
    ASSERT_TRUE(m_child.NextLine(line));
    EXPECT_EQ(line, "register 0x1008 0x0"); // the library's code for any remote refusal
    EXPECT_EQ(m_child.Wait(), 0);
    EXPECT_EQ(m_sim->Count("REGISTER"), 1);

    linesim::Config listenRefused;
    listenRefused.confInfo["LISTEN"] = 0x2002;
    listenRefused.confInfo["GET_PROFILE"] = 0x1009;
    m_sim.reset(); // no thread of the first line may run when the next child forks
    ChildProcess second(m_env.Path("stdout2.txt"));
    ASSERT_TRUE(second.Start([](ChildProcess& io) {
        UseLine(testing_support::HearTarget(io));
        unsigned char buf[64] = {};
        io.Tell("profile " + Hex(capi20_get_profile(0, buf)));
        unsigned appl = 0;
        capi20_register(2, 7, 2048, &appl);
        _cmsg m;
        LISTEN_REQ(&m, appl, 0, 1, 0, 0x1FFF03FF, 0, nullptr, nullptr);
        io.Tell("got " + NextMessage(appl, m));
        return 0;
    }));
    StartLine(listenRefused);
    testing_support::SendTarget(second, testing_support::CapiTarget(*m_sim));
    ASSERT_TRUE(second.NextLine(line));
    EXPECT_EQ(line, "profile 0x1009");
    ASSERT_TRUE(second.NextLine(line));
    EXPECT_EQ(line, "got LISTEN_CONF adr=0x1 info=0x2002");
    EXPECT_EQ(second.Wait(), 0);
}

TEST_F(LineSimTest, ServesSeveralApplicationsAtOnce) {
    ASSERT_TRUE(m_child.Start([](ChildProcess& io) {
        UseLine(testing_support::HearTarget(io));
        unsigned a = 0, b = 0;
        capi20_register(2, 7, 2048, &a);
        capi20_register(2, 7, 2048, &b);
        _cmsg m;
        LISTEN_REQ(&m, a, 0, 1, 0, 0x1FFF03FF, 0, nullptr, nullptr);
        NextMessage(a, m);
        LISTEN_REQ(&m, b, 0, 1, 0, 0x2, 0, nullptr, nullptr); // speech only
        NextMessage(b, m);
        io.Tell("listening");
        std::string go;
        io.Hear(go);
        io.Tell("a " + NextMessage(a, m));
        io.Tell("b " + NextMessage(b, m));
        capi20_release(a);
        io.Tell("released " + std::to_string(a));
        io.Hear(go);
        io.Tell("b " + NextMessage(b, m));
        timeval none{0, 0};
        io.Tell("b queue " + Hex(capi20_waitformessage(b, &none)));
        return 0;
    }));
    StartLine();
    testing_support::SendTarget(m_child, testing_support::CapiTarget(*m_sim));
    std::string line;
    ASSERT_TRUE(m_child.NextLine(line));
    ASSERT_EQ(line, "listening");
    EXPECT_EQ(m_sim->Applications(), 2);
    linesim::Call fax;
    fax.cip = 17; // group 3 fax: only the application that listens for everything hears it
    const std::uint32_t faxPlci = m_sim->Ring(fax);
    const std::uint32_t plci = m_sim->Ring(linesim::Call{});
    m_child.Send("go");
    ASSERT_TRUE(m_child.NextLine(line));
    EXPECT_EQ(line, "a CONNECT_IND adr=" + Hex(faxPlci) + " info=0x0");
    ASSERT_TRUE(m_child.NextLine(line));
    EXPECT_EQ(line, "b CONNECT_IND adr=" + Hex(plci) + " info=0x0");
    ASSERT_TRUE(m_child.NextLine(line));
    ASSERT_TRUE(StartsWith(line, "released "));
    ASSERT_TRUE(m_sim->WaitForCount("RELEASE", 1));
    EXPECT_EQ(m_sim->Applications(), 1);
    m_sim->Hangup(plci);
    m_child.Send("go");
    ASSERT_TRUE(m_child.NextLine(line));
    EXPECT_EQ(line, "b DISCONNECT_IND adr=" + Hex(plci) + " info=0x0");
    ASSERT_TRUE(m_child.NextLine(line));
    EXPECT_EQ(line, "b queue 0x1104");
    EXPECT_EQ(m_child.Wait(), 0);
}

int Connect(std::uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

TEST_F(LineSimTest, SurvivesClientsThatMisbehaveOrVanish) {
    // Both children fork before the line's thread exists.
    ASSERT_TRUE(m_child.Start([](ChildProcess& io) {
        UseLine(testing_support::HearTarget(io));
        unsigned appl = 0;
        capi20_register(2, 7, 2048, &appl);
        _cmsg m;
        LISTEN_REQ(&m, appl, 0, 1, 0, 0x1FFF03FF, 0, nullptr, nullptr);
        io.Tell("listening");
        std::string go;
        io.Hear(go);
        ::_exit(0); // no release: the socket just closes
        return 0;
    }));
    ChildProcess next(m_env.Path("stdout2.txt"));
    ASSERT_TRUE(next.Start([](ChildProcess& io) {
        UseLine(testing_support::HearTarget(io));
        unsigned appl = 0;
        io.Tell("register " + Hex(capi20_register(2, 7, 2048, &appl)));
        return 0;
    }));
    StartLine();
    const std::uint16_t port = m_sim->Port();
    // Gone at once; half a frame; a length that counts less than itself; a frame too large.
    const std::vector<std::vector<std::uint8_t>> openings = {
        {}, {0x00, 0x17, 0x00, 0x00, 0xF2}, {0x00, 0x01, 0xAA}, {0xFF, 0xFF, 0x00}};
    for (const auto& bytes : openings) {
        const int fd = Connect(port);
        ASSERT_GE(fd, 0);
        if (!bytes.empty()) {
            ASSERT_EQ(::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL),
                      static_cast<ssize_t>(bytes.size()));
        }
        ::close(fd);
    }
    // An application that registers, listens and vanishes while calls are rung at it.
    testing_support::SendTarget(m_child, testing_support::CapiTarget(*m_sim));
    std::string line;
    ASSERT_TRUE(m_child.NextLine(line));
    ASSERT_TRUE(m_sim->WaitForCount("LISTEN_REQ", 1));
    std::thread ringer([&] {
        for (int i = 0; i < 200; ++i)
            m_sim->Ring(linesim::Call{});
    });
    m_child.Send("go");
    ringer.join();
    EXPECT_EQ(m_child.Wait(), 0);
    ASSERT_TRUE(m_sim->WaitForCount("RELEASE", 1));
    m_sim->Ring(linesim::Call{});
    EXPECT_EQ(m_sim->Applications(), 0);

    // Still serving.
    testing_support::SendTarget(next, testing_support::CapiTarget(*m_sim));
    ASSERT_TRUE(next.NextLine(line));
    EXPECT_EQ(line, "register 0x0");
    EXPECT_EQ(next.Wait(), 0);
}

// The linesim program, driven over its standard input as a shell user would.
class Program {
  public:
    explicit Program(const std::vector<std::string>& args) {
        int in[2], out[2];
        if (::pipe(in) != 0 || ::pipe(out) != 0)
            return;
        // Built before the fork: the child only calls what is safe after one.
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(LINESIM_PATH));
        for (const auto& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        std::fflush(stdout);
        m_pid = ::fork();
        if (m_pid == 0) {
            ::dup2(in[0], STDIN_FILENO);
            ::dup2(out[1], STDOUT_FILENO);
            ::close(in[1]);
            ::close(out[0]);
            ::execv(LINESIM_PATH, argv.data());
            ::_exit(127);
        }
        ::close(in[0]);
        ::close(out[1]);
        m_in = ::fdopen(in[1], "w");
        m_out = ::fdopen(out[0], "r");
    }
    ~Program() {
        if (m_in != nullptr)
            std::fclose(m_in);
        if (m_out != nullptr)
            std::fclose(m_out);
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    std::string ReadLine() {
        char buf[512];
        if (m_out == nullptr || std::fgets(buf, sizeof buf, m_out) == nullptr)
            return "<eof>";
        std::string s = buf;
        if (!s.empty() && s.back() == '\n')
            s.pop_back();
        return s;
    }
    std::string Command(const std::string& line) {
        std::fprintf(m_in, "%s\n", line.c_str());
        std::fflush(m_in);
        return ReadLine();
    }
    int Wait() {
        std::fclose(m_in);
        m_in = nullptr;
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        m_pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

  private:
    pid_t m_pid = -1;
    FILE* m_in = nullptr;
    FILE* m_out = nullptr;
};

TEST_F(LineSimTest, CommandLineProgram) {
    EXPECT_EQ(Program({"--controllers", "2"}).Wait(), 2); // no port
    EXPECT_EQ(Program({"--port", "0", "--conf-info", "LISTEN"}).Wait(), 2);

    const std::string transcript = m_env.Path("transcript.txt");
    Program program({"--port", "0", "--controllers", "2", "--conf-info", "LISTEN_CONF=0x2002",
                     "--transcript", transcript});
    const std::string ready = program.ReadLine();
    ASSERT_TRUE(StartsWith(ready, "listening on ")) << ready;
    const auto port = static_cast<std::uint16_t>(std::stoi(ready.substr(13)));

    ASSERT_TRUE(m_child.Start([](ChildProcess& io) {
        UseLine(testing_support::HearTarget(io));
        unsigned appl = 0;
        capi20_register(2, 7, 2048, &appl);
        _cmsg m;
        LISTEN_REQ(&m, appl, 0, 1, 0, 0x1FFF03FF, 0, nullptr, nullptr);
        io.Tell("got " + NextMessage(appl, m));
        for (;;) {
            const std::string msg = NextMessage(appl, m);
            if (msg == "none" || StartsWith(msg, "error"))
                break;
            std::string extra;
            if (m.Command == CAPI_CONNECT)
                extra = " calling=" + Digits(m.CallingPartyNumber, 2) +
                        " called=" + Digits(m.CalledPartyNumber, 1) +
                        " type=" + Hex(m.CallingPartyNumber[1]);
            io.Tell("got " + msg + extra);
        }
        return 0;
    }));
    testing_support::SendTarget(m_child, "rcapi:127.0.0.1:" + std::to_string(port));
    std::string line;
    ASSERT_TRUE(m_child.NextLine(line));
    EXPECT_EQ(line, "got LISTEN_CONF adr=0x1 info=0x2002");
    // The refused LISTEN leaves controller 1 without listeners: the call reaches nobody.
    EXPECT_EQ(program.Command("ring 1 0791234567 1234"), "plci 0x101");
    EXPECT_EQ(program.Command("raw 0f 00 00 00 80 82 05 00 01 01 00 00 01 00 00"), "ok sent to 1");
    ASSERT_TRUE(m_child.NextLine(line));
    EXPECT_EQ(line, "got FACILITY_IND adr=0x101 info=0x0");
    EXPECT_EQ(program.Command("burst 3 0f0000008082050001010000010000"), "ok sent to 1");
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(m_child.NextLine(line));
        EXPECT_EQ(line, "got FACILITY_IND adr=0x101 info=0x0");
    }
    // A call the line never offered to anyone is cleared at every application.
    EXPECT_EQ(program.Command("hangup 0x7701"), "ok");
    ASSERT_TRUE(m_child.NextLine(line));
    EXPECT_EQ(line, "got DISCONNECT_IND adr=0x7701 info=0x0");
    EXPECT_TRUE(StartsWith(program.Command("ring 1 - "), "error"));
    EXPECT_TRUE(StartsWith(program.Command("raw 0e 00 zz"), "error"));
    EXPECT_TRUE(StartsWith(program.Command("hangup"), "error"));
    EXPECT_TRUE(StartsWith(program.Command("dance"), "error"));
    EXPECT_EQ(program.Command("sleep 10"), "ok");
    // The exchange going away: the application's connection closes under it, then the port
    // is shut until the restart delay has passed.
    EXPECT_EQ(program.Command("drop"), "ok dropped 1");
    EXPECT_EQ(m_child.Wait(), 0);
    EXPECT_TRUE(StartsWith(program.Command("restart"), "error"));
    EXPECT_EQ(program.Command("restart 300"), "ok");
    const int refused = Connect(port);
    EXPECT_LT(refused, 0);
    EXPECT_EQ(program.Command("sleep 600"), "ok");
    const int fd = Connect(port);
    EXPECT_GE(fd, 0);
    for (const int open : {refused, fd}) {
        if (open >= 0)
            ::close(open);
    }
    EXPECT_EQ(program.Command("quit"), "<eof>");
    EXPECT_EQ(program.Wait(), 0);

    std::ifstream in(transcript);
    std::vector<std::string> lines;
    for (std::string l; std::getline(in, l);)
        lines.push_back(l);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_TRUE(StartsWith(lines[0], "REGISTER msg=0 adr=0x0 ")) << lines[0];
    bool listen = false;
    for (const auto& l : lines)
        listen = listen || StartsWith(l, "LISTEN_REQ msg=0 adr=0x1 ");
    EXPECT_TRUE(listen);
}

} // namespace
