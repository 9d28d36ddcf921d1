#include "calllog/CallLog.h"
#include "calllog/LogOwner.h"
#include "platform/InstanceLock.h"
#include "platform/ModulePath.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include <cerrno>

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using testing_support::BoxRecorder;
using testing_support::TestEnv;

namespace {

constexpr uid_t kNobody = 65534;

// Another copy of the program, as far as the role goes: a forked process that runs the start
// sequence's role decision and then logs calls on command. It answers every command with its
// role letter ("M" or "S"), preceded by "hook " when the repaint request came. It may live in
// another folder (its files beside a program there) or run as another user.
class Copy {
  public:
    struct Where {
        std::string folder; // the program's folder; empty: the test's own
        std::optional<uid_t> uid;
    };
    static Where In(const std::string& folder) { return Where{folder, std::nullopt}; }
    static Where As(uid_t uid) { return Where{std::string(), uid}; }

    explicit Copy(Where where = {}) {
        int toChild[2];
        int fromChild[2];
        if (pipe(toChild) != 0 || pipe(fromChild) != 0)
            ADD_FAILURE() << "pipe";
        m_pid = fork();
        if (m_pid == 0) {
            close(toChild[1]);
            close(fromChild[0]);
            Run(where, toChild[0], fromChild[1]);
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

    [[noreturn]] static void Run(const Where& where, int in, int out) {
        if (where.uid &&
            (setgroups(0, nullptr) != 0 || setgid(*where.uid) != 0 || setuid(*where.uid) != 0))
            _exit(3);
        if (!where.folder.empty())
            platform::SetModuleFileNameOverride(where.folder + "/tintorel");
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
                if (!TakeLogOwnership())
                    g_bLogOwner = false;
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

// The role's lock file for the test's own folder.
std::string LockPath() {
    int error = 0;
    const auto paths = GetLogOwnerPaths(error);
    EXPECT_TRUE(paths) << "no runtime folder: " << std::strerror(error);
    return paths ? paths->lock : std::string();
}

bool RoleHeld() {
    return platform::InstanceLockHeld(LockPath());
}

} // namespace

TEST(LogOwner, SecondCopyWritesNothingUntilFirstHasGone) {
    TestEnv env;
    BoxRecorder boxes; // a message in a child would show up as a stray line on its stderr
    const std::string log = "isdncall.log";

    Copy first;
    EXPECT_EQ(first.Send("start"), "M");
    EXPECT_TRUE(RoleHeld());
    Copy second;
    EXPECT_EQ(second.Send("start"), "S");

    EXPECT_EQ(second.Send("call 100"), "S");
    EXPECT_FALSE(env.FileExists(log));
    EXPECT_EQ(first.Send("call 101"), "M");
    EXPECT_EQ(second.Send("call 102"), "S");

    first.Quit(); // the role goes with it
    EXPECT_FALSE(RoleHeld());
    EXPECT_EQ(second.Send("call 103"), "hook M");
    EXPECT_EQ(second.Send("call 104"), "M"); // the role is taken once
    EXPECT_TRUE(RoleHeld());

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
    EXPECT_EQ(boxes.Count(), 0u);
}

TEST(LogOwner, CopiesInTwoDataFoldersBothLog) {
    // An installed copy and a portable one of the same user: two logs, each written.
    TestEnv env;
    BoxRecorder boxes;
    ASSERT_EQ(mkdir(env.Path("portable").c_str(), 0700), 0);

    Copy here;
    Copy portable(Copy::In(env.Path("portable")));
    EXPECT_EQ(here.Send("start"), "M");
    EXPECT_EQ(portable.Send("start"), "M");
    EXPECT_EQ(here.Send("call 201"), "M");
    EXPECT_EQ(portable.Send("call 202"), "M");

    // A second copy in the portable folder meets the first one there.
    Copy portableAgain(Copy::In(env.Path("portable")));
    EXPECT_EQ(portableAgain.Send("start"), "S");
    EXPECT_EQ(portableAgain.Send("call 203"), "S");

    const std::string mine = env.ReadFile("isdncall.log");
    const std::string theirs = env.ReadFile("portable/isdncall.log");
    EXPECT_NE(mine.find(";201;456;Martin\r\n"), std::string::npos) << mine;
    EXPECT_EQ(mine.find(";202;"), std::string::npos) << mine;
    EXPECT_NE(theirs.find(";202;456;Martin\r\n"), std::string::npos) << theirs;
    EXPECT_EQ(theirs.find(";201;"), std::string::npos) << theirs;
    EXPECT_EQ(theirs.find(";203;"), std::string::npos) << theirs;
    EXPECT_EQ(boxes.Count(), 0u);
}

TEST(LogOwner, AnotherUserCannotTakeOrBlockTheRole) {
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root, to run a copy as another user";
    TestEnv env;
    BoxRecorder boxes;
    // The other user may look into the test's folder, as into a home that isn't private.
    ASSERT_EQ(chmod(env.Dir().c_str(), 0755), 0);
    const std::string lock = LockPath();

    // A copy of another user, started first and with the same surroundings, takes nothing
    // from this user's copies.
    Copy stranger(Copy::As(kNobody));
    ASSERT_NE(stranger.Send("start"), "");
    Copy mine;
    EXPECT_EQ(mine.Send("start"), "M");
    EXPECT_EQ(mine.Send("call 301"), "M");

    // Nor can another user's process reach the lock by hand to take it or hold it.
    const pid_t pid = fork();
    if (pid == 0) {
        if (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0)
            _exit(3);
        const int fd = open(lock.c_str(), O_RDONLY | O_CREAT, 0666);
        _exit(fd < 0 && errno == EACCES ? 0 : 1);
    }
    int status = -1;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "another user reached the lock";

    Copy second;
    EXPECT_EQ(second.Send("start"), "S");
    EXPECT_EQ(mine.Send("call 302"), "M");
    const std::string text = env.ReadFile("isdncall.log");
    EXPECT_NE(text.find(";301;456;Martin\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find(";302;456;Martin\r\n"), std::string::npos) << text;
}

TEST(LogOwner, ASocketOnTheOldFixedNameChangesNothing) {
    TestEnv env;
    BoxRecorder boxes;
    // Any local process could bind the name every copy once looked for.
    const int squatter = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(squatter, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const char name[] = "Tintorel";
    std::memcpy(address.sun_path + 1, name, sizeof name - 1);
    const int bound =
        bind(squatter, reinterpret_cast<const sockaddr*>(&address),
             static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + sizeof name - 1));
    ASSERT_TRUE(bound == 0 || errno == EADDRINUSE) << std::strerror(errno);

    Copy copy;
    EXPECT_EQ(copy.Send("start"), "M");
    EXPECT_EQ(copy.Send("call 401"), "M");
    EXPECT_NE(env.ReadFile("isdncall.log").find(";401;456;Martin\r\n"), std::string::npos);
    close(squatter);
}

namespace {

// Runs check in a forked process (fresh role, no lock held yet); true when it returned true.
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

TEST(LogOwner, ARoleThatCantBeSetUpIsTakenAfterTelling) {
    TestEnv env;
    BoxRecorder boxes;

    // The lock can't be opened (no descriptor left): told with the error number.
    EXPECT_TRUE(InChild([&] {
        rlimit none{0, 0};
        setrlimit(RLIMIT_NOFILE, &none);
        return TakeLogOwnership() && g_bLogOwner &&
               OneBox(boxes,
                      QString::fromUtf8("Impossible de créer le pipe. LastError : %1").arg(EMFILE));
    }));

    // No private folder for it: neither a runtime folder nor a home.
    EXPECT_TRUE(InChild([&] {
        for (const char* name : {"XDG_RUNTIME_DIR", "HOME", "XDG_CACHE_HOME"})
            unsetenv(name);
        return TakeLogOwnership() && g_bLogOwner &&
               OneBox(boxes,
                      QString::fromUtf8("Impossible de créer le pipe. LastError : %1").arg(ENOENT));
    }));

    // Alone: no message, the role is taken, and taking it again stays quiet.
    ASSERT_FALSE(RoleHeld());
    EXPECT_TRUE(TakeLogOwnership());
    EXPECT_TRUE(g_bLogOwner);
    EXPECT_TRUE(RoleHeld());
    EXPECT_TRUE(TakeLogOwnership());
    EXPECT_EQ(boxes.Count(), 0u);
}
