#pragma once
// A simulated ISDN line: a remote-CAPI server on 127.0.0.1 that libcapi20's rcapi module talks
// to. It answers the controller queries and REGISTER, confirms every request, keeps a
// transcript of what the applications sent, and offers calls and raw messages on command.
// Runs its own thread; every public method may be called from any thread.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace linesim {

using Bytes = std::vector<std::uint8_t>;

struct Config {
    int controllers = 1;
    // Info of the REGISTER answer; nonzero refuses the registration.
    std::uint16_t registerInfo = 0;
    // Info of the CONF per command name ("LISTEN", "ALERT", "GET_PROFILE", ...).
    std::map<std::string, std::uint16_t> confInfo;
    // When not empty, every transcript line is also appended to this file.
    std::string transcriptPath;
};

// One incoming call as the line offers it.
struct Call {
    int controller = 1;
    // Digits as raw bytes; "-" is not special here (use callingPresent/calledPresent).
    std::string calling;
    std::string called;
    std::uint8_t callingType = 0x01;         // type of number and numbering plan
    std::uint8_t callingPresentation = 0x80; // presentation and screening indicator
    std::uint8_t calledType = 0x81;
    std::uint16_t cip = 1; // speech
    // 0 takes a fresh PLCI on the controller.
    std::uint32_t plci = 0;
};

class LineSim {
  public:
    explicit LineSim(Config config = {});
    ~LineSim();
    LineSim(const LineSim&) = delete;
    LineSim& operator=(const LineSim&) = delete;

    // Binds 127.0.0.1:port (0 picks a free port) and starts serving. False if the bind fails.
    bool Start(std::uint16_t port = 0);
    void Stop();
    std::uint16_t Port() const { return m_port; }

    // The exchange going away under its applications: closes every application's connection
    // ("DROP" in the transcript for each). Returns how many were closed.
    int Drop();
    // The exchange restarting: closes every connection and stops listening at once, then
    // listens again on the same port after the delay. Returns at once.
    void Restart(std::chrono::milliseconds delay);

    // Offers a call (CONNECT_IND) to every application listening on its controller for its
    // CIP value. Returns the PLCI used.
    std::uint32_t Ring(const Call& call);
    // Several calls in one write, so they reach the application together.
    std::vector<std::uint32_t> RingAll(const std::vector<Call>& calls);
    // Clears a call (DISCONNECT_IND) at the applications that were offered it, or at every
    // application when the PLCI is not one this line rang.
    void Hangup(std::uint32_t plci, std::uint16_t reason = 0x3490);
    // Sends complete CAPI messages, in one write, to every registered application. The
    // application id field (bytes 2-3) is set to each receiver's id. Returns the number of
    // applications reached.
    int SendRaw(const std::vector<Bytes>& messages);

    // Lines received so far, oldest first.
    std::vector<std::string> Transcript() const;
    // Messages this line sent to applications, one line each, in the transcript's format.
    std::vector<std::string> Sent() const;
    // Waits until some transcript line at index >= from satisfies pred; returns its index or
    // -1 after the timeout.
    int WaitFor(const std::function<bool(const std::string&)>& pred, int from = 0,
                std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;
    // Waits until at least n lines start with the given prefix; returns whether they did.
    bool WaitForCount(const std::string& prefix, int n,
                      std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;
    int Count(const std::string& prefix) const;
    int Applications() const;

  private:
    struct Client;
    void Serve();
    void Accept(int listenFd);
    bool ReadFrom(Client& client);
    void HandleFrame(Client& client, const Bytes& frame);
    void HandleControl(Client& client, const Bytes& frame);
    void HandleMessage(Client& client, const Bytes& frame);
    bool SendFrames(Client& client, const std::vector<Bytes>& messages);
    // Closes the connection; "RELEASE" (the peer left) or "DROP" (we did) for an application.
    void Close(Client& client, const char* word = "RELEASE");
    void Wake();
    void Record(std::string line);
    std::uint16_t ConfInfo(const std::string& name) const;
    std::uint32_t FreshPlci(int controller);
    std::uint16_t NextMessageNumber();
    void RecordSent(const Client& client, const Bytes& message);

    Config m_config;
    std::uint16_t m_port = 0;
    int m_listenFd = -1; // -1 while a restart waits
    std::chrono::steady_clock::time_point m_relistenAt;
    int m_wakeFds[2] = {-1, -1};
    std::thread m_thread;
    bool m_running = false;

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::vector<std::unique_ptr<Client>> m_clients;
    std::vector<std::string> m_transcript;
    std::vector<std::string> m_sent;
    std::uint16_t m_nextNumber = 1;
    std::map<std::uint32_t, std::vector<int>> m_callees; // PLCI -> fds offered the call
    std::uint32_t m_nextPlci = 1;
};

// Message names as the transcript writes them ("ALERT_REQ"); unknown ones as "0xCC_0xSS".
std::string MessageName(std::uint8_t command, std::uint8_t subcommand);
// A CAPI message with the standard header (the application id is filled in when sent).
Bytes BuildMessage(std::uint8_t command, std::uint8_t subcommand, std::uint16_t number,
                   std::uint32_t address, const Bytes& params = {});
Bytes BuildConnectInd(const Call& call, std::uint32_t plci, std::uint16_t number);
// One transcript line for a message: name, msg=, adr=, appl=, then what matters for it.
std::string DescribeMessage(const Bytes& message);
// Parses hex bytes ("1a 00 01 00" or "1a000100"); false on a stray character.
bool ParseHex(const std::string& text, Bytes& out);

} // namespace linesim
