#pragma once
// Runs commands beside the program, on a thread of the runner's own, so that whoever hands one
// over never waits: at most kMaxRunning at once, the others waiting in order (at most
// kMaxWaiting; one more is dropped, and standard output says so). Each runs without a shell,
// in a process group of its own, with standard input and output on /dev/null; one that runs
// longer than its time limit gets SIGTERM, and SIGKILL after a grace, with its whole group. One
// that can't start, exits with another status than 0 or is killed is told on standard output
// with the first line of its error output.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <sys/types.h>

namespace line {

class CommandRunner {
  public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::size_t kMaxRunning = 4;
    static constexpr std::size_t kMaxWaiting = 100;
    static constexpr std::chrono::seconds kTimeLimit{30};
    // Between SIGTERM and SIGKILL; shorter when the time limit is.
    static constexpr std::chrono::seconds kGrace{2};

    CommandRunner();
    // Ends the thread and kills what still runs. The program's own runner is never destroyed:
    // its end does not wait for commands.
    ~CommandRunner();
    CommandRunner(const CommandRunner&) = delete;
    CommandRunner& operator=(const CommandRunner&) = delete;

    // Hands a command over and returns at once: argv, the program first (looked for in PATH
    // when it has no "/"), and variables set in the program's own environment for it. The
    // time limit is kTimeLimit, or $TINTOREL_COMMAND_TIMEOUT seconds. False when nothing
    // was handed over (no program, or too many waiting).
    bool Run(std::vector<std::string> argv,
             const std::vector<std::pair<std::string, std::string>>& variables);

    // Waits until every command handed over has ended; false on time-out.
    bool WaitUntilIdle(std::chrono::milliseconds timeout);

  private:
    struct Job {
        std::vector<std::string> argv;
        std::vector<std::string> environment; // "NAME=value"
        std::chrono::milliseconds limit;
    };
    struct Child {
        pid_t pid = -1;
        int errorOutput = -1; // read end of its standard error, until it closes
        int exitFd = -1;      // readable once it has ended (a pidfd), or -1: looked at often
        std::string program;
        std::string firstLine; // of its error output
        bool lineComplete = false;
        std::chrono::milliseconds limit;
        Clock::time_point deadline; // of the current stage
        int stage = 0;              // 0 running, 1 SIGTERM sent, 2 SIGKILL sent
    };

    void Loop();
    // Jobs that are over, started or not.
    void Ended(std::size_t jobs);
    // Starts a job; false (and told) when it could not start.
    bool Start(Job job, Child& child);
    void ReadErrorOutput(Child& child);
    // True once the child has ended and was reported.
    bool Reap(Child& child);
    void Enforce(Child& child, Clock::time_point now);
    void Wake();

    std::mutex m_mutex;
    std::condition_variable m_idle;
    std::deque<Job> m_waiting;
    std::size_t m_busy = 0; // jobs handed over and not yet ended
    bool m_stopping = false;
    int m_wake = -1;               // eventfd
    std::vector<Child> m_children; // runner thread only
    std::thread m_thread;
};

// The program's runner; never destroyed, since the program ends without waiting for it.
CommandRunner& Commands();

} // namespace line
