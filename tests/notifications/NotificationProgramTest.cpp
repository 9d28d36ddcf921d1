// The real program with desktop notifications on the desktops people run: X11 with a tray
// (automatic means off), X11 without one (on), and Wayland alone (natively, and on). Each has a
// private display, a simulated line and the test's own notification server on a bus of its own.

#include "settings/Settings.h"
#include "tests/e2e/Desktop.h"
#include "tests/support/NotificationServer.h"
#include "tests/support/TestEnv.h"
#include "tools/linesim/LineSim.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>

#include <sys/stat.h>

using namespace std::chrono_literals;

namespace {

const std::string kTitle = "^    Tintorel$";

class NotificationProgramTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(m_server.Start()) << m_server.Error();
        ASSERT_TRUE(m_line.Start());
        m_env.WriteFile("phonebook.txt", "0791234567;Martin Paul\r\ncountry;0\r\n");
        std::filesystem::copy_file(TINTOREL_EXE, m_env.ExecutablePath());
        mkdir(m_env.Path("run").c_str(), 0700);
    }

    // The program with the display variables given (and no platform of the user's).
    std::unique_ptr<e2e::Process> Start(const e2e::Env& display) {
        e2e::Env env = {
            {"DISPLAY", std::nullopt},
            {"WAYLAND_DISPLAY", std::nullopt},
            {"QT_QPA_PLATFORM", std::nullopt},
            {"HOME", m_env.Dir()},
            {"XDG_CONFIG_HOME", m_env.Path("config")},
            {"XDG_RUNTIME_DIR", m_env.Path("run")},
            {"TINTOREL_REGISTRY", m_env.RegistryPath()},
            {"TINTOREL_CAPI", "rcapi:127.0.0.1:" + std::to_string(m_line.Port())},
            {"DBUS_SESSION_BUS_ADDRESS", m_server.Address()},
        };
        for (const auto& [name, value] : display)
            env[name] = value;
        auto process = std::make_unique<e2e::Process>();
        EXPECT_TRUE(process->Start({m_env.ExecutablePath()}, env, m_env.Path("tintorel.log")));
        EXPECT_TRUE(m_line.WaitForCount("LISTEN_REQ", 1, 20s)) << Output();
        return process;
    }

    std::string Output() const { return m_env.ReadFile("tintorel.log"); }

    // Rings and waits until the call is logged.
    ::testing::AssertionResult Call(const std::string& calling) {
        const std::string before = m_env.ReadFile("isdncall.log");
        m_line.Ring({.controller = 1, .calling = calling, .called = "0219876543"});
        if (e2e::WaitFor(
                [&] {
                    const std::string log = m_env.ReadFile("isdncall.log");
                    return log.size() > before.size() && log.back() == '\n';
                },
                20s))
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "not logged; output:\n" << Output();
    }

    ::testing::AssertionResult Notified(const QString& summary) const {
        if (e2e::WaitFor(
                [&] {
                    for (const QJsonObject& notify : m_server.Calls(QStringLiteral("Notify")))
                        if (notify.value("summary").toString() == summary)
                            return true;
                    return false;
                },
                20s))
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure()
               << "no notification \"" << summary.toStdString() << "\"; output:\n"
               << Output();
    }

    testing_support::TestEnv m_env;
    testing_support::NotificationServer m_server;
    linesim::LineSim m_line;
};

} // namespace

TEST_F(NotificationProgramTest, WithATrayAutomaticLeavesItToTheWindowOnX11EvenBesideWayland) {
    e2e::Desktop desktop(m_env.Dir());
    ASSERT_TRUE(desktop.Start()) << desktop.Error();
    // A Wayland session with XWayland: X11 it is, so the window keeps its corner.
    auto tintorel =
        Start({{"DISPLAY", desktop.Display()}, {"WAYLAND_DISPLAY", "wayland-tintorel-none"}});
    ASSERT_TRUE(e2e::WaitFor([&] { return desktop.TrayIcon(tintorel->Pid()).has_value(); }, 20s));
    ASSERT_TRUE(Call("0791234567"));
    const auto window = desktop.Window(tintorel->Pid(), kTitle, true);
    ASSERT_TRUE(window);
    const QRect work = desktop.WorkArea();
    const QRect g = desktop.Geometry(*window);
    EXPECT_EQ(g.topLeft(), QPoint(work.right() + 1 - g.width(), work.bottom() + 1 - g.height()));
    std::this_thread::sleep_for(1s);
    EXPECT_TRUE(m_server.Calls(QStringLiteral("GetCapabilities")).empty());
    EXPECT_TRUE(m_server.Calls(QStringLiteral("Notify")).empty());

    // Switched on in the options: the next call is notified as well.
    settings::SetDesktopNotifications(settings::DesktopNotifications::On);
    ASSERT_TRUE(Call("0791234567"));
    EXPECT_TRUE(Notified(QStringLiteral("Appel de Martin Paul")));
    EXPECT_TRUE(tintorel->Running());
}

TEST_F(NotificationProgramTest, WithoutATrayAutomaticNotifies) {
    e2e::Desktop desktop(m_env.Dir());
    ASSERT_TRUE(desktop.Start(false)) << desktop.Error();
    auto tintorel = Start({{"DISPLAY", desktop.Display()}});
    ASSERT_TRUE(Call("0791234567"));
    EXPECT_TRUE(Notified(QStringLiteral("Appel de Martin Paul")));
    // The window shows the call all the same.
    EXPECT_TRUE(desktop.Window(tintorel->Pid(), kTitle, true).has_value());
    EXPECT_EQ(Output().find("Desktop notifications unavailable"), std::string::npos) << Output();
    EXPECT_TRUE(tintorel->Running());
}

TEST_F(NotificationProgramTest, WaylandAloneRunsNativelyAndNotifies) {
    const std::string socket = "wayland-tintorel-" + std::to_string(::getpid());
    e2e::Process weston;
    ASSERT_TRUE(weston.Start(
        {"weston", "--backend=headless-backend.so", "--socket=" + socket, "--idle-time=0"},
        {{"XDG_RUNTIME_DIR", m_env.Path("run")},
         {"DISPLAY", std::nullopt},
         {"WAYLAND_DISPLAY", std::nullopt}},
        m_env.Path("weston.log")));
    if (!e2e::WaitFor([&] { return m_env.FileExists("run/" + socket); }, 10s) || !weston.Running())
        GTEST_SKIP() << "Weston's headless backend can't start here:\n"
                     << m_env.ReadFile("weston.log");

    auto tintorel = Start({{"WAYLAND_DISPLAY", socket}});
    ASSERT_TRUE(Call("0791234567"));
    EXPECT_TRUE(Notified(QStringLiteral("Appel de Martin Paul")));
    EXPECT_TRUE(tintorel->Running());
    // Qt's Wayland plugin is the one loaded, and it had nothing to complain of.
    std::ifstream maps("/proc/" + std::to_string(tintorel->Pid()) + "/maps");
    const std::string mapped((std::istreambuf_iterator<char>(maps)),
                             std::istreambuf_iterator<char>());
    EXPECT_NE(mapped.find("libqwayland"), std::string::npos);
    EXPECT_EQ(mapped.find("libqxcb.so"), std::string::npos);
    EXPECT_EQ(Output().find("qt.qpa.wayland"), std::string::npos) << Output();
    tintorel->Stop();
}
