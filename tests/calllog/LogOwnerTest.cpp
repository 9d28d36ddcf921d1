#include "calllog/CallLog.h"
#include "calllog/LogOwner.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <csignal>
#include <string>

#include <cerrno>

#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using testing_support::BoxRecorder;
using testing_support::TestEnv;

namespace {

// Another copy of the program, as far as the role goes: a forked process that runs the start
// sequence's role decision and then logs calls on command. It answers every command with its
// role letter ("M" or "S"), preceded by "hook " when the repaint request came.
class Copy {
  public:
    Copy() {
        int toChild[2];
        int fromChild[2];
        if (pipe(toChild) != 0 || pipe(fromChild) != 0)
            ADD_FAILURE() << "pipe";
        m_pid = fork();
        if (m_pid == 0) {
            close(toChild[1]);
            close(fromChild[0]);
            Run(toChild[0], fromChild[1]);
        }
        close(toChild[0]);
        close(fromChild[1]);
        m_in = toChild[1];
        m_out = fromChild[0];
    }
    ~Copy() { Quit(); }

    std::string Send(const std::string& command) {
        std::string line = command + "\n";
        if (write(m_in, line.data(), line.size()) != static_cast<ssize_t>(line.size()))
            return "write failed";
        return ReadLine();
    }

    void Quit() {
        if (m_pid <= 0)
            return;
        Send("quit");
        int status = 0;
        waitpid(m_pid, &status, 0);
        close(m_in);
        close(m_out);
        m_pid = -1;
    }

  private:
    std::string ReadLine() {
        std::string line;
        char c;
        pollfd p{m_out, POLLIN, 0};
        while (poll(&p, 1, 20000) == 1 && read(m_out, &c, 1) == 1 && c != '\n')
            line += c;
        return line;
    }

    [[noreturn]] static void Run(int in, int out) {
        bool hooked = false;
        SetLogOwnerChangedHook([&] { hooked = true; });
        std::string command;
        char c;
        while (read(in, &c, 1) == 1) {
            if (c != '\n') {
                command += c;
                continue;
            }
            if (command == "start") {
                if (InstancePipeExists())
                    g_bLogOwner = false;
                else
                    ClaimLogOwnership();
            } else if (command.rfind("call ", 0) == 0) {
                AppendCallLog(command.substr(5).c_str(), "456", "Martin");
            } else if (command == "quit") {
                break;
            }
            std::string reply = (hooked ? "hook " : "") + std::string(g_bLogOwner ? "M" : "S");
            reply += "\n";
            hooked = false;
            if (write(out, reply.data(), reply.size()) < 0)
                break;
            command.clear();
        }
        _exit(0);
    }

    pid_t m_pid = -1;
    int m_in = -1;
    int m_out = -1;
};

} // namespace

TEST(LogOwner, SecondCopyWritesNothingUntilFirstHasGone) {
    TestEnv env;
    BoxRecorder boxes; // a message in a child would show up as a stray line on its stderr
    const std::string log = "isdncall.log";

    Copy first;
    EXPECT_EQ(first.Send("start"), "M");
    EXPECT_TRUE(InstancePipeExists());
    Copy second;
    EXPECT_EQ(second.Send("start"), "S");

    EXPECT_EQ(second.Send("call 100"), "S");
    EXPECT_FALSE(env.FileExists(log));
    EXPECT_EQ(first.Send("call 101"), "M");
    EXPECT_EQ(second.Send("call 102"), "S");

    first.Quit(); // the pipe goes with it
    EXPECT_FALSE(InstancePipeExists());
    EXPECT_EQ(second.Send("call 103"), "hook M");
    EXPECT_EQ(second.Send("call 104"), "M"); // the role is taken once
    EXPECT_TRUE(InstancePipeExists());

    // A third copy now finds the second one holding the role.
    Copy third;
    EXPECT_EQ(third.Send("start"), "S");
    EXPECT_EQ(third.Send("call 105"), "S");

    const std::string text = env.ReadFile(log);
    EXPECT_EQ(text.find(";100;"), std::string::npos);
    EXPECT_NE(text.find(";101;456;Martin\r\n"), std::string::npos);
    EXPECT_EQ(text.find(";102;"), std::string::npos);
    EXPECT_NE(text.find(";103;456;Martin\r\n"), std::string::npos);
    EXPECT_NE(text.find(";104;456;Martin\r\n"), std::string::npos);
    EXPECT_EQ(text.find(";105;"), std::string::npos);
    EXPECT_LT(text.find(";101;"), text.find(";103;"));
}

namespace {

// Runs check in a forked process (fresh role, no pipe held yet); true when it returned true.
template <class F> bool InChild(F check) {
    pid_t pid = fork();
    if (pid == 0)
        _exit(check() ? 0 : 1);
    int status = -1;
    return waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool OneBox(const BoxRecorder& boxes, const QString& text) {
    auto requests = boxes.Requests();
    return requests.size() == 1 && requests[0].text == text &&
           requests[0].icon == platform::MsgIcon::None &&
           requests[0].buttons == platform::MsgButtons::Ok && requests[0].caption == "tintorel";
}

} // namespace

TEST(LogOwner, ClaimMessages) {
    TestEnv env;
    BoxRecorder boxes;

    // The name held by another copy: told, and the role is taken all the same.
    {
        Copy other;
        ASSERT_EQ(other.Send("start"), "M");
        EXPECT_TRUE(InChild([&] {
            ClaimLogOwnership();
            return g_bLogOwner && OneBox(boxes, QString::fromUtf8("Erreur : pipe déjà existant."));
        }));
    }

    // The socket can't be made (no descriptor left): told with the error number.
    EXPECT_TRUE(InChild([&] {
        rlimit none{0, 0};
        setrlimit(RLIMIT_NOFILE, &none);
        ClaimLogOwnership();
        return g_bLogOwner &&
               OneBox(boxes,
                      QString::fromUtf8("Impossible de créer le pipe. LastError : %1").arg(EMFILE));
    }));

    // Alone: no message, the role is taken, and claiming again stays quiet.
    ASSERT_FALSE(InstancePipeExists());
    ClaimLogOwnership();
    EXPECT_TRUE(g_bLogOwner);
    EXPECT_TRUE(InstancePipeExists());
    ClaimLogOwnership();
    EXPECT_EQ(boxes.Count(), 0u);
}
