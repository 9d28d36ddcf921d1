// The notification window's speed and idle cost.
//
//   window_bench latency [calls]   ring-to-window latency: from the simulated line sending
//                                  CONNECT_IND to the window being shown with the caller's
//                                  name (phonebook hit in a 100,000-entry phonebook), in this
//                                  process on the offscreen platform (default 50 calls)
//   window_bench burst [calls]     calls rung and cleared back to back (default 1,000): the
//                                  time until every one is alerted and logged
//   window_bench idle [seconds]    the real program on a private Xvfb desktop with no call:
//                                  CPU share of one core and resident memory (default 60 s)

#include "app/CallerIdApp.h"
#include "bench/support/BenchProgram.h"
#include "line/Notification.h"
#include "ui/MessageBox.h"
#include "platform/ModulePath.h"
#include "platform/Sound.h"
#include "resources/Resources.h"
#include "ui/CallPopupDlg.h"
#include "calllog/LogOwner.h"
#include "tests/e2e/Desktop.h"
#include "tools/linesim/LineSim.h"

#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <sstream>
#include <thread>
#include <unistd.h>
#include <vector>

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

using bench::kPhonebookEntries;
using bench::PrepareFolder;
using bench::Quit;
using bench::StartLine;
using bench::SubscriberNumber;

// Marks the moment the window is painted on screen with the expected name.
class PaintWatch : public QObject {
  public:
    std::atomic<bool> m_armed{false};
    std::string m_expected;
    Clock::time_point m_seen{};
    std::atomic<bool> m_done{false};

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && m_armed.load()) {
            auto* window = static_cast<QWidget*>(watched);
            if (window->isVisible() &&
                static_cast<CCallPopupDlg*>(window)->State().Texts().name == m_expected) {
                m_seen = Clock::now();
                m_armed.store(false);
                m_done.store(true);
            }
        }
        return false;
    }
};

int Latency(int argc, char** argv, int calls) {
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString();
    PrepareFolder(folder);

    linesim::LineSim line;
    if (!StartLine(line))
        return 1;
    QApplication app(argc, argv);
    InitTintorelResources();
    auto* dlg = CreateMainWindow();
    PaintWatch watch;
    dlg->installEventFilter(&watch);

    std::vector<double> ms;
    std::thread driver([&] {
        line.WaitForCount("LISTEN_REQ", 1, 20s);
        std::this_thread::sleep_for(1500ms); // the start-up showing is over
        for (int i = 0; i < calls; ++i) {
            const std::string number = SubscriberNumber((i * 1999) % kPhonebookEntries);
            watch.m_expected =
                "Abonn\xE9 num\xE9ro " + std::to_string((i * 1999) % kPhonebookEntries);
            watch.m_done.store(false);
            watch.m_armed.store(true);
            const auto rung = Clock::now();
            const std::uint32_t plci =
                line.Ring({.controller = 1, .calling = number, .called = "0219876543"});
            const auto end = Clock::now() + 10s;
            while (!watch.m_done.load() && Clock::now() < end)
                std::this_thread::sleep_for(1ms);
            if (watch.m_done.load())
                ms.push_back(
                    std::chrono::duration<double, std::milli>(watch.m_seen - rung).count());
            else
                std::fprintf(stderr, "call %d: window not seen\n", i);
            line.Hangup(plci);
            // Let the handler finish (log line) and the next poll come round at a random phase.
            std::this_thread::sleep_for(std::chrono::milliseconds(300 + (i * 37) % 100));
        }
        Quit(dlg);
    });
    dlg->DoModal();
    driver.join();

    if (ms.empty())
        return 1;
    const double mean = std::accumulate(ms.begin(), ms.end(), 0.0) / ms.size();
    const double worst = *std::max_element(ms.begin(), ms.end());
    std::printf("ring-to-window latency, %zu calls, %d-entry phonebook: mean %.1f ms, "
                "worst %.1f ms\n",
                ms.size(), kPhonebookEntries, mean, worst);
    std::fflush(stdout);
    std::quick_exit(0);
}

// Calls rung and cleared back to back, as fast as the line takes them: until every one is
// alerted and logged.
int Burst(int argc, char** argv, int calls) {
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString();
    PrepareFolder(folder);
    linesim::LineSim line;
    if (!StartLine(line))
        return 1;
    QApplication app(argc, argv);
    InitTintorelResources();
    g_bLogOwner.store(true);
    auto* dlg = CreateMainWindow();

    const auto logLines = [&] {
        std::ifstream log(folder + "/isdncall.log", std::ios::binary);
        return std::count(std::istreambuf_iterator<char>(log), std::istreambuf_iterator<char>(),
                          '\n');
    };
    double seconds = -1;
    long logged = 0;
    std::thread driver([&] {
        line.WaitForCount("LISTEN_REQ", 1, 20s);
        std::this_thread::sleep_for(1500ms);
        const auto start = Clock::now();
        for (int i = 0; i < calls; ++i) {
            const std::string number = SubscriberNumber((i * 1999) % kPhonebookEntries);
            line.Hangup(line.Ring({.controller = 1, .calling = number, .called = "0219876543"}));
        }
        const auto end = start + 60s;
        while ((logLines() < calls || line.Count("ALERT_REQ") < calls) && Clock::now() < end)
            std::this_thread::sleep_for(5ms);
        seconds = std::chrono::duration<double>(Clock::now() - start).count();
        logged = logLines();
        Quit(dlg);
    });
    dlg->DoModal();
    driver.join();
    std::printf("burst of %d calls: %d alerted, %ld logged, in %.2f s\n", calls,
                line.Count("ALERT_REQ"), logged, seconds);
    std::fflush(stdout);
    std::quick_exit(0);
}

struct Usage {
    double cpuSeconds = 0;
    long rssKb = 0;
};

Usage ReadUsage(pid_t pid) {
    Usage usage;
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const auto close = text.rfind(')');
    if (close != std::string::npos) {
        std::istringstream fields(text.substr(close + 2));
        std::vector<std::string> f;
        std::string word;
        while (fields >> word)
            f.push_back(word);
        // Fields 14 and 15 (utime, stime) are at 11 and 12 after the state field.
        if (f.size() > 12)
            usage.cpuSeconds =
                (std::stod(f[11]) + std::stod(f[12])) / static_cast<double>(sysconf(_SC_CLK_TCK));
    }
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            usage.rssKb = std::atol(line.c_str() + 6);
    return usage;
}

int Idle(int seconds) {
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString();
    std::filesystem::copy_file(TINTOREL_EXE, folder + "/tintorel");
    bench::WritePhonebook(folder);
    e2e::Desktop desktop(folder);
    if (!desktop.Start()) {
        std::fprintf(stderr, "%s\n", desktop.Error().c_str());
        return 1;
    }
    linesim::LineSim line;
    if (!line.Start())
        return 1;
    e2e::Process tintorel;
    tintorel.Start({folder + "/tintorel"},
                   {{"DISPLAY", desktop.Display()},
                    {"QT_QPA_PLATFORM", std::nullopt},
                    {"HOME", folder},
                    {"XDG_CONFIG_HOME", folder},
                    {"TINTOREL_REGISTRY", folder + "/registry.reg"},
                    {"TINTOREL_CAPI", "rcapi:127.0.0.1:" + std::to_string(line.Port())}},
                   folder + "/tintorel.log");
    line.WaitForCount("LISTEN_REQ", 1, 20s);
    std::this_thread::sleep_for(3s); // start-up over
    const Usage before = ReadUsage(tintorel.Pid());
    long maxRss = before.rssKb;
    for (int s = 0; s < seconds; ++s) {
        std::this_thread::sleep_for(1s);
        maxRss = std::max(maxRss, ReadUsage(tintorel.Pid()).rssKb);
    }
    const Usage after = ReadUsage(tintorel.Pid());
    std::printf("idle %d s: CPU %.3f %% of one core, resident memory %.1f MB (peak %.1f MB)\n",
                seconds, 100.0 * (after.cpuSeconds - before.cpuSeconds) / seconds,
                after.rssKb / 1024.0, maxRss / 1024.0);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "latency";
    if (mode == "latency")
        return Latency(argc, argv, argc > 2 ? std::atoi(argv[2]) : 50);
    if (mode == "burst")
        return Burst(argc, argv, argc > 2 ? std::atoi(argv[2]) : 1000);
    if (mode == "idle")
        return Idle(argc > 2 ? std::atoi(argv[2]) : 60);
    std::fprintf(stderr, "usage: window_bench latency [calls] | burst [calls] | idle [seconds]\n");
    return 2;
}
