// Tintorel as a user meets it: the real program on its own X desktop (Xvfb, openbox, trayer),
// a simulated line reached through the real libcapi20, and xdotool for the hands.

#include "tests/e2e/Desktop.h"

#include "platform/Registry.h"
#include "tests/support/HttpFixtureServer.h"
#include "tests/support/TestEnv.h"
#include "tools/linesim/LineSim.h"

#include <QImage>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <regex>
#include <sstream>
#include <thread>

#include <sys/stat.h>

using namespace std::chrono_literals;

namespace {

const std::string kTitle = "^    Tintorel$";
// The client area starts below the frame and the caption.
const QPoint kClient(1, 19);

int Lit(const QImage& image, const QRect& box, bool (*match)(QRgb)) {
    int n = 0;
    const QRect area = box.intersected(image.rect());
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (match(image.pixel(x, y)))
                ++n;
    return n;
}
bool IsGreen(QRgb p) {
    return qGreen(p) > 200 && qRed(p) < 80 && qBlue(p) < 80;
}
bool IsRed(QRgb p) {
    return qRed(p) > 200 && qGreen(p) < 80 && qBlue(p) < 80;
}
bool IsWhite(QRgb p) {
    return qRed(p) > 200 && qGreen(p) > 200 && qBlue(p) > 200;
}

// The keys xev reported pressed in its window, by keysym name, in order.
std::vector<std::string> KeysPressed(const std::string& xevOutput) {
    static const std::regex press(
        R"(KeyPress event[^\n]*\n[^\n]*\n[^\n]*\(keysym 0x[0-9a-f]+, (\w+)\))");
    std::vector<std::string> keys;
    for (auto it = std::sregex_iterator(xevOutput.begin(), xevOutput.end(), press);
         it != std::sregex_iterator(); ++it)
        keys.push_back((*it)[1]);
    return keys;
}

class DesktopTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_desktop = std::make_unique<e2e::Desktop>(m_env.Dir());
        ASSERT_TRUE(m_desktop->Start(WithTray())) << m_desktop->Error();
        ASSERT_TRUE(m_line.Start());
        m_env.WriteFile("phonebook.txt", "0791234567;Martin Paul\r\ncountry;0\r\n");
        std::filesystem::copy_file(TINTOREL_EXE, m_env.ExecutablePath());
        mkdir(m_env.Path("run").c_str(), 0700);
    }

    virtual bool WithTray() const { return true; }

    e2e::Env BaseEnv() const {
        return {
            {"DISPLAY", m_desktop->Display()},
            {"QT_QPA_PLATFORM", std::nullopt}, // the program picks X11 itself
            {"HOME", m_env.Dir()},
            {"XDG_CONFIG_HOME", m_env.Path("config")},
            {"XDG_RUNTIME_DIR", m_env.Path("run")},
            {"TINTOREL_REGISTRY", m_env.RegistryPath()},
            {"TINTOREL_CAPI", "rcapi:127.0.0.1:" + std::to_string(m_line.Port())},
        };
    }

    std::unique_ptr<e2e::Process> StartTintorel(const e2e::Env& extra = {}) {
        e2e::Env env = BaseEnv();
        for (const auto& [name, value] : extra)
            env[name] = value;
        auto process = std::make_unique<e2e::Process>();
        const std::string log = m_env.Path("tintorel-" + std::to_string(++m_started) + ".log");
        EXPECT_TRUE(process->Start({m_env.ExecutablePath()}, env, log));
        return process;
    }

    // Starts the program and waits until it listens on the line and its start-up showing
    // of the window is over.
    std::unique_ptr<e2e::Process> StartAndSettle(const e2e::Env& extra = {}) {
        const int before = m_line.Applications();
        auto process = StartTintorel(extra);
        EXPECT_TRUE(e2e::WaitFor([&] { return m_line.Applications() > before; }, 20s));
        EXPECT_TRUE(
            e2e::WaitFor([&] { return m_desktop->TrayIcon(process->Pid()).has_value(); }, 20s));
        EXPECT_TRUE(e2e::WaitFor([&] { return MainWindow(*process).has_value(); }, 10s));
        EXPECT_TRUE(e2e::WaitFor([&] { return !Shown(*process); }, 10s));
        return process;
    }

    std::optional<unsigned long> MainWindow(e2e::Process& p) const {
        return m_desktop->Window(p.Pid(), kTitle, false);
    }
    bool Shown(e2e::Process& p) const {
        return m_desktop->Window(p.Pid(), kTitle, true).has_value();
    }

    // Right-clicks the tray icon and returns the menu's geometry (empty if none showed).
    QRect OpenTrayMenu(e2e::Process& p) {
        auto icon = m_desktop->TrayIcon(p.Pid());
        if (!icon)
            return {};
        m_desktop->MoveMouse(m_desktop->Geometry(*icon).center());
        m_desktop->Click(3);
        QRect menu;
        e2e::WaitFor(
            [&] {
                for (unsigned long id : m_desktop->Windows(p.Pid(), "^$", true)) {
                    const QRect g = m_desktop->Geometry(id);
                    if (g.height() > 30 && g.width() > 40 && id != *icon)
                        menu = g;
                }
                return !menu.isEmpty();
            },
            5s);
        return menu;
    }

    void Quit(e2e::Process& p) {
        const QRect menu = OpenTrayMenu(p);
        ASSERT_FALSE(menu.isEmpty());
        m_desktop->MoveMouse(QPoint(menu.left() + 20, menu.bottom() - 8));
        m_desktop->Click(1);
    }

    void AllowDirectory(const std::string&) const {
        platform::HKEY key = nullptr;
        ASSERT_EQ(platform::RegCreateKeyEx(platform::HKEY_LOCAL_MACHINE, "Software\\Tintorel",
                                           platform::KEY_WRITE, &key),
                  platform::ERROR_SUCCESS);
        const platform::DWORD on = 1;
        platform::RegSetValueEx(key, "AutoConnect", platform::REG_DWORD,
                                reinterpret_cast<const platform::BYTE*>(&on), sizeof on);
        platform::RegCloseKey(key);
    }

    // tintorel with one option, as a user types it beside the running copy: its status.
    int Ask(const std::string& option) {
        e2e::Process process;
        const std::string log = m_env.Path("ask-" + std::to_string(++m_started) + ".log");
        EXPECT_TRUE(process.Start({m_env.ExecutablePath(), option}, BaseEnv(), log));
        return process.Wait(20s);
    }

    // The process's one viewable window whose title matches, once there is exactly one.
    std::optional<unsigned long> OneShown(e2e::Process& p, const std::string& title) {
        std::vector<unsigned long> shown;
        e2e::WaitFor(
            [&] {
                shown = m_desktop->Windows(p.Pid(), title, true);
                return shown.size() == 1;
            },
            10s);
        if (shown.size() != 1)
            return std::nullopt;
        return shown.front();
    }

    static std::string Artifact(const std::string& name) {
        std::filesystem::create_directories(E2E_ARTIFACTS);
        return std::string(E2E_ARTIFACTS) + "/" + name;
    }

    testing_support::TestEnv m_env;
    linesim::LineSim m_line;
    std::unique_ptr<e2e::Desktop> m_desktop;
    int m_started = 0;
};

} // namespace

TEST_F(DesktopTest, CallShowsInTheCornerIsLoggedAndHides) {
    auto tintorel = StartAndSettle();
    const auto window = MainWindow(*tintorel);
    ASSERT_TRUE(window);

    m_line.Ring({.controller = 1, .calling = "0791234567", .called = "0219876543"});
    ASSERT_TRUE(e2e::WaitFor([&] { return Shown(*tintorel); }, 10s));
    const auto shownAt = std::chrono::steady_clock::now();
    // Bottom-right corner of the work area (above the tray).
    const QRect work = m_desktop->WorkArea();
    const QRect g = m_desktop->Geometry(*window);
    EXPECT_EQ(g.topLeft(), QPoint(work.right() + 1 - g.width(), work.bottom() + 1 - g.height()))
        << "work area " << work.width() << "x" << work.height();
    EXPECT_EQ(g.size(), QSize(290, 111));

    ASSERT_TRUE(e2e::WaitFor(
        [&] { return m_env.ReadFile("isdncall.log").find("Martin Paul") != std::string::npos; },
        10s));
    const std::string log = m_env.ReadFile("isdncall.log");
    EXPECT_EQ(log.size(), 17u + std::string(";0791234567;0219876543;Martin Paul\r\n").size());
    EXPECT_NE(log.find(";0791234567;0219876543;Martin Paul\r\n"), std::string::npos) << log;

    // The picture: the name under the number, the role letter "M" in green.
    std::this_thread::sleep_for(300ms);
    const std::string shot = Artifact("e2e-call.png");
    ASSERT_TRUE(m_desktop->Screenshot(*window, shot));
    const QImage image = QImage(QString::fromStdString(shot)).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(image.size(), QSize(290, 111));
    EXPECT_GT(Lit(image, QRect(kClient + QPoint(7, 7), QSize(254, 30)), IsWhite), 30);
    EXPECT_GT(Lit(image, QRect(kClient + QPoint(7, 39), QSize(254, 30)), IsWhite), 30);
    EXPECT_GT(Lit(image, QRect(kClient, QSize(12, 16)), IsGreen), 5);

    // About 8 seconds later the window hides again.
    std::this_thread::sleep_until(shownAt + 6s);
    EXPECT_TRUE(Shown(*tintorel));
    EXPECT_TRUE(e2e::WaitFor([&] { return !Shown(*tintorel); }, 8s));
    EXPECT_TRUE(m_line.WaitFor([](const std::string& l) { return l.rfind("ALERT_REQ", 0) == 0; }) >=
                0);

    Quit(*tintorel);
    EXPECT_EQ(tintorel->Wait(5s), 0);
}

TEST_F(DesktopTest, DraggingTheCaptionSnapsToCorners) {
    auto tintorel = StartAndSettle();
    const auto window = MainWindow(*tintorel);
    ASSERT_TRUE(window);
    const auto icon = m_desktop->TrayIcon(tintorel->Pid());
    ASSERT_TRUE(icon);

    // Double-click on the tray icon opens the window and keeps it.
    m_desktop->MoveMouse(m_desktop->Geometry(*icon).center());
    m_desktop->Click(1, 2);
    ASSERT_TRUE(e2e::WaitFor([&] { return Shown(*tintorel); }, 5s));
    std::this_thread::sleep_for(2500ms);
    EXPECT_TRUE(Shown(*tintorel));

    const QRect work = m_desktop->WorkArea();
    const QSize size = m_desktop->Geometry(*window).size();
    auto caption = [&] { return m_desktop->Geometry(*window).topLeft() + QPoint(60, 9); };
    auto settle = [&](QPoint expected) {
        e2e::WaitFor([&] { return m_desktop->Geometry(*window).topLeft() == expected; }, 3s);
        return m_desktop->Geometry(*window).topLeft();
    };
    const QPoint topLeft(0, 0);
    const QPoint topRight(work.right() + 1 - size.width(), 0);
    const QPoint bottomLeft(0, work.bottom() + 1 - size.height());
    const QPoint bottomRight(work.right() + 1 - size.width(), work.bottom() + 1 - size.height());

    m_desktop->Drag(caption(), QPoint(20, 20));
    EXPECT_EQ(settle(topLeft), topLeft);
    // The middle of the screen, and a cell next to a corner: it stays.
    m_desktop->Drag(caption(), work.center());
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(m_desktop->Geometry(*window).topLeft(), topLeft);
    m_desktop->Drag(caption(), QPoint(work.width() * 3 / 8, 20));
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(m_desktop->Geometry(*window).topLeft(), topLeft);
    m_desktop->Drag(caption(), QPoint(work.right() - 20, 20));
    EXPECT_EQ(settle(topRight), topRight);
    m_desktop->Drag(caption(), QPoint(work.right() - 20, work.bottom() - 20));
    EXPECT_EQ(settle(bottomRight), bottomRight);
    m_desktop->Drag(caption(), QPoint(20, work.bottom() - 20));
    EXPECT_EQ(settle(bottomLeft), bottomLeft);

    // Escape in the window ends the program, and its tray icon goes with it.
    m_desktop->Key(*window, "Escape");
    EXPECT_EQ(tintorel->Wait(5s), 0);
    EXPECT_FALSE(m_desktop->TrayIcon(tintorel->Pid()).has_value());
}

TEST_F(DesktopTest, TrayMenuOpensAndQuits) {
    auto tintorel = StartAndSettle();
    // The menu, closed without a choice: nothing happens.
    QRect menu = OpenTrayMenu(*tintorel);
    ASSERT_FALSE(menu.isEmpty());
    m_desktop->MoveMouse(QPoint(200, 200));
    m_desktop->Click(1);
    EXPECT_TRUE(e2e::WaitFor(
        [&] { return m_desktop->Windows(tintorel->Pid(), "^$", true).size() == 1; }, 3s));
    EXPECT_FALSE(Shown(*tintorel));

    // "Ouvrir": shown and kept, with the keyboard.
    menu = OpenTrayMenu(*tintorel);
    ASSERT_FALSE(menu.isEmpty());
    m_desktop->MoveMouse(QPoint(menu.left() + 20, menu.top() + 10));
    m_desktop->Click(1);
    ASSERT_TRUE(e2e::WaitFor([&] { return Shown(*tintorel); }, 5s));
    EXPECT_TRUE(
        e2e::WaitFor([&] { return m_desktop->ActiveWindow() == MainWindow(*tintorel); }, 3s));
    std::this_thread::sleep_for(2500ms);
    EXPECT_TRUE(Shown(*tintorel));

    // "Quitter": the icon goes and the program ends.
    Quit(*tintorel);
    EXPECT_EQ(tintorel->Wait(5s), 0);
    EXPECT_FALSE(m_desktop->TrayIcon(tintorel->Pid()).has_value());
    // With a tray there is nothing to say about going without one.
    EXPECT_EQ(m_env.ReadFile("tintorel-1.log").find("No system tray"), std::string::npos);
}

TEST_F(DesktopTest, MissingCapiShowsTheMessageThenEnds) {
    m_line.Stop();
    auto tintorel = StartTintorel();
    std::optional<unsigned long> box;
    ASSERT_TRUE(e2e::WaitFor(
        [&] {
            box = m_desktop->Window(tintorel->Pid(), "^tintorel$", true);
            return box.has_value();
        },
        20s));
    // The icon was put up before the driver was tried, and stays while the message shows.
    EXPECT_TRUE(m_desktop->TrayIcon(tintorel->Pid()).has_value());
    const std::string shot = Artifact("e2e-capi-missing.png");
    m_desktop->Screenshot(*box, shot);
    m_desktop->Key(*box, "Return");
    EXPECT_EQ(tintorel->Wait(5s), 0);
    EXPECT_FALSE(m_desktop->TrayIcon(tintorel->Pid()).has_value());
}

TEST_F(DesktopTest, SecondCopyShowsS) {
    auto first = StartAndSettle();
    auto second = StartAndSettle();
    m_line.Ring({.controller = 1, .calling = "", .called = "0219876543"});
    ASSERT_TRUE(e2e::WaitFor([&] { return Shown(*first) && Shown(*second); }, 10s));
    std::this_thread::sleep_for(300ms);

    for (auto* copy : {first.get(), second.get()}) {
        const auto window = MainWindow(*copy);
        ASSERT_TRUE(window);
        m_desktop->Run("xdotool windowraise " + std::to_string(*window));
        std::this_thread::sleep_for(300ms);
        const std::string shot =
            Artifact(copy == first.get() ? "e2e-first-copy.png" : "e2e-second-copy.png");
        ASSERT_TRUE(m_desktop->Screenshot(*window, shot));
        const QImage image =
            QImage(QString::fromStdString(shot)).convertToFormat(QImage::Format_RGB32);
        const QRect letter(kClient, QSize(12, 16));
        if (copy == first.get()) {
            EXPECT_GT(Lit(image, letter, IsGreen), 5);
        } else {
            EXPECT_GT(Lit(image, letter, IsRed), 5);
            EXPECT_EQ(Lit(image, letter, IsGreen), 0);
        }
    }
    // Both copies saw the call; only the first logged it.
    std::this_thread::sleep_for(1s);
    const std::string log = m_env.ReadFile("isdncall.log");
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1) << log;
    EXPECT_NE(log.find(";Anonyme;0219876543;\r\n"), std::string::npos) << log;
}

TEST_F(DesktopTest, QuitWhileTheLookupHangs) {
    testing_support::HttpFixtureServer directory;
    directory.SetMode(testing_support::HttpFixtureServer::Mode::Silent);
    AllowDirectory(directory.HostPort());
    auto tintorel = StartAndSettle({{"TINTOREL_DIRECTORY", directory.HostPort()}});
    m_line.Ring({.controller = 1, .calling = "0799999999", .called = "0219876543"});
    ASSERT_TRUE(directory.WaitForConnections(1));
    // "Recherche..." is on screen while the directory keeps silent.
    EXPECT_TRUE(e2e::WaitFor([&] { return Shown(*tintorel); }, 5s));
    std::this_thread::sleep_for(1s);
    EXPECT_TRUE(Shown(*tintorel));

    Quit(*tintorel);
    const auto asked = std::chrono::steady_clock::now();
    EXPECT_EQ(tintorel->Wait(10s), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - asked, 2s);
}

TEST_F(DesktopTest, QuitWhileTheLogMessageIsOpen) {
    // A folder where the log file should be: the log can't be written and says so.
    ASSERT_EQ(mkdir(m_env.Path("isdncall.log").c_str(), 0700), 0);
    auto tintorel = StartAndSettle();
    m_line.Ring({.controller = 1, .calling = "0791234567", .called = "0219876543"});
    std::optional<unsigned long> box;
    ASSERT_TRUE(e2e::WaitFor(
        [&] {
            box = m_desktop->Window(tintorel->Pid(), "isdncall.log$", true);
            return box.has_value();
        },
        10s));
    const QRect menu = OpenTrayMenu(*tintorel);
    if (menu.isEmpty()) {
        // An application-modal box blocks the tray icon too; only a box modal to its owner
        // leaves the tray usable.
        m_desktop->Key(*box, "Return");
        m_desktop->Key(*box, "Return");
        GTEST_SKIP() << "the tray can't be used while a message box is open";
    }
    m_desktop->MoveMouse(QPoint(menu.left() + 20, menu.bottom() - 8));
    m_desktop->Click(1);
    const auto asked = std::chrono::steady_clock::now();
    EXPECT_EQ(tintorel->Wait(10s), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - asked, 2s);
}

TEST_F(DesktopTest, CallLeavesTheKeyboardToTheUsersWindow) {
    // The user's window covers the screen: xev, which reports every key it receives.
    e2e::Process editor;
    ASSERT_TRUE(
        editor.Start({"xev", "-name", "editor", "-event", "keyboard", "-geometry", "1024x744+0+0"},
                     {{"DISPLAY", m_desktop->Display()}}, m_env.Path("editor.log")));
    std::optional<unsigned long> typing;
    ASSERT_TRUE(e2e::WaitFor(
        [&] {
            const std::string id =
                m_desktop->Run("xdotool search --onlyvisible --name \"^editor$\"");
            if (!id.empty())
                typing = std::stoul(id);
            return typing && m_desktop->ActiveWindow() == typing;
        },
        10s));

    // The showing at start leaves the keyboard where it is.
    auto tintorel = StartTintorel();
    ASSERT_TRUE(e2e::WaitFor([&] { return Shown(*tintorel); }, 20s));
    m_desktop->Type("s");
    EXPECT_EQ(m_desktop->ActiveWindow(), typing);
    ASSERT_TRUE(e2e::WaitFor([&] { return !Shown(*tintorel); }, 10s));

    // A call comes up on top of the editor, while the typing, Enter included, goes on there.
    m_line.Ring({.controller = 1, .calling = "0791234567", .called = "0219876543"});
    ASSERT_TRUE(e2e::WaitFor([&] { return Shown(*tintorel); }, 10s));
    const auto window = MainWindow(*tintorel);
    ASSERT_TRUE(window);
    std::this_thread::sleep_for(300ms);
    m_desktop->Type("call");
    m_desktop->Press("Return");
    EXPECT_EQ(tintorel->Wait(1s), -1) << "Enter in the editor ended the program";
    EXPECT_EQ(m_desktop->ActiveWindow(), typing);
    EXPECT_EQ(KeysPressed(m_env.ReadFile("editor.log")),
              (std::vector<std::string>{"s", "c", "a", "l", "l", "Return"}));
    std::istringstream stacking(m_desktop->Run("xprop -root -notype _NET_CLIENT_LIST_STACKING"));
    std::vector<unsigned long> order; // bottom to top
    for (std::string word; stacking >> word;)
        if (word.starts_with("0x"))
            order.push_back(std::stoul(word, nullptr, 16));
    const auto above = std::find(order.begin(), order.end(), *window);
    EXPECT_TRUE(above != order.end() && std::find(order.begin(), above, *typing) != above)
        << m_desktop->Run("xprop -root -notype _NET_CLIENT_LIST_STACKING");

    // Once clicked, the window has the keyboard: Escape there ends the program.
    ASSERT_TRUE(Shown(*tintorel));
    m_desktop->MoveMouse(m_desktop->Geometry(*window).topLeft() + kClient + QPoint(60, 45));
    m_desktop->Click(1);
    m_desktop->Press("Escape");
    EXPECT_EQ(tintorel->Wait(5s), 0);
    EXPECT_EQ(KeysPressed(m_env.ReadFile("editor.log")).size(), 6u);
}

TEST_F(DesktopTest, TheCommandLineOpensEachWindowAndRaisesAnOpenOne) {
    m_env.WriteFile("isdncall.log", "01/02/24 10:00:00;0221234567;0441111111;Dupont\r\n");
    auto tintorel = StartAndSettle();
    const std::pair<const char*, const char*> windows[] = {
        {"--history", "^Liste des appels$"},
        {"--phonebook", "^Annuaire$"},
        {"--lines", "^Tintorel, lignes$"},
        {"--about", "^Tintorel, .+ propos de$"},
    };
    for (const auto& [option, title] : windows) {
        EXPECT_EQ(Ask(option), 0) << option;
        const auto window = OneShown(*tintorel, title);
        ASSERT_TRUE(window) << option;
        EXPECT_TRUE(e2e::WaitFor([&] { return m_desktop->ActiveWindow() == window; }, 5s))
            << option;
        m_desktop->Key(*window, "Escape");
        EXPECT_TRUE(e2e::WaitFor([&] { return !m_desktop->IsViewable(*window); }, 5s)) << option;
    }

    // Asked again while it is open but out of sight: the same window comes back to the front.
    EXPECT_EQ(Ask("--history"), 0);
    const auto history = OneShown(*tintorel, "^Liste des appels$");
    ASSERT_TRUE(history);
    m_desktop->Run("xdotool windowminimize --sync " + std::to_string(*history));
    ASSERT_TRUE(e2e::WaitFor([&] { return !m_desktop->IsViewable(*history); }, 5s));
    EXPECT_EQ(Ask("--history"), 0);
    EXPECT_TRUE(e2e::WaitFor([&] { return m_desktop->IsViewable(*history); }, 5s));
    EXPECT_TRUE(e2e::WaitFor([&] { return m_desktop->ActiveWindow() == history; }, 5s));
    EXPECT_EQ(m_desktop->Windows(tintorel->Pid(), "^Liste des appels$", false).size(), 1u);

    // Quitting as "Quitter" does, with the window open.
    EXPECT_EQ(Ask("--quit"), 0);
    EXPECT_EQ(tintorel->Wait(10s), 0);
    EXPECT_FALSE(m_desktop->TrayIcon(tintorel->Pid()).has_value());
}

namespace {

class NoTrayTest : public DesktopTest {
  protected:
    bool WithTray() const override { return false; }
};

} // namespace

TEST_F(NoTrayTest, SaysHowToGoOnAndTheIconComesWithALaterTray) {
    const int before = m_line.Applications();
    auto tintorel = StartTintorel();
    ASSERT_TRUE(e2e::WaitFor([&] { return m_line.Applications() > before; }, 20s));
    const std::string hint =
        "No system tray: use tintorel --history, --phonebook, --lines, --about, --quit\n";
    const auto output = [&] { return m_env.ReadFile("tintorel-1.log"); };
    ASSERT_TRUE(e2e::WaitFor([&] { return output().find(hint) != std::string::npos; }, 10s))
        << output();

    // Everything else works as with a tray.
    EXPECT_TRUE(e2e::WaitFor([&] { return !Shown(*tintorel); }, 10s));
    m_line.Ring({.controller = 1, .calling = "0791234567", .called = "0219876543"});
    EXPECT_TRUE(e2e::WaitFor([&] { return Shown(*tintorel); }, 10s));
    EXPECT_TRUE(e2e::WaitFor(
        [&] { return m_env.ReadFile("isdncall.log").find("Martin Paul") != std::string::npos; },
        10s));

    // A panel that starts later gets the icon, and so does one that was restarted.
    ASSERT_TRUE(m_desktop->StartTray()) << m_desktop->Error();
    EXPECT_TRUE(
        e2e::WaitFor([&] { return m_desktop->TrayIcon(tintorel->Pid()).has_value(); }, 20s));
    m_desktop->StopTray();
    ASSERT_TRUE(m_desktop->StartTray()) << m_desktop->Error();
    EXPECT_TRUE(
        e2e::WaitFor([&] { return m_desktop->TrayIcon(tintorel->Pid()).has_value(); }, 20s));

    // Said once only; and the icon's menu ends the program.
    const std::string text = output();
    EXPECT_EQ(text.find(hint), text.rfind(hint)) << text;
    Quit(*tintorel);
    EXPECT_EQ(tintorel->Wait(5s), 0);
}
