// A stop request that comes while a directory exchange ends. This binary watches close(): when
// the exchange closes its wake-up descriptor, the number is given at once to a pipe (as any
// file or socket opened next would get it) and the stop is requested right then. A callback
// still registered would write its 8 bytes into that pipe.

#include "phonebook/DirectoryClient.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <stop_token>
#include <string>

namespace {

std::atomic<std::stop_source*> g_stopAtClose{nullptr};
std::atomic<int> g_pipeRead{-1};

int RealClose(int fd) {
    return static_cast<int>(::syscall(SYS_close, fd));
}

bool IsEventFd(int fd) {
    char target[64] = {};
    const std::string link = "/proc/self/fd/" + std::to_string(fd);
    const ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
    return n > 0 && std::string(target, static_cast<std::size_t>(n)) == "anon_inode:[eventfd]";
}

} // namespace

extern "C" int close(int fd) {
    std::stop_source* source = g_stopAtClose.load();
    if (source == nullptr || !IsEventFd(fd))
        return RealClose(fd);
    g_stopAtClose = nullptr;
    int ends[2];
    const bool piped = ::pipe2(ends, O_CLOEXEC | O_NONBLOCK) == 0;
    const int result = RealClose(fd);
    if (piped) {
        ::dup2(ends[1], fd);
        RealClose(ends[1]);
        g_pipeRead = ends[0];
    }
    source->request_stop();
    return result;
}

TEST(DirectoryStop, AStopAsTheExchangeEndsWritesIntoNoReusedDescriptor) {
    // Refused at once: the exchange ends soon after it began.
    const directory::Endpoint endpoint{"127.0.0.1", testing_support::ClosedPort(), true};
    std::stop_source stop;
    g_stopAtClose = &stop;
    std::string reply;
    EXPECT_EQ(directory::FetchReply(endpoint, "GET / HTTP/1.1\r\n\r\n", reply, directory::kTimeout,
                                    directory::kDeadline, stop.get_token()),
              directory::FetchStatus::ConnectFailed);
    ASSERT_EQ(g_stopAtClose.load(), nullptr) << "the exchange closed no wake-up descriptor";
    ASSERT_TRUE(stop.stop_requested());
    const int pipeRead = g_pipeRead.exchange(-1);
    ASSERT_GE(pipeRead, 0);
    std::uint64_t stray = 0;
    EXPECT_EQ(::read(pipeRead, &stray, sizeof stray), -1) << "a stop wrote " << stray;
    RealClose(pipeRead);
}
