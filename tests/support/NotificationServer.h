#pragma once
// The notification server written for the tests (tests/notifications/NotificationServer.cpp)
// on a session bus of its own: dbus-run-session starts the bus and the server, and both end
// when this object does. Point a program at Address() (DBUS_SESSION_BUS_ADDRESS) and read
// what the server was asked.

#include <QJsonObject>

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testing_support {

class NotificationServer {
  public:
    struct Options {
        bool actions = true; // lists the "actions" capability
        bool owned = true;   // owns org.freedesktop.Notifications from the start
    };

    NotificationServer() : NotificationServer(Options{}) {}
    explicit NotificationServer(Options options);
    ~NotificationServer(); // ends the server, and with it the bus
    NotificationServer(const NotificationServer&) = delete;
    NotificationServer& operator=(const NotificationServer&) = delete;

    // Starts them and waits until the server is ready; false with a reason in Error().
    bool Start();
    const std::string& Error() const { return m_error; }
    // The bus's address, for DBUS_SESSION_BUS_ADDRESS.
    std::string Address() const { return m_address; }

    // One command of the server (see its file), done when this returns true.
    bool Command(const std::string& command);

    // The method calls the server received, oldest first: "call" names the method; a Notify
    // has its arguments ("app", "replaces", "icon", "summary", "body", "actions", "hints" with
    // a "sig" and a "value" each, "expire"), the "id" it answers and "t", the steady clock's
    // nanoseconds at its arrival.
    std::vector<QJsonObject> Calls(const QString& method) const;
    // Called on the GUI thread, it handles the thread's events while it waits.
    bool WaitForCalls(const QString& method, std::size_t count,
                      std::chrono::milliseconds timeout = std::chrono::seconds(20)) const;

  private:
    void ReadLoop();

    Options m_options;
    std::string m_error;
    std::string m_address;
    pid_t m_pid = -1;
    int m_input = -1;  // the server's standard input
    int m_output = -1; // its standard output
    std::thread m_reader;

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::vector<QJsonObject> m_lines; // everything the server said
    bool m_ended = false;
};

} // namespace testing_support
