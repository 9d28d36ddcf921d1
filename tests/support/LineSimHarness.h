#pragma once
// Running CAPI code against tools/linesim in tests. libcapi20 settles its module and remote end
// at the first CAPI call of a process, and the line watcher registers once per process, so
// each scenario runs in a forked child: it gets a fresh library and a fresh watcher whatever
// ran before in the test binary. The parent keeps the LineSim (and its transcript), the child
// talks to it through the real library. Lines pass both ways over pipes; the child's standard
// output goes to a file, so the watcher's diagnostics can be compared byte for byte.
//
// The parent must not make a CAPI call itself before forking, and must fork before it starts
// a LineSim (or any other thread): a child forked while another thread holds an allocator lock
// (AddressSanitizer's among them) can hang on its first allocation. So the child is forked
// first and learns where the line is over the pipe (SendTarget / HearTarget).

#include "tools/linesim/LineSim.h"

#include <sys/types.h>

#include <chrono>
#include <deque>
#include <functional>
#include <string>

namespace testing_support {

class ChildProcess {
  public:
    // The child's standard output is written to stdoutPath.
    explicit ChildProcess(std::string stdoutPath);
    ~ChildProcess(); // kills the child if it still runs
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Forks; the child runs body and then exit()s with its result (so at-exit routines run).
    bool Start(const std::function<int(ChildProcess&)>& body);

    // Parent side. Lines from the child that start with "call " are kept apart from the rest,
    // since the watcher thread reports calls while the main thread answers commands.
    bool NextLine(std::string& line, std::chrono::milliseconds timeout = std::chrono::seconds(10));
    bool NextCall(std::string& line, std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // Calls already received and not yet taken with NextCall.
    std::size_t PendingCalls() const { return m_calls.size(); }
    void Send(const std::string& line);
    // Sends a command and returns the child's next line that is not a call ("" on time-out).
    std::string Ask(const std::string& command,
                    std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // Exit code, 128 + signal for a signal, -1 when it had to be killed after the time-out.
    int Wait(std::chrono::milliseconds timeout = std::chrono::seconds(20));
    std::string Stdout() const;

    // Child side.
    void Tell(const std::string& line);
    bool Hear(std::string& line, std::chrono::milliseconds timeout = std::chrono::seconds(30));

  private:
    bool ReadInto(std::chrono::milliseconds timeout);
    bool ReadLine(int fd, std::string& buffer, std::string& line,
                  std::chrono::milliseconds timeout);

    std::string m_stdoutPath;
    pid_t m_pid = -1;
    int m_toParent[2] = {-1, -1};
    int m_toChild[2] = {-1, -1};
    std::string m_parentBuffer;
    std::string m_childBuffer;
    std::deque<std::string> m_lines;
    std::deque<std::string> m_calls;
};

// "rcapi:127.0.0.1:<port>", the value of TINTOREL_CAPI for a LineSim.
std::string CapiTarget(const linesim::LineSim& sim);
// Parent: tells the child the TINTOREL_CAPI value. Child: waits for it and sets it in its
// environment; returns the port ("" and 0 on time-out).
void SendTarget(ChildProcess& child, const std::string& target);
std::uint16_t HearTarget(ChildProcess& io);
// Bytes as lower-case hex, so any number survives a line of the pipe.
std::string HexText(const std::string& bytes);
// Fields of a transcript line ("ALERT_REQ msg=0 adr=0x101 ...") by key; "" when missing.
std::string Field(const std::string& line, const std::string& key);

} // namespace testing_support
