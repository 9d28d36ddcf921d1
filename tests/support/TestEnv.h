#pragma once
// Per-test surroundings: a private temporary folder that is also HOME, holds XDG_CONFIG_HOME,
// XDG_DATA_HOME ("data") and the registry file, and is the folder the program believes its
// executable lives in (so phonebook.txt and isdncall.log land there), with a runtime folder of its
// own (XDG_RUNTIME_DIR, "run"), so the log-owner role of one test never meets another's, and a
// session bus address where there is none (DBUS_SESSION_BUS_ADDRESS), so that no test talks to
// a real desktop, and the locale C.UTF-8 (no LANGUAGE, LC_ALL or LC_MESSAGES), so that the program
// speaks French whatever the tester's desktop speaks.
// ctest runs each case in its own process, so the file locations the program keeps for its run
// belong to that case alone.

#include "platform/UserMessage.h"

#include <QTemporaryDir>

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace testing_support {

// A local TCP port nobody listens on (connecting to it is refused).
std::uint16_t ClosedPort();

class TestEnv {
  public:
    TestEnv();
    ~TestEnv(); // restores the environment and removes the folder
    TestEnv(const TestEnv&) = delete;
    TestEnv& operator=(const TestEnv&) = delete;

    // The temporary folder (no trailing "/").
    std::string Dir() const;
    // Dir() + "/" + name.
    std::string Path(const std::string& name) const;
    // The registry file ($TINTOREL_REGISTRY).
    std::string RegistryPath() const;
    // The executable path the program sees (Dir() + "/tintorel").
    std::string ExecutablePath() const;

    // Whole-file helpers, bytes as they are.
    std::string ReadFile(const std::string& name) const;
    void WriteFile(const std::string& name, const std::string& bytes) const;
    bool FileExists(const std::string& name) const;

  private:
    QTemporaryDir m_dir;
    std::vector<std::pair<std::string, std::pair<bool, std::string>>> m_saved;
};

// Installs itself as the message recorder while it lives: every message box, whether a window
// shows it or model code tells the user, is recorded and answered with the next queued answer
// (IDOK when the queue is empty). Safe from any thread.
class BoxRecorder {
  public:
    BoxRecorder();
    ~BoxRecorder();
    BoxRecorder(const BoxRecorder&) = delete;
    BoxRecorder& operator=(const BoxRecorder&) = delete;

    void QueueAnswer(int answer);
    std::vector<platform::MessageBoxRequest> Requests() const;
    std::size_t Count() const;
    void Clear();
    // Waits until at least count boxes were shown; false on time-out.
    bool WaitForCount(std::size_t count,
                      std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;

  private:
    // Shared with the installed function, so a box answered on another thread while the
    // recorder goes away touches nothing freed.
    struct State {
        std::mutex mutex;
        std::condition_variable changed;
        std::vector<platform::MessageBoxRequest> requests;
        std::deque<int> answers;
    };
    std::shared_ptr<State> m_state;
};

} // namespace testing_support
