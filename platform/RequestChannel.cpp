#include "platform/RequestChannel.h"

#include <QSocketNotifier>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace platform {

namespace {

// A request that hasn't come whole by then is dropped, so a client that stalls holds nothing.
constexpr auto kRequestTime = std::chrono::seconds(2);
// Requests read at once; more are turned away until these end.
constexpr std::size_t kMaxClients = 8;

bool MakeAddress(const std::string& path, sockaddr_un& address, int& error) {
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path) {
        error = ENAMETOOLONG;
        return false;
    }
    std::memcpy(address.sun_path, path.data(), path.size());
    return true;
}

bool SameUser(int fd) {
    ucred peer{};
    socklen_t size = sizeof peer;
    return getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && peer.uid == geteuid();
}

void CloseQuietly(int fd) {
    if (fd >= 0)
        close(fd);
}

// Whether a process answers on the socket at path.
bool Answers(const sockaddr_un& address) {
    const int probe = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (probe < 0)
        return false;
    const int rc = connect(probe, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    // A full backlog (EAGAIN) is a live listener all the same.
    const bool live = rc == 0 || errno == EAGAIN;
    close(probe);
    return live;
}

bool IsRequestWord(const std::string& word) {
    return !word.empty() && std::all_of(word.begin(), word.end(),
                                        [](char c) { return (c >= 'a' && c <= 'z') || c == '-'; });
}

} // namespace

SendResult SendRequest(const std::string& path, const std::string& request, std::string& reply,
                       int& error, int timeoutMs) {
    reply.clear();
    error = 0;
    sockaddr_un address;
    if (!MakeAddress(path, address, error))
        return SendResult::NotRunning; // no copy can listen on a name that long
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = errno;
        return SendResult::Failed;
    }
    const auto fail = [&](SendResult result, int code) {
        error = code;
        close(fd);
        return result;
    };
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        if (errno == ENOENT || errno == ECONNREFUSED || errno == ENOTDIR)
            return fail(SendResult::NotRunning, errno);
        return fail(SendResult::Failed, errno); // EAGAIN: a copy too busy to take it
    }
    if (!SameUser(fd))
        return fail(SendResult::Failed, EACCES);
    const std::string line = request + "\n";
    if (send(fd, line.data(), line.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(line.size()))
        return fail(errno == EPIPE || errno == ECONNRESET ? SendResult::NotRunning
                                                          : SendResult::Failed,
                    errno);

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string answer;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd p{fd, POLLIN, 0};
        const int ready = left.count() > 0 ? poll(&p, 1, static_cast<int>(left.count())) : 0;
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return fail(SendResult::Failed, ready == 0 ? ETIMEDOUT : errno);
        char buffer[256];
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n <= 0) // the copy went away before it answered
            return fail(SendResult::NotRunning, n < 0 ? errno : 0);
        answer.append(buffer, static_cast<std::size_t>(n));
        if (const auto end = answer.find('\n'); end != std::string::npos) {
            reply = answer.substr(0, end);
            close(fd);
            return SendResult::Answered;
        }
        if (answer.size() > 1024)
            return fail(SendResult::Failed, EPROTO);
    }
}

struct RequestListener::Client {
    int fd = -1;
    std::string buffer;
    QSocketNotifier* notifier = nullptr;
    QTimer* deadline = nullptr;
};

RequestListener::RequestListener(Handler handler, QObject* parent)
    : QObject(parent), m_handler(std::move(handler)) {}

RequestListener::~RequestListener() {
    Close();
}

ListenResult RequestListener::Listen(const std::string& path, int& error) {
    error = 0;
    sockaddr_un address;
    if (!MakeAddress(path, address, error))
        return ListenResult::Failed;
    {
        std::lock_guard lock(m_mutex);
        if (m_fd >= 0 && m_path == path)
            return ListenResult::Listening;
        const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0) {
            error = errno;
            return ListenResult::Failed;
        }
        int rc = bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
        if (rc != 0 && errno == EADDRINUSE) {
            // Left by a copy that has ended (or anything else there): it is ours to replace.
            if (Answers(address)) {
                close(fd);
                return ListenResult::AlreadyExists;
            }
            unlink(path.c_str());
            rc = bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
        }
        if (rc != 0 || listen(fd, SOMAXCONN) != 0) {
            error = errno;
            close(fd);
            return ListenResult::Failed;
        }
        CloseQuietly(m_fd);
        m_fd = fd;
        m_path = path;
    }
    // The notifier belongs to this object's thread; the role may be taken on another.
    if (QThread::currentThread() == thread())
        StartReading();
    else
        QMetaObject::invokeMethod(
            this, [this] { StartReading(); }, Qt::QueuedConnection);
    return ListenResult::Listening;
}

bool RequestListener::IsListening() const {
    std::lock_guard lock(m_mutex);
    return m_fd >= 0;
}

void RequestListener::StartReading() {
    std::lock_guard lock(m_mutex);
    if (m_fd < 0 || (m_acceptNotifier && m_acceptNotifier->socket() == m_fd))
        return;
    if (m_acceptNotifier) {
        m_acceptNotifier->setEnabled(false);
        m_acceptNotifier->deleteLater();
    }
    m_acceptNotifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(m_acceptNotifier, &QSocketNotifier::activated, this, [this] { OnAcceptable(); });
}

void RequestListener::Close() {
    std::lock_guard lock(m_mutex);
    if (m_acceptNotifier) {
        m_acceptNotifier->setEnabled(false);
        m_acceptNotifier->deleteLater();
        m_acceptNotifier = nullptr;
    }
    for (auto& [fd, client] : m_clients) {
        client->notifier->setEnabled(false);
        client->deadline->stop();
        client->notifier->deleteLater();
        client->deadline->deleteLater();
        close(fd);
    }
    m_clients.clear();
    if (m_fd >= 0) {
        close(m_fd);
        unlink(m_path.c_str());
    }
    m_fd = -1;
    m_path.clear();
}

void RequestListener::OnAcceptable() {
    int listener;
    {
        std::lock_guard lock(m_mutex);
        listener = m_fd;
    }
    for (;;) {
        const int fd = accept4(listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0 && (errno == EINTR || errno == ECONNABORTED))
            continue;
        if (fd < 0 && errno != EAGAIN && m_acceptNotifier) {
            // No descriptor to take it with: the waiting request would wake us at once again
            // and again, so look a little later.
            m_acceptNotifier->setEnabled(false);
            QTimer::singleShot(std::chrono::seconds(1), this, [this] {
                if (m_acceptNotifier)
                    m_acceptNotifier->setEnabled(true);
            });
        }
        if (fd < 0)
            return;
        if (!SameUser(fd)) {
            Answer(fd, "error not allowed");
            continue;
        }
        if (m_clients.size() >= kMaxClients) {
            Answer(fd, "error busy");
            continue;
        }
        auto client = std::make_unique<Client>();
        client->fd = fd;
        client->notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
        connect(client->notifier, &QSocketNotifier::activated, this,
                [this, fd] { OnReadable(fd); });
        client->deadline = new QTimer(this);
        client->deadline->setSingleShot(true);
        connect(client->deadline, &QTimer::timeout, this,
                [this, fd] { Answer(fd, "error too slow"); });
        client->deadline->start(kRequestTime);
        m_clients.emplace(fd, std::move(client));
    }
}

void RequestListener::OnReadable(int fd) {
    const auto it = m_clients.find(fd);
    if (it == m_clients.end())
        return;
    std::string& buffer = it->second->buffer;
    for (;;) {
        char chunk[kMaxRequestLength];
        const ssize_t n = read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN)
            return; // the rest comes later
        if (n <= 0) {
            Answer(fd, "error incomplete request");
            return;
        }
        buffer.append(chunk, static_cast<std::size_t>(n));
        if (const auto end = buffer.find('\n'); end != std::string::npos) {
            const std::string word = buffer.substr(0, end);
            Answer(fd, IsRequestWord(word) ? m_handler(word) : "error malformed request");
            return;
        }
        if (buffer.size() >= kMaxRequestLength) {
            Answer(fd, "error request too long");
            return;
        }
    }
}

// Answers in one write (a short line always fits in an empty socket buffer) and ends the
// connection.
void RequestListener::Answer(int fd, const std::string& answer) {
    const std::string line = answer + "\n";
    [[maybe_unused]] const ssize_t sent = send(fd, line.data(), line.size(), MSG_NOSIGNAL);
    if (const auto it = m_clients.find(fd); it != m_clients.end()) {
        // Quiet before the descriptor's number can be taken again; deleted once out of their
        // signals.
        it->second->notifier->setEnabled(false);
        it->second->deadline->stop();
        it->second->notifier->deleteLater();
        it->second->deadline->deleteLater();
        m_clients.erase(it);
    }
    close(fd);
}

} // namespace platform
