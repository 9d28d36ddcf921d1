// The watcher's life: start, the wait on the line, stop, and the supervision of the link to
// the CAPI driver (missing, lost, retried, restored).

#include "capi/Capi.h"
#include "capi/ConnectionTable.h"
#include "capi/Diagnostics.h"
#include "capi/RetrySchedule.h"
#include "capi/StopSignal.h"
#include "capi/Watcher.h"

#include <capi20.h>

#include <poll.h>
#include <sys/socket.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <memory>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace capi {

namespace {

using Clock = StopSignal::Clock;

// The longest wait on the line. A full round goes on at once, so the descriptor shows what
// is left; this only looks at the queue now and then in case libcapi20 holds something the
// descriptor no longer shows, and is long so that an idle line wakes nobody.
constexpr auto kIdleWait = std::chrono::seconds(30);
// Without a descriptor to wait on, the watcher polls at this interval.
constexpr auto kPollInterval = std::chrono::milliseconds(100);
// StopCAPI joins a watcher that ends within this time and leaves a busy one to end alone.
constexpr auto kJoinWait = std::chrono::milliseconds(200);

// One start of the watcher, from InitCAPI or StartCAPI to StopCAPI. A watcher serves one
// session and ends with it, so a watcher still busy in the handler when it is stopped never
// comes back to life next to the one of the next start, nor touches its state.
struct Session {
    StopSignal stop;
    SessionState state;
    RetrySchedule schedule;
    // StartCAPI's: told once how the first registration went.
    std::function<void(bool)> firstAttempt;
    std::mutex endMutex;
    std::condition_variable endChanged;
    bool ended = false;
};

struct Module {
    std::mutex mutex;
    std::shared_ptr<Session> current;
    // Watcher threads started here, joined once they have ended.
    std::vector<std::pair<std::shared_ptr<Session>, std::thread>> threads;
    // What CurrentState gives when no session runs.
    SessionState idle;
};

// Never destroyed: process exit must neither join nor tear down a watcher still running.
Module& TheModule() {
    static auto* module = new Module;
    return *module;
}

thread_local Session* t_session = nullptr;

// Ends the current session: its watcher stops touching the line and says nothing more.
std::shared_ptr<Session> EndSession() {
    Module& module = TheModule();
    std::shared_ptr<Session> session;
    {
        std::lock_guard lock(module.mutex);
        session = std::move(module.current);
        if (session)
            session->stop.Raise();
        SetLinkStatus({});
    }
    return session;
}

void ReleaseAtExit() {
    if (const std::shared_ptr<Session> session = EndSession())
        ReleaseCAPI(session->state.applicationId.exchange(0));
}

void PrepareProcess() {
    // A remote CAPI that goes away must cost an error code, not the process.
    struct sigaction old {};
    if (sigaction(SIGPIPE, nullptr, &old) == 0 && old.sa_handler == SIG_DFL)
        std::signal(SIGPIPE, SIG_IGN);
    static std::once_flag atExit;
    std::call_once(atExit, [] { std::atexit(ReleaseAtExit); });
}

// Makes a session current in place of the one before, which is stopped. Called with the
// module's mutex held.
std::shared_ptr<Session> NewSession(Module& module) {
    if (module.current)
        module.current->stop.Raise();
    module.current = std::make_shared<Session>();
    return module.current;
}

// Sets the status unless the session was stopped meanwhile; false then.
bool Publish(Session& session, const LinkStatus& status) {
    {
        std::lock_guard lock(TheModule().mutex);
        if (session.stop.Raised())
            return false;
        SetLinkStatus(status);
    }
    NotifyLinkStatus(status);
    return true;
}

enum class Line {
    Quiet,    // nothing came within the idle wait, or no descriptor to wait on
    Readable, // a message, or a descriptor that cannot tell
    Closed,   // the remote end is gone
    Stopped,
};

// Waits for the application's connection. libcapi20 never reports a remote end that closed:
// its descriptor stays readable while the queue answers empty, so readable is told apart
// from end of file by peeking.
Line WaitForLine(Session& session) {
    std::uint16_t id;
    int fd;
    {
        std::lock_guard lock(CapiLock());
        id = session.state.applicationId;
        fd = id != 0 ? capi20_fileno(id) : -1;
    }
    if (fd < 0)
        return session.stop.SleepUntil(Clock::now() + kPollInterval) ? Line::Stopped : Line::Quiet;
    switch (session.stop.Wait(fd, POLLIN, Clock::now() + kIdleWait)) {
    case StopSignal::Wake::Stopped:
        return Line::Stopped;
    case StopSignal::Wake::TimedOut:
    case StopSignal::Wake::Failed:
        return Line::Quiet;
    case StopSignal::Wake::Ready:
        break;
    }
    // A stop may have released the application, and its descriptor, since the poll.
    std::lock_guard lock(CapiLock());
    if (WatcherStopping() || session.state.applicationId != id)
        return Line::Stopped;
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

// Takes over an application registered by this session's thread; false when the session was
// stopped meanwhile. Says so on standard output when a text is given.
bool Adopt(Session& session, unsigned id, unsigned controllers, const char* text) {
    const LinkStatus status{LinkStatus::Connected, controllers, 0};
    {
        std::lock_guard lock(TheModule().mutex);
        if (session.stop.Raised())
            return false;
        session.state.applicationId = static_cast<std::uint16_t>(id);
        SetLinkStatus(status);
    }
    session.schedule.Connected();
    if (text != nullptr)
        Say(text);
    NotifyLinkStatus(status);
    return true;
}

// Registers on the retry schedule until it works, counting down in the given state (Lost or
// Missing). False when stopped first.
bool Retry(Session& session, LinkStatus::State state) {
    const char* restored =
        state == LinkStatus::Lost ? "CAPI connection restored\n" : "CAPI driver found\n";
    for (;;) {
        const int delay = session.schedule.Next();
        const auto due = Clock::now() + std::chrono::seconds(delay);
        if (!Publish(session, {state, 0, delay, due}) || session.stop.SleepUntil(due))
            return false;
        if (!Publish(session, {state, 0, 0, {}}))
            return false;
        unsigned id = 0;
        const unsigned controllers = RegisterCAPI(id, false);
        if (controllers == 0)
            continue;
        if (Adopt(session, id, controllers, restored))
            return true;
        ReleaseQuietly(id);
        return false;
    }
}

// After the link went down: forgets the calls and the application, then registers again.
// False when stopped first.
bool Reconnect(Session& session, unsigned code) {
    std::uint16_t lost = 0;
    {
        std::lock_guard lock(TheModule().mutex);
        if (session.stop.Raised())
            return false;
        lost = session.state.applicationId.exchange(0);
    }
    Sayf("Error: CAPI connection lost, code: %04X\n", code);
    FreeAllConnections(session.state.connections);
    // Nothing goes out on a dead connection; this frees what the library keeps for it.
    if (lost != 0)
        ReleaseQuietly(lost);
    // A link that falls as soon as it is up does not start the schedule over.
    session.schedule.Lost();
    return Retry(session, LinkStatus::Lost);
}

// The first registration of a StartCAPI, retried while the driver is missing. False when
// stopped first.
bool RegisterFirst(Session& session) {
    SelectDriver();
    unsigned id = 0;
    const unsigned controllers = RegisterCAPI(id, true);
    bool registered = controllers != 0 && Adopt(session, id, controllers, nullptr);
    if (controllers != 0 && !registered)
        ReleaseQuietly(id);
    if (session.firstAttempt)
        session.firstAttempt(registered);
    if (registered || session.stop.Raised())
        return registered;
    return Retry(session, LinkStatus::Missing);
}

// Listens on every controller; the Info when that found the link down, else 0.
unsigned Listen() {
    const unsigned result = ListenAllControllers(kListenCipMask);
    return MeansLinkDown(result) ? result : 0;
}

void Watch(const std::shared_ptr<Session>& owner, bool registerFirst) {
    Session& session = *owner;
    t_session = &session;
    bool running = true;
    if (registerFirst)
        running = RegisterFirst(session);
    else if (const LinkStatus status = GetLinkStatus(); !session.stop.Raised())
        NotifyLinkStatus(status);
    unsigned down = running ? Listen() : 0;
    bool more = false;
    while (running && !session.stop.Raised()) {
        if (down != 0) {
            if (!Reconnect(session, down))
                break;
            down = Listen();
            continue;
        }
        // After a full round more may be waiting: take it without waiting on the line.
        const Line line = more ? Line::Quiet : WaitForLine(session);
        more = false;
        switch (line) {
        case Line::Stopped:
            break;
        case Line::Closed:
            down = kLinkClosed;
            break;
        case Line::Quiet:
            more = Handle_CAPI_Msg() == kMessagesPerPoll;
            down = TakeLinkDown();
            break;
        case Line::Readable: {
            const int taken = Handle_CAPI_Msg();
            // A descriptor that stays readable with nothing to take would make this spin.
            if (taken == 0)
                session.stop.SleepUntil(Clock::now() + kPollInterval);
            more = taken == kMessagesPerPoll;
            down = TakeLinkDown();
            break;
        }
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

// Runs a session's watcher on a thread kept here. Called with the module's mutex held.
void StartThread(Module& module, const std::shared_ptr<Session>& session, bool registerFirst) {
    module.threads.emplace_back(
        session, std::thread([session, registerFirst] { Watch(session, registerFirst); }));
}

} // namespace

SessionState& CurrentState() {
    if (t_session != nullptr)
        return t_session->state;
    Module& module = TheModule();
    std::lock_guard lock(module.mutex);
    return module.current ? module.current->state : module.idle;
}

bool WatcherStopping() {
    return t_session != nullptr && t_session->stop.Raised();
}

bool InitCAPI() {
    SelectDriver();
    PrepareProcess();
    unsigned id = 0;
    const unsigned controllers = RegisterCAPI(id, true);
    if (controllers == 0)
        return false;
    Module& module = TheModule();
    std::lock_guard lock(module.mutex);
    const std::shared_ptr<Session> session = NewSession(module);
    session->state.applicationId = static_cast<std::uint16_t>(id);
    session->schedule.Connected();
    SetLinkStatus({LinkStatus::Connected, controllers, 0});
    return true;
}

unsigned CAPIThread(void*) {
    std::shared_ptr<Session> session;
    {
        std::lock_guard lock(TheModule().mutex);
        session = TheModule().current;
    }
    if (session)
        Watch(session, false);
    return 0;
}

void StartCAPIThread() {
    Module& module = TheModule();
    std::lock_guard lock(module.mutex);
    JoinEnded(module);
    // The session is taken here, not in the thread: a stop that comes before the thread runs
    // must end it too.
    if (const std::shared_ptr<Session> session = module.current)
        StartThread(module, session, false);
}

void StartCAPI(std::function<void(bool registered)> firstAttempt) {
    PrepareProcess();
    Module& module = TheModule();
    std::unique_lock lock(module.mutex);
    JoinEnded(module);
    const std::shared_ptr<Session> session = NewSession(module);
    session->firstAttempt = std::move(firstAttempt);
    SetLinkStatus({LinkStatus::Starting, 0, 0});
    try {
        StartThread(module, session, true);
    } catch (const std::system_error& e) {
        module.current.reset();
        SetLinkStatus({});
        lock.unlock();
        Sayf("Error: cannot start the CAPI watcher: %s\n", e.what());
        if (session->firstAttempt)
            session->firstAttempt(false);
    }
}

void StopCAPI() {
    const std::shared_ptr<Session> session = EndSession();
    if (!session)
        return;
    ReleaseCAPI(session->state.applicationId.exchange(0));
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
