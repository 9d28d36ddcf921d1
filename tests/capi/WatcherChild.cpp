#include "tests/capi/WatcherChild.h"

#include "capi/Capi.h"
#include "capi/ConnectionTable.h"
#include "capi/LinkStatus.h"
#include "capi/Watcher.h"

#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace watcher_test {

namespace {

using Clock = std::chrono::steady_clock;

testing_support::ChildProcess* g_io = nullptr;
std::atomic<bool> g_hold{false};
std::mutex g_holdMutex;
std::condition_variable g_holdChanged;
bool g_go = false;
std::atomic<long long> g_stopAt{0};
std::mutex g_linkMutex;
// Never destroyed: the watcher may report while the process exits.
auto* g_links = new std::string;

long long Now() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch())
        .count();
}

std::string Hex32(std::uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%X", v);
    return buf;
}

std::string TableText() {
    std::string text;
    for (int i = 0; i < capi::kConnectionSlots; ++i) {
        const capi::ConnectionSlot& s = capi::ConnectionTable()[i];
        if (!s.InUse)
            continue;
        if (!text.empty())
            text += ",";
        text += std::to_string(i) + "/" + Hex32(s.PLCI) + "/" + Hex32(s.NCCI) + "/" +
                std::to_string(static_cast<int>(s.State)) + (s.Initiator ? "/i" : "");
    }
    return text.empty() ? "-" : text;
}

std::string HexOrDash(const char* text) {
    const std::string hex = testing_support::HexText(text);
    return hex.empty() ? "-" : hex;
}

void WaitForGo() {
    std::unique_lock lock(g_holdMutex);
    g_holdChanged.wait(lock, [] { return g_go; });
    g_go = false;
}

std::atomic<unsigned> g_lastType{99};

int RecordCall(const char* calling, const char* called, unsigned callingType) {
    g_lastType = callingType;
    g_io->Tell("call " + HexOrDash(calling) + " " + HexOrDash(called) + " " + TableText());
    if (g_hold)
        WaitForGo();
    return 1;
}

std::string LinkText(const capi::LinkStatus& status) {
    const char* names[] = {"absent", "starting", "connected", "lost", "missing"};
    return std::string(names[status.state]) + "/" + std::to_string(status.controllers) + "/" +
           std::to_string(status.secondsToRetry);
}

void RecordLink(const capi::LinkStatus& status) {
    std::lock_guard lock(g_linkMutex);
    *g_links += " " + LinkText(status) + "@" + std::to_string(Now());
}

void StartWatcher(Mode mode) {
    if (mode == Mode::Detached)
        capi::StartCAPIThread();
    if (mode == Mode::OwnThread) {
        std::thread([] {
            capi::CAPIThread(nullptr);
            g_io->Tell("ended " + std::to_string(Now() - g_stopAt.load()));
        }).detach();
    }
}

long long CpuMilliseconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000LL +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000;
}

void AtExitProbe() {
    g_io->Tell("atexit appl=" + std::to_string(capi::ApplicationId()));
    std::string line;
    g_io->Hear(line);
}

} // namespace

int RunChild(testing_support::ChildProcess& io, const ChildOptions& options) {
    g_io = &io;
    if (options.atExitProbe)
        std::atexit(AtExitProbe);
    capi::SetIncomingCallHandler(options.handler ? RecordCall : nullptr);
    capi::SetLinkStatusHandler(RecordLink);
    if (options.async) {
        // Said first: the watcher's answer may come before StartCAPI returns.
        io.Tell("init async");
        capi::StartCAPI([](bool registered) { g_io->Tell(registered ? "first 1" : "first 0"); });
    } else {
        const bool ok = capi::InitCAPI();
        io.Tell(ok ? "init 1" : "init 0");
        if (ok)
            StartWatcher(options.mode);
    }
    for (;;) {
        std::string cmd;
        if (!io.Hear(cmd))
            return 3;
        if (cmd == "poll") {
            capi::Handle_CAPI_Msg();
            io.Tell("polled");
        } else if (cmd == "listen") {
            io.Tell("listen " + std::to_string(capi::ListenAllControllers(capi::kListenCipMask)));
        } else if (cmd == "stop") {
            g_stopAt = Now();
            capi::StopCAPI();
            io.Tell("stopped");
        } else if (cmd == "restart") {
            g_stopAt = Now();
            capi::StopCAPI();
            const bool again = capi::InitCAPI();
            if (again)
                StartWatcher(options.mode);
            io.Tell(again ? "restarted 1" : "restarted 0");
        } else if (cmd == "link") {
            io.Tell("link " + LinkText(capi::GetLinkStatus()));
        } else if (cmd == "links") {
            std::lock_guard lock(g_linkMutex);
            io.Tell("links" + *g_links);
        } else if (cmd == "cpu") {
            io.Tell("cpu " + std::to_string(CpuMilliseconds()));
        } else if (cmd == "table") {
            io.Tell("table " + TableText());
        } else if (cmd == "alloc") {
            io.Tell("alloc " + std::to_string(capi::AllocConnection()));
        } else if (cmd == "type") {
            io.Tell("type " + std::to_string(g_lastType.load()));
        } else if (cmd == "appl") {
            io.Tell("appl " + std::to_string(capi::ApplicationId()));
        } else if (cmd == "hold on" || cmd == "hold off") {
            g_hold = cmd == "hold on";
            io.Tell("ok");
        } else if (cmd == "go") {
            {
                std::lock_guard lock(g_holdMutex);
                g_go = true;
            }
            g_holdChanged.notify_all();
            io.Tell("ok");
        } else if (cmd == "exit") {
            return 0;
        } else if (cmd == "quick-exit") {
            std::fflush(stdout);
            ::_exit(0);
        } else {
            io.Tell("unknown " + cmd);
        }
    }
}

} // namespace watcher_test
