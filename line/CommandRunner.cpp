#include "line/CommandRunner.h"

#include "capi/Diagnostics.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/eventfd.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace line {

namespace {

using namespace std::chrono_literals;

// Where there is no pidfd, an ended child is looked for this often.
constexpr auto kReapTick = 50ms;
// What is kept of the first line of a command's error output.
constexpr std::size_t kMaxLine = 300;

std::chrono::milliseconds TimeLimit() {
    if (const char* value = std::getenv("TINTOREL_COMMAND_TIMEOUT")) {
        char* end = nullptr;
        const long seconds = std::strtol(value, &end, 10);
        if (end != value && *end == '\0' && seconds > 0 &&
            seconds < CommandRunner::kTimeLimit.count())
            return std::chrono::seconds(seconds);
    }
    return CommandRunner::kTimeLimit;
}

// The program's environment with the variables set in it (replacing those of the same name).
std::vector<std::string>
Environment(const std::vector<std::pair<std::string, std::string>>& variables) {
    std::vector<std::string> environment;
    for (char** entry = environ; entry && *entry; ++entry) {
        const std::string_view text(*entry);
        const std::string_view name = text.substr(0, text.find('='));
        if (std::none_of(variables.begin(), variables.end(),
                         [&](const auto& variable) { return variable.first == name; }))
            environment.emplace_back(text);
    }
    for (const auto& [name, value] : variables)
        environment.push_back(name + "=" + value);
    return environment;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts)
        pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

int OpenPidFd(pid_t pid) {
#ifdef SYS_pidfd_open
    // Close-on-exec from the start.
    const long fd = ::syscall(SYS_pidfd_open, pid, 0);
    if (fd >= 0)
        return static_cast<int>(fd);
#endif
    (void)pid;
    return -1;
}

void Close(int& fd) {
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

// The first line of an error output as one line of ours: tabs become blanks, other control
// bytes go.
std::string Printable(const std::string& line) {
    std::string text;
    for (const char c : line) {
        if (c == '\t')
            text += ' ';
        else if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F)
            text += c;
    }
    return text;
}

std::string Seconds(std::chrono::milliseconds limit) {
    return std::to_string(std::chrono::duration_cast<std::chrono::seconds>(limit).count()) + " s";
}

} // namespace

CommandRunner::CommandRunner() : m_wake(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

CommandRunner::~CommandRunner() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    Wake();
    if (m_thread.joinable())
        m_thread.join();
    Close(m_wake);
}

bool CommandRunner::Run(std::vector<std::string> argv,
                        const std::vector<std::pair<std::string, std::string>>& variables) {
    if (argv.empty() || argv.front().empty())
        return false;
    Job job{std::move(argv), Environment(variables), TimeLimit()};
    {
        std::lock_guard lock(m_mutex);
        if (m_stopping)
            return false;
        if (m_waiting.size() >= kMaxWaiting) {
            capi::Sayf("Call command dropped: %zu commands are waiting already\n",
                       m_waiting.size());
            return false;
        }
        m_waiting.push_back(std::move(job));
        ++m_busy;
        if (!m_thread.joinable())
            m_thread = std::thread(&CommandRunner::Loop, this);
    }
    Wake();
    return true;
}

bool CommandRunner::WaitUntilIdle(std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_mutex);
    return m_idle.wait_for(lock, timeout, [&] { return m_busy == 0; });
}

void CommandRunner::Wake() {
    if (m_wake >= 0) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(m_wake, &one, sizeof one);
    }
}

void CommandRunner::Ended(std::size_t jobs) {
    std::lock_guard lock(m_mutex);
    m_busy -= jobs;
    if (m_busy == 0)
        m_idle.notify_all();
}

void CommandRunner::Loop() {
    for (;;) {
        // Waiting jobs start as places free up, in the order they came.
        for (;;) {
            Job job;
            {
                std::lock_guard lock(m_mutex);
                if (m_stopping || m_waiting.empty() || m_children.size() >= kMaxRunning)
                    break;
                job = std::move(m_waiting.front());
                m_waiting.pop_front();
            }
            Child child;
            if (Start(std::move(job), child))
                m_children.push_back(std::move(child));
            else
                Ended(1);
        }
        {
            std::lock_guard lock(m_mutex);
            if (m_stopping)
                break;
        }

        std::vector<pollfd> fds{{m_wake, POLLIN, 0}};
        // Without an eventfd, a job handed over is noticed at the next tick.
        auto until = m_wake >= 0 ? Clock::time_point::max() : Clock::now() + kReapTick;
        for (const Child& child : m_children) {
            if (child.errorOutput >= 0)
                fds.push_back({child.errorOutput, POLLIN, 0});
            if (child.exitFd >= 0)
                fds.push_back({child.exitFd, POLLIN, 0});
            else
                until = std::min(until, Clock::now() + kReapTick);
            until = std::min(until, child.deadline);
        }
        int timeout = -1;
        if (until != Clock::time_point::max()) {
            const auto left =
                std::chrono::ceil<std::chrono::milliseconds>(until - Clock::now()).count();
            timeout = static_cast<int>(std::clamp<long long>(left, 0, 60000));
        }
        if (::poll(fds.data(), fds.size(), timeout) < 0 && errno != EINTR)
            std::this_thread::sleep_for(kReapTick); // never spin
        if (fds[0].revents & POLLIN) {
            std::uint64_t count;
            [[maybe_unused]] const ssize_t n = ::read(m_wake, &count, sizeof count);
        }

        const Clock::time_point now = Clock::now();
        std::size_t ended = 0;
        for (auto it = m_children.begin(); it != m_children.end();) {
            ReadErrorOutput(*it);
            if (Reap(*it)) {
                it = m_children.erase(it);
                ++ended;
                continue;
            }
            Enforce(*it, now);
            ++it;
        }
        if (ended > 0)
            Ended(ended);
    }

    // Only a runner that is destroyed gets here: nothing of it may outlive it.
    for (Child& child : m_children) {
        ::kill(-child.pid, SIGKILL);
        int status = 0;
        while (::waitpid(child.pid, &status, 0) < 0 && errno == EINTR) {
        }
        Close(child.errorOutput);
        Close(child.exitFd);
    }
    m_children.clear();
}

bool CommandRunner::Start(Job job, Child& child) {
    child.program = job.argv.front();
    int pipe[2];
    if (::pipe2(pipe, O_CLOEXEC) != 0) {
        capi::Sayf("Call command failed: cannot start %s: %s\n", child.program.c_str(),
                   std::strerror(errno));
        return false;
    }
    ::fcntl(pipe[0], F_SETFL, O_NONBLOCK);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipe[1], STDERR_FILENO);
    // Sockets of the lines and locks of the program are no business of the command's.
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);

    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // A group of its own, so that a time-out ends whatever it started too.
    posix_spawnattr_setpgroup(&attributes, 0);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    sigset_t all;
    sigfillset(&all);
    sigdelset(&all, SIGKILL);
    sigdelset(&all, SIGSTOP);
    posix_spawnattr_setsigdefault(&attributes, &all); // SIGPIPE is ignored here, not there
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK |
                                              POSIX_SPAWN_SETSIGDEF);

    std::vector<char*> argv = Pointers(job.argv);
    std::vector<char*> environment = Pointers(job.environment);
    pid_t pid = -1;
    const int error =
        ::posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), environment.data());
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipe[1]);
    if (error != 0) {
        ::close(pipe[0]);
        capi::Sayf("Call command failed: cannot start %s: %s\n", child.program.c_str(),
                   std::strerror(error));
        return false;
    }
    child.pid = pid;
    child.errorOutput = pipe[0];
    child.exitFd = OpenPidFd(pid);
    child.limit = job.limit;
    child.deadline = Clock::now() + job.limit;
    return true;
}

void CommandRunner::ReadErrorOutput(Child& child) {
    char buffer[4096];
    while (child.errorOutput >= 0) {
        const ssize_t n = ::read(child.errorOutput, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0 || errno != EAGAIN)
                Close(child.errorOutput);
            return;
        }
        // Only the first line is kept; the rest is read and dropped, so the command never
        // blocks on a full pipe.
        for (ssize_t i = 0; i < n && !child.lineComplete; ++i) {
            if (buffer[i] == '\n' || child.firstLine.size() >= kMaxLine)
                child.lineComplete = true;
            else
                child.firstLine += buffer[i];
        }
    }
}

bool CommandRunner::Reap(Child& child) {
    int status = 0;
    const pid_t ended = ::waitpid(child.pid, &status, WNOHANG);
    if (ended == 0 || (ended < 0 && errno == EINTR))
        return false;
    // What it wrote before it ended; a process it left behind may keep the pipe open.
    ReadErrorOutput(child);
    Close(child.errorOutput);
    Close(child.exitFd);

    std::string failure;
    if (ended < 0)
        failure = std::string("lost: ") + std::strerror(errno);
    else if (child.stage > 0)
        failure = "ran longer than " + Seconds(child.limit) + " and was ended (" +
                  (WIFSIGNALED(status) ? "signal " + std::to_string(WTERMSIG(status))
                                       : "exit status " + std::to_string(WEXITSTATUS(status))) +
                  ")";
    else if (WIFSIGNALED(status))
        failure = "killed by signal " + std::to_string(WTERMSIG(status)) + " (" +
                  strsignal(WTERMSIG(status)) + ")";
    else if (WIFEXITED(status) && WEXITSTATUS(status) != 0)
        failure = "exit status " + std::to_string(WEXITSTATUS(status));
    if (!failure.empty()) {
        const std::string line = Printable(child.firstLine);
        capi::Sayf("Call command failed: %s%s%s\n", failure.c_str(), line.empty() ? "" : ": ",
                   line.c_str());
    }
    return true;
}

void CommandRunner::Enforce(Child& child, Clock::time_point now) {
    if (now < child.deadline)
        return;
    if (child.stage == 0) {
        ::kill(-child.pid, SIGTERM);
        child.stage = 1;
        child.deadline = now + std::min<std::chrono::milliseconds>(kGrace, child.limit);
    } else if (child.stage == 1) {
        ::kill(-child.pid, SIGKILL);
        child.stage = 2;
        child.deadline = Clock::time_point::max();
    }
}

CommandRunner& Commands() {
    static auto* runner = new CommandRunner;
    return *runner;
}

} // namespace line
