// Calls shared through a local Mosquitto broker, timed.
//
//   mqtt_bench latency [calls]      a ring on copy A's call monitor to the record in copy B's
//                                   log: two real programs (offscreen) in folders of their own,
//                                   B with no line but the broker (default 50 calls)
//   mqtt_bench listeners [n] [calls] n listening clients on the program's own code path (the
//                                   MQTT client, its network and delivery threads), one call
//                                   shared at a time: when the last of them has it (default 20
//                                   listeners, 20 calls)
//   mqtt_bench idle [seconds]       the CPU a program connected to the broker uses while no
//                                   call comes, with a CAPI line on the simulated line and with
//                                   no line but the broker; the program's and its MQTT threads'
//                                   (default 60 s each)

#include "line/MqttClient.h"
#include "tests/e2e/Desktop.h"
#include "tests/support/MosquittoBroker.h"
#include "tests/support/TestEnv.h"
#include "tools/linesim/CallMonitor.h"
#include "tools/linesim/LineSim.h"

#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <poll.h>

#include <algorithm>
#include <atomic>
#include <sstream>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

void Report(const char* what, const std::vector<double>& ms) {
    const double mean = std::accumulate(ms.begin(), ms.end(), 0.0) / static_cast<double>(ms.size());
    std::printf("%s: %zu, mean %.2f ms, worst %.2f ms\n", what, ms.size(), mean,
                *std::max_element(ms.begin(), ms.end()));
}

// A copy of the program in a folder of its own.
struct Copy {
    std::string dir;
    e2e::Process process;

    Copy(const std::string& base, const std::string& name, const std::string& phonebook)
        : dir(base + "/" + name) {
        std::filesystem::create_directories(dir + "/run");
        ::chmod((dir + "/run").c_str(), 0700);
        std::filesystem::copy_file(TINTOREL_EXE, dir + "/tintorel");
        std::ofstream(dir + "/phonebook.txt", std::ios::binary) << phonebook;
    }
    bool Start(const std::string& monitor, const std::string& mqtt, const std::string& capi = {}) {
        const e2e::Env env = {
            {"QT_QPA_PLATFORM", "offscreen"},
            {"HOME", dir},
            {"XDG_CONFIG_HOME", dir + "/config"},
            {"XDG_RUNTIME_DIR", dir + "/run"},
            {"TINTOREL_REGISTRY", dir + "/registry.reg"},
            {"TINTOREL_CAPI",
             !capi.empty() ? capi
                           : "rcapi:127.0.0.1:" + std::to_string(testing_support::ClosedPort())},
            {"TINTOREL_CALLMONITOR", monitor},
            {"TINTOREL_MQTT", mqtt},
            // Nobody answers there: no call of the bench goes out to the internet.
            {"TINTOREL_DIRECTORY", "127.0.0.1:" + std::to_string(testing_support::ClosedPort())},
        };
        return process.Start({dir + "/tintorel"}, env, dir + "/stdout.txt");
    }
    std::string Read(const std::string& name) const {
        std::ifstream in(dir + "/" + name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    bool Connected(const testing_support::MosquittoBroker& broker) const {
        return Read("stdout.txt")
                   .find("MQTT connected to 127.0.0.1:" + std::to_string(broker.Port())) !=
               std::string::npos;
    }
};

std::string Number(int i) {
    char text[16];
    std::snprintf(text, sizeof text, "079%07d", i);
    return text;
}

int Latency(int calls) {
    testing_support::TestEnv env;
    testing_support::MosquittoBroker broker(env.Dir());
    linesim::CallMonitorSim monitor;
    if (!broker.Start() || !monitor.Start()) {
        std::fprintf(stderr, "broker or monitor did not start\n%s", broker.Log().c_str());
        return 1;
    }
    std::string phonebook;
    for (int i = 0; i < calls; ++i)
        phonebook += Number(i) + ";Abonn\xe9 " + std::to_string(i) + "\r\n";
    Copy a(env.Dir(), "a", phonebook + "country;0\r\n"), b(env.Dir(), "b", "country;0\r\n");
    if (!a.Start("127.0.0.1:" + std::to_string(monitor.Port()), broker.Url()) ||
        !b.Start("", broker.Url()) ||
        !e2e::WaitFor([&] { return a.Connected(broker) && b.Connected(broker); }, 20s) ||
        !monitor.WaitForClients(1, 20s)) {
        std::fprintf(stderr, "the copies did not start\n%s%s", a.Read("stdout.txt").c_str(),
                     b.Read("stdout.txt").c_str());
        return 1;
    }
    // B's log is watched for each record it gains.
    const int watch = ::inotify_init1(IN_CLOEXEC);
    ::inotify_add_watch(watch, b.dir.c_str(), IN_MODIFY | IN_CLOSE_WRITE);
    std::vector<double> ms;
    for (int i = 0; i < calls; ++i) {
        const std::string number = Number(i);
        const Clock::time_point rung = Clock::now();
        monitor.Ring(std::to_string(i), number, "0219876543");
        bool logged = false;
        while (!logged && Clock::now() - rung < 10s) {
            char events[4096];
            pollfd fd{watch, POLLIN, 0};
            if (::poll(&fd, 1, 100) > 0) [[maybe_unused]]
                auto n = ::read(watch, events, sizeof events);
            logged = b.Read("isdncall.log").find(";" + number + ";") != std::string::npos;
        }
        if (!logged) {
            std::fprintf(stderr, "call %d never reached B's log\n%s", i,
                         b.Read("stdout.txt").c_str());
            return 1;
        }
        ms.push_back(Ms(Clock::now() - rung));
        // Past the same-call window and the window's own display.
        std::this_thread::sleep_for(100ms);
    }
    ::close(watch);
    Report("ring on A to the record in B's log", ms);
    return 0;
}

int Listeners(int n, int calls) {
    testing_support::TestEnv env;
    testing_support::MosquittoBroker broker(env.Dir());
    if (!broker.Start()) {
        std::fprintf(stderr, "%s", broker.Log().c_str());
        return 1;
    }
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<Clock::time_point> arrived;
    std::vector<std::unique_ptr<line::MqttClient>> listeners;
    std::atomic<int> up{0};
    for (int i = 0; i < n; ++i) {
        listeners.push_back(std::make_unique<line::MqttClient>(
            "tintorel-listener-" + std::to_string(i),
            [&](line::IncomingCall) {
                std::lock_guard lock(mutex);
                arrived.push_back(Clock::now());
                changed.notify_all();
            },
            [&](const line::LineStatus& status) {
                if (status.state == line::LineState::Connected)
                    ++up;
            }));
        listeners.back()->Start(broker.Url());
    }
    line::MqttClient caller("tintorel-caller-0", {}, [&](const line::LineStatus& status) {
        if (status.state == line::LineState::Connected)
            ++up;
    });
    caller.Start(broker.Url());
    if (!e2e::WaitFor([&] { return up.load() == n + 1; }, 20s)) {
        std::fprintf(stderr, "only %d of %d clients connected\n", up.load(), n + 1);
        return 1;
    }
    std::vector<double> last;
    for (int i = 0; i < calls; ++i) {
        {
            std::lock_guard lock(mutex);
            arrived.clear();
        }
        line::IncomingCall call;
        call.calling = Number(i);
        call.called = "0219876543";
        const Clock::time_point shared = Clock::now();
        caller.Share(call, "");
        std::unique_lock lock(mutex);
        if (!changed.wait_for(lock, 5s, [&] { return arrived.size() == std::size_t(n); })) {
            std::fprintf(stderr, "call %d reached %zu of %d listeners\n", i, arrived.size(), n);
            return 1;
        }
        last.push_back(Ms(*std::max_element(arrived.begin(), arrived.end()) - shared));
        lock.unlock();
        std::this_thread::sleep_for(50ms);
    }
    Report(("the last of " + std::to_string(n) + " listeners has the call").c_str(), last);
    return 0;
}

// Nanoseconds of CPU the process's threads used (those whose name starts with prefix), from
// their schedstat files: finer than the clock ticks of stat.
long long CpuNs(pid_t pid, const std::string& prefix = {}) {
    long long ns = 0;
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    std::error_code ec;
    for (const auto& task : std::filesystem::directory_iterator(tasks, ec)) {
        std::ifstream comm(task.path() / "comm");
        std::string name;
        std::getline(comm, name);
        std::ifstream schedstat(task.path() / "schedstat");
        long long running = 0;
        if (name.starts_with(prefix) && schedstat >> running)
            ns += running;
    }
    return ns;
}

// One program idle for seconds: with a CAPI line on the simulated line, or (capiLine false)
// with no line but the broker, its missing CAPI driver tried again on the retry schedule.
int IdleOnce(int seconds, bool capiLine) {
    testing_support::TestEnv env;
    testing_support::MosquittoBroker broker(env.Dir());
    linesim::LineSim line;
    if (!broker.Start() || (capiLine && !line.Start()))
        return 1;
    Copy b(env.Dir(), "b", "country;0\r\n");
    const std::string capi = capiLine ? "rcapi:127.0.0.1:" + std::to_string(line.Port()) : "";
    if (!b.Start("", broker.Url(), capi) ||
        !e2e::WaitFor([&] { return b.Connected(broker); }, 20s) ||
        (capiLine && !line.WaitForCount("LISTEN_REQ", 1, 20s))) {
        std::fprintf(stderr, "%s", b.Read("stdout.txt").c_str());
        return 1;
    }
    // Past the start-up's own work (the window's first display and hiding).
    std::this_thread::sleep_for(3s);
    const pid_t pid = b.process.Pid();
    const long long before = CpuNs(pid);
    const long long mqttBefore = CpuNs(pid, "mqtt-");
    const Clock::time_point from = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const double wall = std::chrono::duration<double>(Clock::now() - from).count();
    const double cpu = static_cast<double>(CpuNs(pid) - before) / 1e9;
    const double mqtt = static_cast<double>(CpuNs(pid, "mqtt-") - mqttBefore) / 1e9;
    std::printf("idle with MQTT connected, %s, %.0f s: the program %.3f s of CPU (%.4f %% of a "
                "core), its MQTT threads %.4f s (%.4f %%)\n",
                capiLine ? "a CAPI line connected" : "no CAPI driver (retried)", wall, cpu,
                100.0 * cpu / wall, mqtt, 100.0 * mqtt / wall);
    return 0;
}

int Idle(int seconds) {
    return IdleOnce(seconds, true) != 0 || IdleOnce(seconds, false) != 0 ? 1 : 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "latency";
    const auto arg = [&](int i, int fallback) { return argc > i ? std::atoi(argv[i]) : fallback; };
    if (mode == "latency")
        return Latency(arg(2, 50));
    if (mode == "listeners")
        return Listeners(arg(2, 20), arg(3, 20));
    if (mode == "idle")
        return Idle(arg(2, 60));
    std::fprintf(stderr, "usage: mqtt_bench latency [calls] | listeners [n] [calls] | idle [s]\n");
    return 2;
}
