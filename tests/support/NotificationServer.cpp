#include "tests/support/NotificationServer.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QThread>

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace testing_support {

NotificationServer::NotificationServer(Options options) : m_options(options) {}

NotificationServer::~NotificationServer() {
    if (m_input >= 0)
        ::close(m_input); // the server ends with its input, and the bus with it
    if (m_pid > 0) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        int status = 0;
        while (::waitpid(m_pid, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > end) {
                ::kill(m_pid, SIGKILL);
                ::waitpid(m_pid, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    if (m_reader.joinable())
        m_reader.join();
    if (m_output >= 0)
        ::close(m_output);
}

bool NotificationServer::Start() {
    int in[2];
    int out[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) {
        m_error = "pipe failed";
        return false;
    }
    std::vector<std::string> args = {"dbus-run-session", "--", TEST_NOTIFICATION_SERVER};
    if (!m_options.actions)
        args.push_back("--no-actions");
    if (!m_options.owned)
        args.push_back("--disowned");
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    // posix_spawn, not fork: the test process has threads (Qt's, the sanitizers').
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    const int spawned = posix_spawnp(&m_pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    m_input = in[1];
    m_output = out[0];
    if (spawned != 0) {
        m_pid = -1;
        m_error = "dbus-run-session can't be started";
        return false;
    }
    m_reader = std::thread([this] { ReadLoop(); });

    std::unique_lock lock(m_mutex);
    const bool ready = m_changed.wait_for(lock, std::chrono::seconds(20), [&] {
        for (const QJsonObject& line : m_lines) {
            if (line.contains(QStringLiteral("bus")))
                m_address = line.value(QStringLiteral("bus")).toString().toStdString();
            if (line.contains(QStringLiteral("error")))
                m_error = line.value(QStringLiteral("error")).toString().toStdString();
        }
        return m_ended || !m_error.empty() ||
               std::any_of(m_lines.begin(), m_lines.end(), [](const QJsonObject& line) {
                   return line.contains(QStringLiteral("ready"));
               });
    });
    if (m_error.empty() && (!ready || m_address.empty()))
        m_error = "the notification server did not start";
    return m_error.empty();
}

void NotificationServer::ReadLoop() {
    std::string buffer;
    char chunk[4096];
    for (;;) {
        const ssize_t n = ::read(m_output, chunk, sizeof chunk);
        if (n <= 0)
            break;
        buffer.append(chunk, static_cast<std::size_t>(n));
        for (std::size_t end; (end = buffer.find('\n')) != std::string::npos;) {
            const QJsonObject line =
                QJsonDocument::fromJson(QByteArray::fromStdString(buffer.substr(0, end))).object();
            buffer.erase(0, end + 1);
            std::lock_guard lock(m_mutex);
            m_lines.push_back(line);
            m_changed.notify_all();
        }
    }
    std::lock_guard lock(m_mutex);
    m_ended = true;
    m_changed.notify_all();
}

bool NotificationServer::Command(const std::string& command) {
    const std::string line = command + "\n";
    const QString done = QString::fromStdString(command);
    const auto doneCount = [&] {
        return std::count_if(m_lines.begin(), m_lines.end(), [&](const QJsonObject& said) {
            return said.value(QStringLiteral("done")).toString() == done;
        });
    };
    std::unique_lock lock(m_mutex);
    const auto before = doneCount();
    lock.unlock();
    if (::write(m_input, line.data(), line.size()) != static_cast<ssize_t>(line.size()))
        return false;
    lock.lock();
    return m_changed.wait_for(lock, std::chrono::seconds(10), [&] { return doneCount() > before; });
}

std::vector<QJsonObject> NotificationServer::Calls(const QString& method) const {
    std::lock_guard lock(m_mutex);
    std::vector<QJsonObject> calls;
    for (const QJsonObject& line : m_lines)
        if (line.value(QStringLiteral("call")).toString() == method)
            calls.push_back(line);
    return calls;
}

bool NotificationServer::WaitForCalls(const QString& method, std::size_t count,
                                      std::chrono::milliseconds timeout) const {
    // On the GUI thread, its events go on meanwhile: the program under test may be there.
    QCoreApplication* app = QCoreApplication::instance();
    const bool gui = app && QThread::currentThread() == app->thread();
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (Calls(method).size() < count) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        if (gui)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        std::unique_lock lock(m_mutex);
        m_changed.wait_for(lock, std::chrono::milliseconds(gui ? 5 : 50));
    }
    return true;
}

} // namespace testing_support
