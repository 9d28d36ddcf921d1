#pragma once
// Running part of a test in a child process: as another user, or where a fault would hang or
// eat memory without end, so that the fault fails the test instead of stalling the run. The
// child's failed expectations show in its exit status.

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <string>

#include <signal.h>
#include <sys/resource.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testing_support {

// The unprivileged users a test may become.
constexpr uid_t kNobody = 65534;
constexpr uid_t kDaemon = 1;

struct ChildLimits {
    uid_t uid = 0;         // 0 keeps this process's user
    unsigned seconds = 60; // a child that hangs is ended then
#if defined(__SANITIZE_ADDRESS__)
    rlim_t memory = RLIM_INFINITY; // the sanitizer's shadow memory needs the address space
#else
    rlim_t memory = static_cast<rlim_t>(2) << 30; // one that grows without end fails
#endif
};

// Runs body in a child within limits. Returns "" when it ran to its end with no failed
// expectation, else what went wrong.
inline std::string RunInChild(const std::function<void()>& body, ChildLimits limits = {}) {
    const pid_t pid = fork();
    if (pid < 0)
        return "fork failed";
    if (pid == 0) {
        alarm(limits.seconds);
        const rlimit memory{limits.memory, limits.memory};
        setrlimit(RLIMIT_AS, &memory);
        if (limits.uid != 0 && (setgid(limits.uid) != 0 || setuid(limits.uid) != 0))
            _exit(3);
        body();
        _exit(::testing::Test::HasFailure() ? 1 : 0);
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFSIGNALED(status))
        return WTERMSIG(status) == SIGALRM
                   ? "the child hung"
                   : "the child died of signal " + std::to_string(WTERMSIG(status));
    if (WEXITSTATUS(status) == 3)
        return "the child could not become user " + std::to_string(limits.uid);
    return WEXITSTATUS(status) == 0 ? "" : "the child's expectations failed (see above)";
}

} // namespace testing_support
