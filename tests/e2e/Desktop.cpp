#include "tests/e2e/Desktop.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace e2e {

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (condition())
            return true;
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

Process::~Process() {
    Stop();
}

bool Process::Start(const std::vector<std::string>& argv, const Env& env,
                    const std::string& logPath, int extraFd) {
    std::map<std::string, std::string> vars;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        const auto eq = entry.find('=');
        if (eq != std::string::npos)
            vars[entry.substr(0, eq)] = entry.substr(eq + 1);
    }
    for (const auto& [name, value] : env) {
        if (value)
            vars[name] = *value;
        else
            vars.erase(name);
    }
    std::vector<std::string> envStrings;
    for (const auto& [name, value] : vars)
        envStrings.push_back(name + "=" + value);
    std::vector<char*> envp;
    for (std::string& s : envStrings)
        envp.push_back(s.data());
    envp.push_back(nullptr);
    std::vector<std::string> args = argv;
    std::vector<char*> argp;
    for (std::string& s : args)
        argp.push_back(s.data());
    argp.push_back(nullptr);

    const pid_t pid = fork();
    if (pid < 0)
        return false;
    if (pid == 0) {
        const int log = open(logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        if (log >= 0) {
            dup2(log, 1);
            dup2(log, 2);
        }
        const int devnull = open("/dev/null", O_RDONLY);
        if (devnull >= 0)
            dup2(devnull, 0);
        if (extraFd >= 0)
            dup2(extraFd, 3);
        execvpe(argp[0], argp.data(), envp.data());
        _exit(127);
    }
    m_pid = pid;
    m_status = -1;
    return true;
}

bool Process::Running() {
    if (m_pid <= 0)
        return false;
    int status = 0;
    const pid_t r = waitpid(m_pid, &status, WNOHANG);
    if (r == 0)
        return true;
    m_status = r == m_pid ? status : -1;
    m_pid = -1;
    return false;
}

int Process::Wait(std::chrono::milliseconds timeout) {
    if (m_pid > 0 && !WaitFor([&] { return !Running(); }, timeout))
        return -1;
    if (m_status < 0)
        return -1;
    if (WIFEXITED(m_status))
        return WEXITSTATUS(m_status);
    if (WIFSIGNALED(m_status))
        return 128 + WTERMSIG(m_status);
    return -1;
}

void Process::Stop() {
    if (!Running())
        return;
    kill(m_pid, SIGTERM);
    if (WaitFor([&] { return !Running(); }, std::chrono::seconds(3)))
        return;
    kill(m_pid, SIGKILL);
    WaitFor([&] { return !Running(); }, std::chrono::seconds(3));
}

Desktop::Desktop(std::string logDir) : m_logDir(std::move(logDir)) {}

Desktop::~Desktop() {
    m_tray.Stop();
    m_wm.Stop();
    m_xvfb.Stop();
}

bool Desktop::Start(bool tray) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        m_error = "pipe failed";
        return false;
    }
    const std::string size = std::to_string(kWidth) + "x" + std::to_string(kHeight) + "x24";
    const bool started = m_xvfb.Start(
        {"Xvfb", "-displayfd", "3", "-screen", "0", size, "-nolisten", "tcp", "-noreset"}, {},
        m_logDir + "/xvfb.log", fds[1]);
    close(fds[1]);
    if (!started) {
        close(fds[0]);
        m_error = "Xvfb did not start";
        return false;
    }
    std::string number;
    pollfd pfd{fds[0], POLLIN, 0};
    while (number.find('\n') == std::string::npos && poll(&pfd, 1, 10000) > 0) {
        char buffer[32];
        const ssize_t n = read(fds[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        number.append(buffer, static_cast<std::size_t>(n));
    }
    close(fds[0]);
    if (number.empty()) {
        m_error = "Xvfb gave no display number";
        return false;
    }
    m_display = std::atoi(number.c_str());

    const Env display = {{"DISPLAY", Display()}};
    if (!m_wm.Start({"openbox", "--sm-disable"}, display, m_logDir + "/openbox.log") ||
        !WaitFor([&] { return !Run("xprop -root _NET_WORKAREA | grep =").empty(); },
                 std::chrono::seconds(10))) {
        m_error = "openbox did not start";
        return false;
    }
    if (!tray)
        return true;
    // openbox publishes the work area once it has settled; a trayer started before that may
    // never get its strut counted. Should it happen anyway, trayer starts again.
    for (int attempt = 0;; ++attempt) {
        if (!m_tray.Start({"trayer", "--edge", "bottom", "--align", "right", "--widthtype",
                           "request", "--height", std::to_string(kTrayHeight), "--SetDockType",
                           "true", "--SetPartialStrut", "true", "--transparent", "false"},
                          display, m_logDir + "/trayer.log")) {
            m_error = "trayer can't be started";
            return false;
        }
        if (WaitFor([&] { return WorkArea().height() == kHeight - kTrayHeight; },
                    std::chrono::seconds(8)))
            break;
        m_tray.Stop();
        if (attempt == 3) {
            m_error = "trayer did not dock; work area " + std::to_string(WorkArea().width()) + "x" +
                      std::to_string(WorkArea().height());
            return false;
        }
    }
    return true;
}

std::string Desktop::Run(const std::string& command, int* status) const {
    const std::string full = "DISPLAY=" + Display() + " sh -c '" + command + "' 2>/dev/null";
    FILE* pipe = popen(full.c_str(), "r");
    if (!pipe) {
        if (status)
            *status = -1;
        return {};
    }
    std::string output;
    char buffer[4096];
    std::size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        output.append(buffer, n);
    const int rc = pclose(pipe);
    if (status)
        *status = rc;
    while (!output.empty() && output.back() == '\n')
        output.pop_back();
    return output;
}

std::vector<unsigned long> Desktop::Windows(pid_t pid, const std::string& nameRegex,
                                            bool visibleOnly) const {
    std::string command = "xdotool search ";
    if (visibleOnly)
        command += "--onlyvisible ";
    command += "--all --pid " + std::to_string(pid) + " --name \"" + nameRegex + "\"";
    std::istringstream lines(Run(command));
    std::vector<unsigned long> ids;
    unsigned long id = 0;
    while (lines >> id)
        ids.push_back(id);
    return ids;
}

std::optional<unsigned long> Desktop::Window(pid_t pid, const std::string& nameRegex,
                                             bool visibleOnly) const {
    const auto ids = Windows(pid, nameRegex, visibleOnly);
    if (ids.empty())
        return std::nullopt;
    return ids.front();
}

namespace {
int Field(const std::string& text, const std::string& label) {
    const auto at = text.find(label);
    if (at == std::string::npos)
        return -1;
    return std::atoi(text.c_str() + at + label.size());
}
} // namespace

bool Desktop::IsViewable(unsigned long window) const {
    return Run("xwininfo -id " + std::to_string(window)).find("IsViewable") != std::string::npos;
}

QRect Desktop::Geometry(unsigned long window) const {
    const std::string info = Run("xwininfo -id " + std::to_string(window));
    return QRect(Field(info, "Absolute upper-left X:"), Field(info, "Absolute upper-left Y:"),
                 Field(info, "Width:"), Field(info, "Height:"));
}

std::optional<unsigned long> Desktop::TrayIcon(pid_t pid) const {
    for (unsigned long id : Windows(pid, "^$", true)) {
        const QRect g = Geometry(id);
        if (g.width() > 0 && g.width() <= kTrayHeight && g.bottom() >= kHeight - kTrayHeight)
            return id;
    }
    return std::nullopt;
}

QRect Desktop::WorkArea() const {
    const std::string text = Run("xprop -root _NET_WORKAREA");
    const auto eq = text.find('=');
    if (eq == std::string::npos)
        return {};
    int x, y, w, h;
    if (std::sscanf(text.c_str() + eq + 1, " %d, %d, %d, %d", &x, &y, &w, &h) != 4)
        return {};
    return QRect(x, y, w, h);
}

bool Desktop::Screenshot(unsigned long window, const std::string& path) const {
    int status = -1;
    Run("import -window " + std::to_string(window) + " " + path, &status);
    return status == 0;
}

void Desktop::MoveMouse(QPoint p) const {
    Run("xdotool mousemove " + std::to_string(p.x()) + " " + std::to_string(p.y()));
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
}

void Desktop::Click(int button, int repeat) const {
    Run("xdotool click --repeat " + std::to_string(repeat) + " --delay 80 " +
        std::to_string(button));
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
}

void Desktop::Drag(QPoint from, QPoint to) const {
    MoveMouse(from);
    Run("xdotool mousedown 1");
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    // Two steps, as a hand would move.
    MoveMouse((from + to) / 2);
    MoveMouse(to);
    Run("xdotool mouseup 1");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
}

void Desktop::Key(unsigned long window, const std::string& key) const {
    Run("xdotool windowactivate --sync " + std::to_string(window) + " key --clearmodifiers " + key);
}

} // namespace e2e
