#pragma once
// A private X desktop for end-to-end tests: its own Xvfb (display number chosen by the server),
// openbox as window manager and trayer as notification area along the bottom edge, driven
// with xdotool. Child processes are started with an explicit environment and ended by pid.

#include <QRect>

#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <sys/types.h>

namespace e2e {

using Env = std::map<std::string, std::optional<std::string>>; // nullopt removes a variable

class Process {
  public:
    Process() = default;
    ~Process(); // ends the process if it still runs
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    // Starts argv[0] (searched in PATH) with the current environment changed by env; its
    // standard output and error go to logPath. extraFd, when >= 0, is handed down as fd 3.
    bool Start(const std::vector<std::string>& argv, const Env& env, const std::string& logPath,
               int extraFd = -1);
    pid_t Pid() const { return m_pid; }
    bool Running();
    // Exit code, 128 + signal number, or -1 if still running after the timeout.
    int Wait(std::chrono::milliseconds timeout);
    void Stop(); // SIGTERM, then SIGKILL

  private:
    pid_t m_pid = -1;
    int m_status = -1;
};

class Desktop {
  public:
    static constexpr int kWidth = 1024;
    static constexpr int kHeight = 768;
    static constexpr int kTrayHeight = 24;

    explicit Desktop(std::string logDir);
    ~Desktop();

    // Xvfb, then openbox, then trayer (unless tray is false: a desktop without a tray); false
    // (with a reason in Error()) when one fails.
    bool Start(bool tray = true);
    const std::string& Error() const { return m_error; }
    std::string Display() const { return ":" + std::to_string(m_display); }

    // Runs a shell command on this display; its standard output (trailing newline cut).
    std::string Run(const std::string& command, int* status = nullptr) const;

    // Windows of a process whose title matches the regular expression; visibleOnly: mapped.
    std::vector<unsigned long> Windows(pid_t pid, const std::string& nameRegex,
                                       bool visibleOnly) const;
    std::optional<unsigned long> Window(pid_t pid, const std::string& nameRegex,
                                        bool visibleOnly) const;
    bool IsViewable(unsigned long window) const;
    QRect Geometry(unsigned long window) const;
    // The process's tray icon: its small viewable window docked in the notification area.
    std::optional<unsigned long> TrayIcon(pid_t pid) const;
    // _NET_WORKAREA of the first desktop.
    QRect WorkArea() const;
    // Saves the window's picture as PNG; true on success.
    bool Screenshot(unsigned long window, const std::string& path) const;

    void MoveMouse(QPoint p) const;
    void Click(int button, int repeat = 1) const;
    void Drag(QPoint from, QPoint to) const;
    void Key(unsigned long window, const std::string& key) const;

  private:
    std::string m_logDir;
    std::string m_error;
    int m_display = -1;
    Process m_xvfb;
    Process m_wm;
    Process m_tray;
};

// Polls condition every 50 ms until it holds or timeout passes.
bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout);

} // namespace e2e
