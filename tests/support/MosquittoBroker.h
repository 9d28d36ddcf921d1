#pragma once
// A Mosquitto broker of the test's own: started from a configuration file written into the
// test's folder, on a free local port (127.0.0.1, and ::1 where there is one), never the
// system's service. It may require a user and password (a password file made with
// mosquitto_passwd) and speak TLS only (a certificate the test makes with the openssl
// command, see MakeTestCertificates), and may be stopped and started again on its port.

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct mosquitto;

namespace testing_support {

// Runs a program (searched in PATH, then /usr/sbin) and waits for it; its exit code, or -1
// when it could not be started. Its output goes to logPath, or nowhere.
int RunProgram(const std::vector<std::string>& argv, const std::string& logPath = {});

// A test certificate authority and a server certificate it signed, made in dir with the
// openssl command: ca.crt, server.crt and server.key, the server's certificate for serverName
// only. False when openssl failed.
bool MakeTestCertificates(const std::string& dir, const std::string& serverName);

class MosquittoBroker {
  public:
    // Its configuration file and its log go to dir.
    explicit MosquittoBroker(std::string dir);
    ~MosquittoBroker(); // stops the broker
    MosquittoBroker(const MosquittoBroker&) = delete;
    MosquittoBroker& operator=(const MosquittoBroker&) = delete;

    // Before Start(): only this user with this password may connect.
    bool RequirePassword(const std::string& user, const std::string& password);
    // Before Start(): TLS only, with this certificate and key.
    void UseTls(const std::string& certFile, const std::string& keyFile);

    // Starts the broker on port (0: a free one) and waits until it takes connections.
    bool Start(std::uint16_t port = 0);
    // Ends the broker (its clients lose their connection); Start(Port()) brings it back.
    void Stop();
    bool Running() const { return m_pid > 0; }
    std::uint16_t Port() const { return m_port; }
    // "mqtt://127.0.0.1:<port>" (mqtts with TLS), with the user and password given and a path.
    std::string Url(const std::string& userInfo = {}, const std::string& path = {}) const;
    // The broker's log, for failure messages.
    std::string Log() const;

  private:
    bool WriteConfig();

    std::string m_dir;
    std::string m_passwordFile;
    std::string m_certFile;
    std::string m_keyFile;
    std::uint16_t m_port = 0;
    pid_t m_pid = -1;
};

// A client of the test's own (libmosquitto with its own loop thread), plain MQTT on
// 127.0.0.1: publishes any bytes and keeps every message of the topics it subscribed to.
class MqttTestClient {
  public:
    struct Message {
        std::string topic;
        std::string payload;
        bool retain = false;
    };

    MqttTestClient(const MosquittoBroker& broker, const std::string& clientId);
    ~MqttTestClient();
    MqttTestClient(const MqttTestClient&) = delete;
    MqttTestClient& operator=(const MqttTestClient&) = delete;

    // False when it could not connect.
    bool Connected() const { return m_connected; }
    // Each returns once the broker has acknowledged it; false on failure or time-out.
    bool Subscribe(const std::string& topic);
    bool Publish(const std::string& topic, const std::string& payload, bool retain = false);

    std::vector<Message> Messages() const;
    // Waits until at least n messages came; false on time-out.
    bool WaitForMessages(std::size_t n,
                         std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;

  private:
    struct State;
    ::mosquitto* m_mosq = nullptr;
    State* m_state = nullptr;
    bool m_connected = false;
};

} // namespace testing_support
