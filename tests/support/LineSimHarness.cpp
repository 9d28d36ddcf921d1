#include "tests/support/LineSimHarness.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

namespace testing_support {

namespace {

using Clock = std::chrono::steady_clock;

void CloseFd(int& fd) {
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

void WriteLineTo(int fd, const std::string& line) {
    // One write of a short line is atomic on a pipe, so threads of the child never interleave.
    const std::string data = line + "\n";
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        done += static_cast<std::size_t>(n);
    }
}

} // namespace

ChildProcess::ChildProcess(std::string stdoutPath) : m_stdoutPath(std::move(stdoutPath)) {}

ChildProcess::~ChildProcess() {
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }
    CloseFd(m_toParent[0]);
    CloseFd(m_toParent[1]);
    CloseFd(m_toChild[0]);
    CloseFd(m_toChild[1]);
}

bool ChildProcess::Start(const std::function<int(ChildProcess&)>& body) {
    if (::pipe2(m_toParent, O_CLOEXEC) != 0 || ::pipe2(m_toChild, O_CLOEXEC) != 0)
        return false;
    std::fflush(stdout);
    std::fflush(stderr);
    m_pid = ::fork();
    if (m_pid < 0)
        return false;
    if (m_pid == 0) {
        CloseFd(m_toParent[0]);
        CloseFd(m_toChild[1]);
        const int out = ::open(m_stdoutPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out < 0)
            ::_exit(90);
        ::dup2(out, STDOUT_FILENO);
        ::close(out);
        std::exit(body(*this));
    }
    CloseFd(m_toParent[1]);
    CloseFd(m_toChild[0]);
    return true;
}

bool ChildProcess::ReadLine(int fd, std::string& buffer, std::string& line,
                            std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        const auto nl = buffer.find('\n');
        if (nl != std::string::npos) {
            line = buffer.substr(0, nl);
            buffer.erase(0, nl + 1);
            return true;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0 || fd < 0)
            return false;
        pollfd p{fd, POLLIN, 0};
        const int r = ::poll(&p, 1, static_cast<int>(left.count()));
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            return false;
        char buf[512];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        buffer.append(buf, static_cast<std::size_t>(n));
    }
}

bool ChildProcess::ReadInto(std::chrono::milliseconds timeout) {
    std::string line;
    if (!ReadLine(m_toParent[0], m_parentBuffer, line, timeout))
        return false;
    (line.rfind("call ", 0) == 0 ? m_calls : m_lines).push_back(line);
    return true;
}

bool ChildProcess::NextLine(std::string& line, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (m_lines.empty()) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0 || !ReadInto(left))
            return false;
    }
    line = m_lines.front();
    m_lines.pop_front();
    return true;
}

bool ChildProcess::NextCall(std::string& line, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (m_calls.empty()) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0 || !ReadInto(left))
            return false;
    }
    line = m_calls.front();
    m_calls.pop_front();
    return true;
}

void ChildProcess::Send(const std::string& line) {
    WriteLineTo(m_toChild[1], line);
}

std::string ChildProcess::Ask(const std::string& command, std::chrono::milliseconds timeout) {
    Send(command);
    std::string line;
    return NextLine(line, timeout) ? line : std::string();
}

int ChildProcess::Wait(std::chrono::milliseconds timeout) {
    if (m_pid <= 0)
        return -1;
    const auto deadline = Clock::now() + timeout;
    int status = 0;
    for (;;) {
        const pid_t r = ::waitpid(m_pid, &status, WNOHANG);
        if (r == m_pid)
            break;
        if (r < 0 || Clock::now() > deadline) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
            m_pid = -1;
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    m_pid = -1;
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return -1;
}

std::string ChildProcess::Stdout() const {
    std::ifstream in(m_stdoutPath, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void ChildProcess::Tell(const std::string& line) {
    WriteLineTo(m_toParent[1], line);
}

bool ChildProcess::Hear(std::string& line, std::chrono::milliseconds timeout) {
    return ReadLine(m_toChild[0], m_childBuffer, line, timeout);
}

std::string CapiTarget(const linesim::LineSim& sim) {
    return "rcapi:127.0.0.1:" + std::to_string(sim.Port());
}

void SendTarget(ChildProcess& child, const std::string& target) {
    child.Send("target " + target);
}

std::uint16_t HearTarget(ChildProcess& io) {
    std::string line;
    if (!io.Hear(line) || line.rfind("target ", 0) != 0)
        return 0;
    const std::string target = line.substr(7);
    ::setenv("TINTOREL_CAPI", target.c_str(), 1);
    const auto colon = target.rfind(':');
    return static_cast<std::uint16_t>(std::atoi(target.c_str() + colon + 1));
}

std::string HexText(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

std::string Field(const std::string& line, const std::string& key) {
    std::istringstream in(line);
    std::string word;
    while (in >> word) {
        if (word.rfind(key + "=", 0) == 0)
            return word.substr(key.size() + 1);
    }
    return {};
}

} // namespace testing_support
