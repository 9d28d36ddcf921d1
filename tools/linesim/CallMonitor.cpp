// The simulated call monitor's server: clients come and go, records go to every one of them.

#include "tools/linesim/CallMonitor.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>

namespace linesim {

namespace {

// Everything or nothing within a few seconds: a client that stops reading is dropped.
bool SendAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = ::send(fd, data.data(), data.size(), MSG_NOSIGNAL);
        if (n > 0) {
            data.remove_prefix(static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd p{fd, POLLOUT, 0};
            if (::poll(&p, 1, 3000) <= 0)
                return false;
            continue;
        }
        return false;
    }
    return true;
}

} // namespace

std::string CallMonitorDate() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    char text[32] = "";
    if (::localtime_r(&now, &local) != nullptr)
        std::strftime(text, sizeof text, "%d.%m.%y %H:%M:%S", &local);
    return text;
}

CallMonitorSim::~CallMonitorSim() {
    Stop();
}

bool CallMonitorSim::Start(std::uint16_t port) {
    if (m_running)
        return false;
    m_listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_listenFd < 0)
        return false;
    const int one = 1;
    ::setsockopt(m_listenFd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (::bind(m_listenFd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(m_listenFd, 16) != 0 ||
        ::getsockname(m_listenFd, reinterpret_cast<sockaddr*>(&addr), &len) != 0 ||
        ::pipe2(m_wakeFds, O_CLOEXEC | O_NONBLOCK) != 0) {
        const int error = errno;
        ::close(m_listenFd);
        m_listenFd = -1;
        errno = error;
        return false;
    }
    m_port = ntohs(addr.sin_port);
    m_stopping = false;
    m_running = true;
    m_thread = std::thread([this] { Serve(); });
    return true;
}

void CallMonitorSim::Stop() {
    if (!m_running)
        return;
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    Wake();
    m_thread.join();
    {
        std::lock_guard lock(m_mutex);
        for (const int fd : m_clients)
            ::close(fd);
        m_clients.clear();
    }
    m_changed.notify_all();
    ::close(m_listenFd);
    ::close(m_wakeFds[0]);
    ::close(m_wakeFds[1]);
    m_listenFd = m_wakeFds[0] = m_wakeFds[1] = -1;
    m_running = false;
}

void CallMonitorSim::Wake() {
    const char c = 'w';
    [[maybe_unused]] auto n = ::write(m_wakeFds[1], &c, 1);
}

void CallMonitorSim::Serve() {
    for (;;) {
        std::vector<pollfd> fds;
        {
            std::lock_guard lock(m_mutex);
            if (m_stopping)
                return;
            fds.push_back({m_wakeFds[0], POLLIN, 0});
            fds.push_back({m_listenFd, POLLIN, 0});
            for (const int fd : m_clients)
                fds.push_back({fd, POLLIN, 0});
        }
        if (::poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR)
            return;
        if (fds[0].revents != 0) {
            char buf[16];
            while (::read(m_wakeFds[0], buf, sizeof buf) > 0) {
            }
        }
        std::lock_guard lock(m_mutex);
        if (fds[1].revents & POLLIN) {
            const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
            if (fd >= 0) {
                const int one = 1;
                ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
                m_clients.push_back(fd);
            }
        }
        // A client never speaks: a readable socket is one that closed (what it sends anyway
        // is read and ignored). Drop() may have closed an fd of the poll list meanwhile.
        for (std::size_t i = 2; i < fds.size(); ++i) {
            const auto it = std::find(m_clients.begin(), m_clients.end(), fds[i].fd);
            if (fds[i].revents == 0 || it == m_clients.end())
                continue;
            char buf[512];
            const ssize_t n = ::recv(*it, buf, sizeof buf, 0);
            if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
                ::close(*it);
                m_clients.erase(it);
            }
        }
        m_changed.notify_all();
    }
}

int CallMonitorSim::Send(const std::string& bytes) {
    std::lock_guard lock(m_mutex);
    int reached = 0;
    for (auto it = m_clients.begin(); it != m_clients.end();) {
        if (SendAll(*it, bytes)) {
            ++reached;
            ++it;
        } else {
            ::close(*it);
            it = m_clients.erase(it);
        }
    }
    m_changed.notify_all();
    return reached;
}

int CallMonitorSim::Record(const std::string& type, const std::vector<std::string>& fields) {
    std::string text = CallMonitorDate() + ";" + type + ";";
    for (const std::string& field : fields)
        text += field + ";";
    return Send(text + "\n");
}

int CallMonitorSim::Ring(const std::string& conn, const std::string& caller,
                         const std::string& called, const std::string& line) {
    return Record("RING", {conn, caller, called, line});
}

int CallMonitorSim::Call(const std::string& conn, const std::string& extension,
                         const std::string& ownNumber, const std::string& dialled,
                         const std::string& line) {
    return Record("CALL", {conn, extension, ownNumber, dialled, line});
}

int CallMonitorSim::Connect(const std::string& conn, const std::string& extension,
                            const std::string& number) {
    return Record("CONNECT", {conn, extension, number});
}

int CallMonitorSim::Disconnect(const std::string& conn, const std::string& seconds) {
    return Record("DISCONNECT", {conn, seconds});
}

int CallMonitorSim::Raw(std::string_view text, bool endLine) {
    std::string bytes(text);
    if (endLine)
        bytes += '\n';
    return Send(bytes);
}

int CallMonitorSim::Drop() {
    int dropped = 0;
    {
        std::lock_guard lock(m_mutex);
        for (const int fd : m_clients)
            ::close(fd);
        dropped = static_cast<int>(m_clients.size());
        m_clients.clear();
    }
    m_changed.notify_all();
    if (m_running)
        Wake();
    return dropped;
}

int CallMonitorSim::Clients() const {
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_clients.size());
}

bool CallMonitorSim::WaitForClients(int n, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout,
                              [&] { return static_cast<int>(m_clients.size()) == n; });
}

} // namespace linesim
