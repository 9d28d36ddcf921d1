#pragma once
// A simulated router call monitor: a TCP server on 127.0.0.1 that sends call records, one a
// line and stamped with the local date and time, to every client connected at that moment.
// Its thread accepts clients and notices those that leave; every public method may be called
// from any thread.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace linesim {

class CallMonitorSim {
  public:
    CallMonitorSim() = default;
    ~CallMonitorSim();
    CallMonitorSim(const CallMonitorSim&) = delete;
    CallMonitorSim& operator=(const CallMonitorSim&) = delete;

    // Binds 127.0.0.1:port (0 picks a free port) and starts serving; false if the bind
    // fails. After Stop() it may start again, on Port() to come back where it was.
    bool Start(std::uint16_t port = 0);
    // Closes the listening socket and every client: connecting is refused until Start().
    void Stop();
    std::uint16_t Port() const { return m_port; }
    bool Running() const { return m_running; }

    // Each sends one record and returns the number of clients it reached. An empty caller
    // is a withheld number.
    int Ring(const std::string& conn, const std::string& caller, const std::string& called,
             const std::string& line = "SIP0");
    int Call(const std::string& conn, const std::string& extension, const std::string& ownNumber,
             const std::string& dialled, const std::string& line = "SIP0");
    int Connect(const std::string& conn, const std::string& extension, const std::string& number);
    int Disconnect(const std::string& conn, const std::string& seconds);
    // Sends the bytes as they are, then a line feed unless endLine is false (so a record can
    // be split across writes).
    int Raw(std::string_view text, bool endLine = true);

    // Closes every client connection; returns how many there were.
    int Drop();
    int Clients() const;
    // Waits until exactly n clients are connected; false after the time-out.
    bool WaitForClients(int n, std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;

  private:
    void Serve();
    void Wake();
    int Send(const std::string& bytes);
    int Record(const std::string& type, const std::vector<std::string>& fields);

    std::uint16_t m_port = 0;
    int m_listenFd = -1;
    int m_wakeFds[2] = {-1, -1};
    std::thread m_thread;
    bool m_running = false;

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::vector<int> m_clients;
    bool m_stopping = false;
};

// The local date and time as a call monitor writes them: DD.MM.YY HH:MM:SS.
std::string CallMonitorDate();

} // namespace linesim
