#include "tests/support/MosquittoBroker.h"

#include "tests/support/TestEnv.h"

#include <mosquitto.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <fstream>
#include <iterator>
#include <mutex>
#include <sstream>
#include <thread>

extern char** environ;

namespace testing_support {

namespace {

using namespace std::chrono_literals;

// Starts argv[0] from PATH, else from /usr/sbin; output to logPath (or /dev/null).
pid_t Spawn(const std::vector<std::string>& argv, const std::string& logPath) {
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const std::string log = logPath.empty() ? "/dev/null" : logPath;
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    pid_t pid = -1;
    if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ) != 0) {
        const std::string sbin = "/usr/sbin/" + argv[0];
        args[0] = const_cast<char*>(sbin.c_str());
        if (posix_spawn(&pid, sbin.c_str(), &actions, nullptr, args.data(), environ) != 0)
            pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

bool Accepts(int family, const char* address, std::uint16_t port) {
    const int fd = ::socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    bool ok = false;
    if (family == AF_INET) {
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(port);
        inet_pton(AF_INET, address, &addr.sin_addr);
        ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    } else {
        sockaddr_in6 addr{};
        addr.sin6_family = AF_INET6;
        addr.sin6_port = htons(port);
        inet_pton(AF_INET6, address, &addr.sin6_addr);
        ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    }
    ::close(fd);
    return ok;
}

// Whether this machine has an IPv6 loopback to listen on.
bool HasIpv6Loopback() {
    const int fd = ::socket(AF_INET6, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    sockaddr_in6 addr{};
    addr.sin6_family = AF_INET6;
    addr.sin6_addr = in6addr_loopback;
    const bool ok = ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    ::close(fd);
    return ok;
}

std::string UserName() {
    const passwd* user = ::getpwuid(::getuid());
    return user && user->pw_name ? user->pw_name : "root";
}

} // namespace

int RunProgram(const std::vector<std::string>& argv, const std::string& logPath) {
    const pid_t pid = Spawn(argv, logPath);
    if (pid < 0)
        return -1;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool MakeTestCertificates(const std::string& dir, const std::string& serverName) {
    const std::string log = dir + "/openssl.log";
    const std::string ext = dir + "/server.ext";
    std::ofstream(ext) << "subjectAltName=DNS:" << serverName << "\n"
                       << "basicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n";
    const std::vector<std::vector<std::string>> steps = {
        {"openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
         "-nodes", "-keyout", dir + "/ca.key", "-out", dir + "/ca.crt", "-days", "2", "-subj",
         "/CN=Tintorel test CA"},
        {"openssl", "req", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
         "-keyout", dir + "/server.key", "-out", dir + "/server.csr", "-subj", "/CN=" + serverName},
        {"openssl", "x509", "-req", "-in", dir + "/server.csr", "-CA", dir + "/ca.crt", "-CAkey",
         dir + "/ca.key", "-CAcreateserial", "-out", dir + "/server.crt", "-days", "2", "-extfile",
         ext},
    };
    for (const auto& step : steps) {
        if (RunProgram(step, log) != 0)
            return false;
    }
    return true;
}

MosquittoBroker::MosquittoBroker(std::string dir) : m_dir(std::move(dir)) {}

MosquittoBroker::~MosquittoBroker() {
    Stop();
}

bool MosquittoBroker::RequirePassword(const std::string& user, const std::string& password) {
    m_passwordFile = m_dir + "/mosquitto.passwd";
    return RunProgram({"mosquitto_passwd", "-b", "-c", m_passwordFile, user, password},
                      m_dir + "/mosquitto_passwd.log") == 0;
}

void MosquittoBroker::UseTls(const std::string& certFile, const std::string& keyFile) {
    m_certFile = certFile;
    m_keyFile = keyFile;
}

bool MosquittoBroker::WriteConfig() {
    std::ofstream config(m_dir + "/mosquitto.conf", std::ios::trunc);
    config << "persistence false\n"
           << "user " << UserName() << "\n"
           << "log_dest stdout\n"
           << "log_type error\nlog_type warning\nlog_type notice\nlog_type information\n"
           << "allow_anonymous " << (m_passwordFile.empty() ? "true" : "false") << "\n";
    if (!m_passwordFile.empty())
        config << "password_file " << m_passwordFile << "\n";
    std::vector<std::string> addresses = {"127.0.0.1"};
    if (HasIpv6Loopback())
        addresses.push_back("::1");
    for (const std::string& address : addresses) {
        config << "listener " << m_port << " " << address << "\n";
        if (!m_certFile.empty())
            config << "certfile " << m_certFile << "\nkeyfile " << m_keyFile << "\n";
    }
    return static_cast<bool>(config);
}

bool MosquittoBroker::Start(std::uint16_t port) {
    Stop();
    m_port = port != 0 ? port : ClosedPort();
    if (!WriteConfig())
        return false;
    m_pid = Spawn({"mosquitto", "-c", m_dir + "/mosquitto.conf"}, m_dir + "/mosquitto.log");
    if (m_pid < 0)
        return false;
    for (int i = 0; i < 200; ++i) {
        if (Accepts(AF_INET, "127.0.0.1", m_port))
            return true;
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            return false;
        }
        std::this_thread::sleep_for(25ms);
    }
    Stop();
    return false;
}

void MosquittoBroker::Stop() {
    if (m_pid <= 0)
        return;
    ::kill(m_pid, SIGTERM);
    int status = 0;
    for (int i = 0; i < 200; ++i) {
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            return;
        }
        std::this_thread::sleep_for(10ms);
    }
    ::kill(m_pid, SIGKILL);
    ::waitpid(m_pid, &status, 0);
    m_pid = -1;
}

std::string MosquittoBroker::Url(const std::string& userInfo, const std::string& path) const {
    std::string url = m_certFile.empty() ? "mqtt://" : "mqtts://";
    if (!userInfo.empty())
        url += userInfo + "@";
    url += "127.0.0.1:" + std::to_string(m_port);
    if (!path.empty())
        url += "/" + path;
    return url;
}

std::string MosquittoBroker::Log() const {
    std::ifstream in(m_dir + "/mosquitto.log");
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct MqttTestClient::State {
    mutable std::mutex mutex;
    mutable std::condition_variable changed;
    std::vector<Message> messages;
    std::vector<int> acknowledged; // message ids
};

MqttTestClient::MqttTestClient(const MosquittoBroker& broker, const std::string& clientId)
    : m_state(new State) {
    mosquitto_lib_init();
    m_mosq = mosquitto_new(clientId.c_str(), true, m_state);
    if (!m_mosq)
        return;
    const auto acknowledged = [](mosquitto*, void* data, int mid) {
        auto* state = static_cast<State*>(data);
        std::lock_guard lock(state->mutex);
        state->acknowledged.push_back(mid);
        state->changed.notify_all();
    };
    mosquitto_publish_callback_set(m_mosq, acknowledged);
    mosquitto_subscribe_callback_set(m_mosq,
                                     [](mosquitto* m, void* data, int mid, int, const int*) {
                                         // Same bookkeeping as a publication's.
                                         auto* state = static_cast<State*>(data);
                                         (void)m;
                                         std::lock_guard lock(state->mutex);
                                         state->acknowledged.push_back(mid);
                                         state->changed.notify_all();
                                     });
    mosquitto_message_callback_set(
        m_mosq, [](mosquitto*, void* data, const mosquitto_message* message) {
            auto* state = static_cast<State*>(data);
            std::lock_guard lock(state->mutex);
            state->messages.push_back(
                {message->topic,
                 std::string(static_cast<const char*>(message->payload),
                             static_cast<std::size_t>(std::max(message->payloadlen, 0))),
                 message->retain});
            state->changed.notify_all();
        });
    m_connected = mosquitto_connect(m_mosq, "127.0.0.1", broker.Port(), 60) == MOSQ_ERR_SUCCESS &&
                  mosquitto_loop_start(m_mosq) == MOSQ_ERR_SUCCESS;
}

MqttTestClient::~MqttTestClient() {
    if (m_mosq) {
        mosquitto_disconnect(m_mosq);
        mosquitto_loop_stop(m_mosq, m_connected ? false : true);
        mosquitto_destroy(m_mosq);
    }
    delete m_state;
}

namespace {

bool WaitForAck(std::mutex& mutex, std::condition_variable& changed, const std::vector<int>& acks,
                int mid) {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, 10s,
                            [&] { return std::find(acks.begin(), acks.end(), mid) != acks.end(); });
}

} // namespace

bool MqttTestClient::Subscribe(const std::string& topic) {
    int mid = 0;
    if (!m_connected || mosquitto_subscribe(m_mosq, &mid, topic.c_str(), 1) != MOSQ_ERR_SUCCESS)
        return false;
    return WaitForAck(m_state->mutex, m_state->changed, m_state->acknowledged, mid);
}

bool MqttTestClient::Publish(const std::string& topic, const std::string& payload, bool retain) {
    int mid = 0;
    if (!m_connected ||
        mosquitto_publish(m_mosq, &mid, topic.c_str(), static_cast<int>(payload.size()),
                          payload.data(), 1, retain) != MOSQ_ERR_SUCCESS)
        return false;
    return WaitForAck(m_state->mutex, m_state->changed, m_state->acknowledged, mid);
}

std::vector<MqttTestClient::Message> MqttTestClient::Messages() const {
    std::lock_guard lock(m_state->mutex);
    return m_state->messages;
}

bool MqttTestClient::WaitForMessages(std::size_t n, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(m_state->mutex);
    return m_state->changed.wait_for(lock, timeout, [&] { return m_state->messages.size() >= n; });
}

} // namespace testing_support
