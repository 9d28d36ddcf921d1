// The request channel on its own: a listener on this thread's event loop, clients on other
// threads or processes, real sockets in the test's folder.

#include "platform/RequestChannel.h"
#include "tests/support/TestEnv.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <future>
#include <string>
#include <vector>

#include <grp.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace std::chrono_literals;
using platform::ListenResult;
using platform::RequestListener;
using platform::SendResult;

namespace {

constexpr uid_t kNobody = 65534;

QCoreApplication& App() {
    static int argc = 1;
    static char name[] = "request_channel_tests";
    static char* argv[] = {name, nullptr};
    static auto* app = new QCoreApplication(argc, argv);
    return *app;
}

// Runs a forked process as another user while this thread serves the listener; true when
// check returned true there.
template <class F> bool AsAnotherUser(F check) {
    const pid_t pid = fork();
    if (pid == 0) {
        if (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0)
            _exit(3);
        _exit(check() ? 0 : 1);
    }
    int status = -1;
    const auto end = std::chrono::steady_clock::now() + 20s;
    while (waitpid(pid, &status, WNOHANG) == 0 && std::chrono::steady_clock::now() < end)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Runs work on another thread while this one serves the listener; its result.
template <class F> auto WhileServing(F work) {
    App();
    auto future = std::async(std::launch::async, work);
    const auto end = std::chrono::steady_clock::now() + 20s;
    while (future.wait_for(0ms) != std::future_status::ready &&
           std::chrono::steady_clock::now() < end)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return future.get();
}

struct Sent {
    SendResult result;
    std::string reply;
    int error;
};

Sent Send(const std::string& path, const std::string& request) {
    Sent sent{};
    sent.result = platform::SendRequest(path, request, sent.reply, sent.error);
    return sent;
}

int Connect(const std::string& path) {
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

// Everything the other side says until it ends the connection.
std::string ReadToEnd(int fd) {
    std::string text;
    char buffer[256];
    ssize_t n;
    while ((n = read(fd, buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<std::size_t>(n));
    return text;
}

// Sends raw bytes as a client would and says no more, and reads the answer to the end.
std::string Raw(const std::string& path, const std::string& bytes) {
    return WhileServing([&] {
        const int fd = Connect(path);
        if (fd < 0)
            return std::string("no connection");
        [[maybe_unused]] const ssize_t sent = send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        shutdown(fd, SHUT_WR);
        std::string answer = ReadToEnd(fd);
        close(fd);
        return answer;
    });
}

class RequestChannelTest : public ::testing::Test {
  protected:
    void SetUp() override { App(); }

    std::string Path() const { return m_env.Path("run/channel.socket"); }

    testing_support::TestEnv m_env;
    std::vector<std::string> m_heard;
    RequestListener m_listener{[this](const std::string& request) {
        m_heard.push_back(request);
        return request == "history" ? std::string("ok") : std::string("error unknown request");
    }};
};

} // namespace

TEST_F(RequestChannelTest, AnswersWordsAndTurnsAwayAnythingElse) {
    int error = 0;
    ASSERT_EQ(m_listener.Listen(Path(), error), ListenResult::Listening) << error;

    Sent sent = WhileServing([&] { return Send(Path(), "history"); });
    EXPECT_EQ(sent.result, SendResult::Answered);
    EXPECT_EQ(sent.reply, "ok");
    sent = WhileServing([&] { return Send(Path(), "bogus"); });
    EXPECT_EQ(sent.reply, "error unknown request");

    // Not a word, too long, or cut short: answered without the handler hearing of it.
    EXPECT_EQ(Raw(Path(), "HISTORY\n"), "error malformed request\n");
    EXPECT_EQ(Raw(Path(), "his tory\n"), "error malformed request\n");
    EXPECT_EQ(Raw(Path(), std::string(100000, 'a')), "error request too long\n");
    EXPECT_EQ(Raw(Path(), ""), "error incomplete request\n");

    // A client that connects and says nothing holds up nobody, and is let go.
    const int silent = Connect(Path());
    ASSERT_GE(silent, 0);
    sent = WhileServing([&] { return Send(Path(), "history"); });
    EXPECT_EQ(sent.reply, "ok");
    EXPECT_EQ(WhileServing([&] { return ReadToEnd(silent); }), "error too slow\n");
    close(silent);

    EXPECT_EQ(m_heard, (std::vector<std::string>{"history", "bogus", "history"}));
}

TEST_F(RequestChannelTest, NobodyListeningAndWhatIsLeftBehind) {
    int error = 0;
    EXPECT_EQ(Send(Path(), "history").result, SendResult::NotRunning);

    // A socket left by a copy that was killed: nobody answers, and the next copy replaces it.
    const int dead = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, Path().c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(bind(dead, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    close(dead);
    EXPECT_EQ(Send(Path(), "history").result, SendResult::NotRunning);
    ASSERT_EQ(m_listener.Listen(Path(), error), ListenResult::Listening) << error;
    EXPECT_EQ(WhileServing([&] { return Send(Path(), "history"); }).reply, "ok");

    // A live listener is not replaced.
    RequestListener other([](const std::string&) { return std::string("ok"); });
    EXPECT_EQ(other.Listen(Path(), error), ListenResult::AlreadyExists);

    // Closed: gone, and asking finds nobody.
    m_listener.Close();
    EXPECT_EQ(access(Path().c_str(), F_OK), -1);
    EXPECT_EQ(Send(Path(), "history").result, SendResult::NotRunning);
}

TEST_F(RequestChannelTest, AnotherUsersRequestIsTurnedAwayUnheard) {
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root, to send a request as another user";
    // A folder both users reach, so that only the listener's check stands between them.
    const std::string shared = m_env.Path("shared");
    ASSERT_EQ(mkdir(shared.c_str(), 0777), 0);
    ASSERT_EQ(chmod(m_env.Dir().c_str(), 0755), 0);
    ASSERT_EQ(chmod(shared.c_str(), 0777), 0);
    const std::string mine = shared + "/mine.socket";
    int error = 0;
    ASSERT_EQ(m_listener.Listen(mine, error), ListenResult::Listening) << error;
    ASSERT_EQ(chmod(mine.c_str(), 0777), 0);

    EXPECT_TRUE(AsAnotherUser([&] {
        const int fd = Connect(mine);
        return fd >= 0 && send(fd, "history\n", 8, MSG_NOSIGNAL) == 8 &&
               ReadToEnd(fd) == "error not allowed\n";
    }));
    EXPECT_TRUE(m_heard.empty());
}
