// Desktop notifications' speed.
//
//   notify_bench [calls]   ring-to-notification latency: from the simulated line sending
//                          CONNECT_IND to the Notify call arriving at the tests' notification
//                          server on a bus of its own, with the program's window and handler in
//                          this process on the offscreen platform and a phonebook of 100,000
//                          entries (default 50 calls)

#include "app/CallerIdApp.h"
#include "bench/support/BenchProgram.h"
#include "platform/ModulePath.h"
#include "platform/Sound.h"
#include "platform/UserMessage.h"
#include "resources/Resources.h"
#include "settings/Settings.h"
#include "tests/support/NotificationServer.h"
#include "tools/linesim/LineSim.h"
#include "ui/CallPopupDlg.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <numeric>
#include <thread>
#include <vector>

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

using bench::kPhonebookEntries;
using bench::SubscriberNumber;

} // namespace

int main(int argc, char** argv) {
    const int calls = argc > 1 ? std::atoi(argv[1]) : 50;
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString();
    bench::PrepareFolder(folder);
    settings::SetDesktopNotifications(settings::DesktopNotifications::On);

    testing_support::NotificationServer server;
    if (!server.Start()) {
        std::fprintf(stderr, "%s\n", server.Error().c_str());
        return 1;
    }
    setenv("DBUS_SESSION_BUS_ADDRESS", server.Address().c_str(), 1);
    linesim::LineSim line;
    if (!bench::StartLine(line))
        return 1;

    QApplication app(argc, argv);
    InitTintorelResources();
    CCallPopupDlg* dlg = CreateMainWindow();

    std::vector<double> ms;
    std::thread driver([&] {
        line.WaitForCount("LISTEN_REQ", 1, 20s);
        // The start-up showing is over and the server has told what it can do.
        server.WaitForCalls(QStringLiteral("GetCapabilities"), 1);
        std::this_thread::sleep_for(1500ms);
        for (int i = 0; i < calls; ++i) {
            const std::size_t before = server.Calls(QStringLiteral("Notify")).size();
            const std::string number = SubscriberNumber((i * 1999) % kPhonebookEntries);
            const auto rung = Clock::now();
            const std::uint32_t plci =
                line.Ring({.controller = 1, .calling = number, .called = "0219876543"});
            if (server.WaitForCalls(QStringLiteral("Notify"), before + 1, 10s)) {
                const qint64 arrived =
                    server.Calls(QStringLiteral("Notify"))[before].value("t").toInteger();
                ms.push_back(static_cast<double>(arrived - rung.time_since_epoch().count()) / 1e6);
            } else {
                std::fprintf(stderr, "call %d: no notification\n", i);
            }
            line.Hangup(plci);
            // The handler finishes (the name's update, the log line), and the next call comes
            // at a random phase.
            std::this_thread::sleep_for(std::chrono::milliseconds(300 + (i * 37) % 100));
        }
        bench::Quit(dlg);
    });
    dlg->DoModal();
    driver.join();

    if (ms.empty())
        return 1;
    const double mean = std::accumulate(ms.begin(), ms.end(), 0.0) / ms.size();
    const double worst = *std::max_element(ms.begin(), ms.end());
    std::printf("ring-to-notification latency, %zu calls, %d-entry phonebook: mean %.1f ms, "
                "worst %.1f ms\n",
                ms.size(), kPhonebookEntries, mean, worst);
    std::fflush(stdout);
    std::quick_exit(0);
}
