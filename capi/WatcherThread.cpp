// The watcher's life: start, the wait on the line, stop, and the supervision of the link to
// the CAPI driver (lost, retried, restored).

#include "capi/Capi.h"
#include "capi/ConnectionTable.h"
#include "capi/Watcher.h"

#include <capi20.h>

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace capi {

namespace {

using Clock = std::chrono::steady_clock;

// The line is watched without a clock; this only bounds how long a lost wake-up could last.
constexpr auto kIdleWait = std::chrono::seconds(1);
// Without a descriptor or a wake-up to wait on, the watcher polls at this interval.
constexpr auto kPollInterval = std::chrono::milliseconds(100);
// StopCAPI joins a watcher that ends within this time and leaves a busy one to end alone.
constexpr auto kJoinWait = std::chrono::milliseconds(200);
// Seconds before each new attempt to register; the last one repeats.
constexpr int kRetryDelays[] = {1, 2, 4, 8, 16, 30};

// One start of the watcher, from InitCAPI to StopCAPI. A watcher serves one session and ends
// with it, so a watcher still busy in the handler when it is stopped never comes back to life
// next to the one of the next start.
struct Session {
    Session() : wakeFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
    ~Session() {
        if (wakeFd >= 0)
            ::close(wakeFd);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    void Stop() {
        stopped = true;
        if (wakeFd >= 0) {
            const std::uint64_t one = 1;
            [[maybe_unused]] auto n = ::write(wakeFd, &one, sizeof one);
        }
    }

    // Readable once stopped; -1 when the system had none to give (waits then poll the flag).
    const int wakeFd;
    std::atomic<bool> stopped{false};
    std::mutex endMutex;
    std::condition_variable endChanged;
    bool ended = false;
};

struct Module {
    std::mutex mutex;
    std::shared_ptr<Session> current;
    // Watcher threads started by StartCAPIThread, joined once they have ended.
    std::vector<std::pair<std::shared_ptr<Session>, std::thread>> threads;
};

// Never destroyed: process exit must neither join nor tear down a watcher still running.
Module& TheModule() {
    static auto* module = new Module;
    return *module;
}

thread_local Session* t_session = nullptr;

void Say(const char* text) {
    std::fputs(text, stdout);
    std::fflush(stdout);
}

// TINTOREL_CAPI=<driver>:<host>:<port> picks the library's module and remote end; read once,
// before the first CAPI call, since the library settles its module at that call.
void SelectDriver() {
    static bool done = false;
    if (done)
        return;
    done = true;
    capi20ext_set_tracelevel(0);
    const char* env = std::getenv("TINTOREL_CAPI");
    if (env == nullptr)
        return;
    const std::string spec = env;
    const auto first = spec.find(':');
    const auto last = spec.rfind(':');
    if (first == std::string::npos || first == last || first == 0 || last == first + 1)
        return;
    const std::string portText = spec.substr(last + 1);
    char* end = nullptr;
    const long port = std::strtol(portText.c_str(), &end, 10);
    if (portText.empty() || *end != '\0' || port <= 0 || port > 65535)
        return;
    // The library keeps the pointers: the texts live as long as the process, never destroyed.
    auto* driver = new std::string(spec.substr(0, first));
    auto* host = new std::string(spec.substr(first + 1, last - first - 1));
    capi20ext_set_driver(driver->data());
    capi20ext_set_host(host->data());
    capi20ext_set_port(static_cast<int>(port));
}

// Ends the current session: its watcher stops touching the line and says nothing more.
std::shared_ptr<Session> EndSession() {
    Module& module = TheModule();
    std::shared_ptr<Session> session;
    {
        std::lock_guard lock(module.mutex);
        session = std::move(module.current);
        if (session)
            session->Stop();
        SetLinkStatus({});
    }
    return session;
}

void ReleaseAtExit() {
    EndSession();
    ReleaseCAPI();
}

// Sets the status unless the session was stopped meanwhile; false then.
bool Publish(Session& session, const LinkStatus& status) {
    {
        std::lock_guard lock(TheModule().mutex);
        if (session.stopped)
            return false;
        SetLinkStatus(status);
    }
    NotifyLinkStatus(status);
    return true;
}

// Waits until the deadline or a stop; true when stopped.
bool WaitForStop(Session& session, Clock::time_point until) {
    while (!session.stopped) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(until - Clock::now());
        if (left.count() <= 0)
            return false;
        if (session.wakeFd < 0) {
            std::this_thread::sleep_for(std::min<Clock::duration>(left, kPollInterval));
            continue;
        }
        pollfd wake{session.wakeFd, POLLIN, 0};
        ::poll(&wake, 1, static_cast<int>(left.count()));
    }
    return true;
}

enum class Line {
    Quiet,    // nothing came
    Polled,   // no descriptor to wait on: a poll interval passed
    Readable, // a message, or a descriptor that cannot tell
    Closed,   // the remote end is gone
};

// Waits for the application's connection. libcapi20 never reports a remote end that closed:
// its descriptor stays readable while the queue answers empty, so readable is told apart
// from end of file by peeking.
Line WaitForLine(Session& session) {
    std::uint16_t id;
    int fd;
    {
        std::lock_guard lock(CapiLock());
        id = ApplicationId();
        fd = id != 0 ? capi20_fileno(id) : -1;
    }
    if (fd < 0) {
        WaitForStop(session, Clock::now() + kPollInterval);
        return Line::Polled;
    }
    pollfd fds[2] = {{fd, POLLIN, 0}, {session.wakeFd, POLLIN, 0}};
    const std::chrono::milliseconds wait = session.wakeFd >= 0 ? kIdleWait : kPollInterval;
    const int ready = ::poll(fds, 2, static_cast<int>(wait.count()));
    if (ready <= 0 || fds[0].revents == 0)
        return Line::Quiet;
    // A stop may have released the application, and its descriptor, since the poll.
    std::lock_guard lock(CapiLock());
    if (WatcherStopping() || ApplicationId() != id)
        return Line::Quiet;
    char byte;
    const ssize_t n = ::recv(fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    if (n > 0)
        return Line::Readable;
    if (n == 0)
        return Line::Closed;
    if (errno == EINTR)
        return Line::Quiet;
    const bool cannotTell = errno == EAGAIN || errno == EWOULDBLOCK || errno == ENOTSOCK;
    return cannotTell ? Line::Readable : Line::Closed;
}

void FreeAllConnections() {
    for (int slot = 0; slot < kConnectionSlots; ++slot) {
        if (ConnectionTable[slot].InUse) {
            SetState(slot, Disconnected);
            FreeConnection(slot);
        }
    }
}

// Takes over an application registered on a retry; false when the session was stopped.
bool Adopt(Session& session, unsigned id, unsigned controllers) {
    const LinkStatus status{LinkStatus::Connected, controllers, 0};
    {
        std::lock_guard lock(TheModule().mutex);
        if (session.stopped)
            return false;
        PublishApplicationId(static_cast<std::uint16_t>(id));
        SetLinkStatus(status);
    }
    Say("CAPI connection restored\n");
    NotifyLinkStatus(status);
    return true;
}

// After the link went down: forgets the calls and the application, then registers again on a
// widening schedule until it works. False when stopped first.
bool Reconnect(Session& session, unsigned code) {
    std::uint16_t lost = 0;
    {
        std::lock_guard lock(TheModule().mutex);
        if (session.stopped)
            return false;
        lost = TakeApplicationId();
    }
    std::printf("Error: CAPI connection lost, code: %04X\n", code);
    std::fflush(stdout);
    FreeAllConnections();
    // Nothing goes out on a dead connection; this frees what the library keeps for it.
    if (lost != 0)
        ReleaseQuietly(lost);
    for (std::size_t attempt = 0;; ++attempt) {
        const int delay = kRetryDelays[std::min(attempt, std::size(kRetryDelays) - 1)];
        const auto due = Clock::now() + std::chrono::seconds(delay);
        for (int left = delay; left > 0; --left) {
            if (!Publish(session, {LinkStatus::Lost, 0, left}) ||
                WaitForStop(session, due - std::chrono::seconds(left - 1)))
                return false;
        }
        if (!Publish(session, {LinkStatus::Lost, 0, 0}))
            return false;
        unsigned id = 0;
        const unsigned controllers = RegisterCAPI(id, false);
        if (controllers == 0)
            continue;
        if (Adopt(session, id, controllers))
            return true;
        ReleaseQuietly(id);
        return false;
    }
}

// Listens on every controller; the Info when that found the link down, else 0.
unsigned Listen() {
    const unsigned result = ListenAllControllers(kListenCipMask);
    return MeansLinkDown(result) ? result : 0;
}

void Watch(const std::shared_ptr<Session>& owner) {
    Session& session = *owner;
    t_session = &session;
    if (const LinkStatus status = GetLinkStatus(); !session.stopped)
        NotifyLinkStatus(status);
    unsigned down = Listen();
    while (!session.stopped) {
        if (down != 0) {
            if (!Reconnect(session, down))
                break;
            down = Listen();
            continue;
        }
        switch (WaitForLine(session)) {
        case Line::Quiet:
            break;
        case Line::Closed:
            down = kLinkClosed;
            break;
        case Line::Polled:
            Handle_CAPI_Msg();
            down = TakeLinkDown();
            break;
        case Line::Readable:
            // A descriptor that stays readable with nothing to take would make this spin.
            if (Handle_CAPI_Msg() == 0)
                WaitForStop(session, Clock::now() + kPollInterval);
            down = TakeLinkDown();
            break;
        }
    }
    t_session = nullptr;
    std::lock_guard lock(session.endMutex);
    session.ended = true;
    session.endChanged.notify_all();
}

bool Ended(Session& session) {
    std::lock_guard lock(session.endMutex);
    return session.ended;
}

// Joins the threads whose watcher has ended. Called with the module's mutex held.
void JoinEnded(Module& module) {
    auto& threads = module.threads;
    for (auto it = threads.begin(); it != threads.end();) {
        if (Ended(*it->first) && it->second.get_id() != std::this_thread::get_id()) {
            it->second.join();
            it = threads.erase(it);
        } else {
            ++it;
        }
    }
}

} // namespace

bool WatcherStopping() {
    return t_session != nullptr && t_session->stopped;
}

bool InitCAPI() {
    SelectDriver();
    // A remote CAPI that goes away must cost an error code, not the process.
    struct sigaction old {};
    if (sigaction(SIGPIPE, nullptr, &old) == 0 && old.sa_handler == SIG_DFL)
        std::signal(SIGPIPE, SIG_IGN);
    unsigned id = 0;
    const unsigned controllers = RegisterCAPI(id, true);
    if (controllers == 0)
        return false;
    {
        Module& module = TheModule();
        std::lock_guard lock(module.mutex);
        if (module.current)
            module.current->Stop();
        module.current = std::make_shared<Session>();
        PublishApplicationId(static_cast<std::uint16_t>(id));
        SetLinkStatus({LinkStatus::Connected, controllers, 0});
    }
    static std::once_flag atExit;
    std::call_once(atExit, [] { std::atexit(ReleaseAtExit); });
    InitConnectionTable();
    return true;
}

unsigned CAPIThread(void*) {
    std::shared_ptr<Session> session;
    {
        std::lock_guard lock(TheModule().mutex);
        session = TheModule().current;
    }
    if (session)
        Watch(session);
    return 0;
}

void StartCAPIThread() {
    Module& module = TheModule();
    std::lock_guard lock(module.mutex);
    JoinEnded(module);
    // The session is taken here, not in the thread: a stop that comes before the thread runs
    // must end it too.
    if (const std::shared_ptr<Session> session = module.current)
        module.threads.emplace_back(session, std::thread([session] { Watch(session); }));
}

void StopCAPI() {
    const std::shared_ptr<Session> session = EndSession();
    ReleaseCAPI();
    if (!session)
        return;
    {
        std::unique_lock lock(session->endMutex);
        if (!session->endChanged.wait_for(lock, kJoinWait, [&] { return session->ended; }))
            return; // busy in the handler: it ends alone, and is joined by a later start or stop
    }
    Module& module = TheModule();
    std::lock_guard lock(module.mutex);
    JoinEnded(module);
}

} // namespace capi
