#pragma once
// The request channel: how "tintorel --history" and its like reach the copy already running for
// the same user and data folder. A Unix stream socket in the user's private runtime folder; a
// request is one line holding one word ("history", "quit", ...), the answer one line, "ok" or
// "error <why>", and the connection ends. Each side checks that the other runs as the same user.

#include <QObject>

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

class QSocketNotifier;

namespace platform {

// The longest request line taken, its newline included.
constexpr std::size_t kMaxRequestLength = 64;

enum class SendResult {
    Answered,   // reply holds the answer
    NotRunning, // nobody listens there (or the copy ended while asked)
    Failed,     // no answer in time, or a listener of another user; error holds errno
};

// Sends request to the socket at path and waits up to timeoutMs for the answer (without its
// newline). Needs no event loop.
SendResult SendRequest(const std::string& path, const std::string& request, std::string& reply,
                       int& error, int timeoutMs = 5000);

enum class ListenResult {
    Listening,     // the socket is bound and taking requests
    AlreadyExists, // a live process answers on that path
    Failed,        // error holds errno
};

// The serving side. Requests are read on the thread this object lives on, from its event loop,
// a little at a time: a slow, malformed or huge request never holds it up.
class RequestListener : public QObject {
  public:
    // Runs on this object's thread with a well-formed request word; returns the answer ("ok",
    // "error ..."). It must not destroy the listener.
    using Handler = std::function<std::string(const std::string& request)>;

    explicit RequestListener(Handler handler, QObject* parent = nullptr);
    ~RequestListener() override;
    RequestListener(const RequestListener&) = delete;
    RequestListener& operator=(const RequestListener&) = delete;

    // Any thread. Listens on path, in place of a socket that nobody answers on; the caller must
    // be the only one that may use path (it holds the role the path belongs to).
    ListenResult Listen(const std::string& path, int& error);
    // This object's thread. Stops listening and removes the socket; requests being read are
    // dropped.
    void Close();
    bool IsListening() const;

  private:
    struct Client;

    void StartReading();
    void OnAcceptable();
    void OnReadable(int fd);
    void Answer(int fd, const std::string& answer);

    Handler m_handler;
    mutable std::mutex m_mutex; // guards m_fd and m_path, which Listen and Close set
    int m_fd = -1;
    std::string m_path;
    QSocketNotifier* m_acceptNotifier = nullptr;      // this object's thread only
    std::map<int, std::unique_ptr<Client>> m_clients; // this object's thread only
};

} // namespace platform
