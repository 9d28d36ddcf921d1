#pragma once
// A real HTTP server on 127.0.0.1 (port chosen by the system) for tests of the directory
// lookup. It runs on threads of its own with plain sockets, so it needs no Qt event loop:
// replies come while the test thread is blocked in a lookup. Every request is recorded byte
// for byte. Set TINTOREL_DIRECTORY to HostPort() to send the lookup here.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testing_support {

class HttpFixtureServer {
  public:
    enum class Mode {
        Normal,      // reads the request, sends the page for its target, closes
        Silent,      // reads the request and never answers (holds the connection open)
        CloseAtOnce, // closes each connection as soon as it is accepted
        Huge,        // answers with 10 MB (a valid reply head, then filler)
        Noise,       // answers with 64 KB of binary noise (NUL, LF, "<", ">", "&" among it)
        Trickle,     // sends the page for its target one byte every two seconds
    };

    HttpFixtureServer();
    ~HttpFixtureServer(); // closes every connection and stops the threads
    HttpFixtureServer(const HttpFixtureServer&) = delete;
    HttpFixtureServer& operator=(const HttpFixtureServer&) = delete;

    std::uint16_t Port() const { return m_port; }
    // "127.0.0.1:<port>", the value for TINTOREL_DIRECTORY.
    std::string HostPort() const;

    void SetMode(Mode mode);
    // The bytes sent back for a request whose target (the second word of the request line)
    // is exactly target; ServeDefault for any other target (a 404 reply until set).
    void Serve(const std::string& target, const std::string& reply);
    void ServeDefault(const std::string& reply);

    // Raw bytes of each request received, up to and including the empty line.
    std::vector<std::string> Requests() const;
    // Connections accepted so far, whether or not they sent anything.
    std::size_t ConnectionCount() const;
    bool WaitForConnections(std::size_t count,
                            std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;

    // A 200 reply around a body: status line, a few headers, the empty line, the body.
    static std::string HttpResponse(const std::string& body);
    // Bytes of tests/fixtures/<name> (empty, and a test failure, when it can't be read).
    static std::string LoadFixture(const std::string& name);

  private:
    void AcceptLoop();
    void Handle(int fd);
    bool ReadRequest(int fd, std::string& request);
    bool SendAll(int fd, const char* data, std::size_t size);
    bool WaitFor(int fd, short events, int timeoutMs);

    int m_listen = -1;
    int m_wake[2] = {-1, -1}; // written once at shutdown: every wait wakes up
    std::uint16_t m_port = 0;
    std::atomic<bool> m_stop{false};

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    Mode m_mode = Mode::Normal;
    std::map<std::string, std::string> m_pages;
    std::string m_default;
    std::vector<std::string> m_requests;
    std::size_t m_connections = 0;
    std::vector<std::thread> m_workers;
    std::thread m_acceptThread;
};

} // namespace testing_support
