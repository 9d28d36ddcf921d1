// Incoming calls as the window shows them: texts, sounds, the log line, the auto-hide
// countdown, the tray's "open and keep", and a quit while a call is still being handled.

#include "WindowTestBase.h"

#include "ui/MessageBox.h"
#include "platform/Registry.h"
#include "calllog/LogOwner.h"
#include "ui/Tray.h"
#include "tests/support/HttpFixtureServer.h"

#include <QRegularExpression>

#include <condition_variable>

#include <sys/stat.h>

namespace {

class CallTest : public WindowTestBase {
  protected:
    void SetUp() override {
        WindowTestBase::SetUp();
        // Martin is known; any other number would need the directory.
        m_env.WriteFile("phonebook.txt", "0791234567;Martin Paul\r\ncountry;0\r\n");
        g_bLogOwner.store(true);
    }

    static void AllowDirectory(const std::string& hostPort) {
        setenv("TINTOREL_DIRECTORY", hostPort.c_str(), 1);
        platform::HKEY key = nullptr;
        ASSERT_EQ(platform::RegCreateKeyEx(platform::HKEY_LOCAL_MACHINE, "Software\\Tintorel",
                                           platform::KEY_WRITE, &key),
                  platform::ERROR_SUCCESS);
        const platform::DWORD on = 1;
        platform::RegSetValueEx(key, "AutoConnect", platform::REG_DWORD,
                                reinterpret_cast<const platform::BYTE*>(&on), sizeof on);
        platform::RegCloseKey(key);
    }
};

} // namespace

TEST_F(CallTest, AnonymousAndKnownCalls) {
    ASSERT_TRUE(RunCall("", "0219876543"));
    line::DisplayTexts texts = m_state.Texts();
    EXPECT_EQ(texts.calling, "Anonyme");
    EXPECT_EQ(texts.name, "");
    EXPECT_EQ(texts.called, "0219876543");
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d$"))
                    .match(QString::fromStdString(texts.time))
                    .hasMatch())
        << texts.time;
    EXPECT_TRUE(m_dlg->isVisible());
    EXPECT_GT(m_state.HideCountdown(), 7000);
    EXPECT_EQ(Sounds(),
              (std::vector<unsigned>{platform::MB_ICONEXCLAMATION, platform::MB_ICONASTERISK}));

    ASSERT_TRUE(RunCall("0791234567", "0219876543"));
    texts = m_state.Texts();
    EXPECT_EQ(texts.calling, "0791234567");
    EXPECT_EQ(texts.name, "Martin Paul");
    EXPECT_EQ(Sounds().size(), 4u);

    const std::string log = m_env.ReadFile("isdncall.log");
    const QRegularExpression lines(QStringLiteral(
        "^\\d\\d/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d;Anonyme;0219876543;\r\n"
        "\\d\\d/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d;0791234567;0219876543;Martin Paul\r\n$"));
    EXPECT_TRUE(lines.match(QString::fromLatin1(log)).hasMatch()) << log;
    EXPECT_EQ(m_boxes.Count(), 0u);
}

TEST_F(CallTest, CountdownTable) {
    m_dlg->StartAutoHide();

    // Incoming call: 8 s, the auto-hide flag untouched.
    m_state.SetAutoHide(true);
    ASSERT_TRUE(RunCall("", "1"));
    EXPECT_TRUE(m_dlg->isVisible());
    EXPECT_TRUE(m_state.AutoHide());
    EXPECT_GT(m_state.HideCountdown(), 7000);

    // Close request: hidden at once, back to auto-hide, nothing pending.
    m_dlg->OnCloseRequest();
    EXPECT_FALSE(m_dlg->isVisible());
    EXPECT_TRUE(m_state.AutoHide());
    EXPECT_EQ(m_state.HideCountdown(), line::kHideIdle);
    EXPECT_FALSE(m_dlg->IsDestroyed());

    // Tray open: shown and kept.
    m_dlg->OnTrayOpen();
    EXPECT_TRUE(m_dlg->isVisible());
    EXPECT_FALSE(m_state.AutoHide());
    EXPECT_EQ(m_state.HideCountdown(), line::kHideIdle);

    // A call while opened from the tray: the flag stays cleared, the window stays after 8 s.
    ASSERT_TRUE(RunCall("", "2"));
    EXPECT_FALSE(m_state.AutoHide());
    EXPECT_GT(m_state.HideCountdown(), 7000);
    QTest::qWait(9000);
    EXPECT_TRUE(m_dlg->isVisible());
    EXPECT_EQ(m_state.HideCountdown(), 0);

    // Closing it then hides it without any countdown.
    m_dlg->OnCloseRequest();
    EXPECT_FALSE(m_dlg->isVisible());
    QTest::qWait(600);
    EXPECT_FALSE(m_dlg->isVisible());
}

TEST_F(CallTest, HidesEightSecondsAfterTheLastCall) {
    m_dlg->StartAutoHide();
    m_state.SetAutoHide(true);
    ASSERT_TRUE(RunCall("", "1"));
    QTest::qWait(5000);
    ASSERT_TRUE(m_dlg->isVisible());
    // The second call restarts the 8 s: the first call's time runs out meanwhile.
    ASSERT_TRUE(RunCall("", "2"));
    QTest::qWait(7000);
    EXPECT_TRUE(m_dlg->isVisible());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !m_dlg->isVisible(); }, 6000));
    EXPECT_EQ(m_state.Texts().called, "2");

    // Nothing left to count once hidden; a later call still hides by itself.
    QTest::qWait(1000);
    ASSERT_TRUE(RunCall("", "3"));
    EXPECT_TRUE(m_dlg->isVisible());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !m_dlg->isVisible(); }, 10000));
}

TEST_F(CallTest, SearchingStaysShownDuringASlowLookupAndQuitEndsCleanly) {
    testing_support::HttpFixtureServer directory;
    directory.SetMode(testing_support::HttpFixtureServer::Mode::Silent);
    AllowDirectory(directory.HostPort());
    m_dlg->StartAutoHide();
    // An earlier countdown has run out: the loop hides the window every 250 ms.
    m_state.SetAutoHide(true);
    m_state.SetHideCountdown(0);

    auto done = std::make_shared<std::atomic<bool>>(false);
    std::thread watcher([this, done] {
        m_handler.IncomingCallHandler(Call("0799999999", "0219876543"));
        done->store(true);
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return directory.ConnectionCount() > 0; }, 10000));
    // The window was shown with "Recherche..." before the lookup began, and stays.
    EXPECT_TRUE(m_dlg->isVisible());
    EXPECT_EQ(m_state.Texts().name, "Recherche...");
    QTest::qWait(1000);
    EXPECT_TRUE(m_dlg->isVisible());
    EXPECT_FALSE(done->load());

    // Quit while the lookup hangs: the window goes at once; the handler, when the lookup
    // ends, finds no window and touches nothing.
    m_dlg->OnTrayQuit();
    EXPECT_TRUE(m_dlg->IsDestroyed());
    EXPECT_FALSE(m_dlg->isVisible());
    EXPECT_FALSE(m_dlg->Tray()->Icon()->isVisible());
    m_dlg.reset();
    EXPECT_EQ(g_pMainDlg, nullptr);

    directory.SetMode(testing_support::HttpFixtureServer::Mode::CloseAtOnce);
    ASSERT_TRUE(QTest::qWaitFor([&] { return done->load(); }, 60000));
    watcher.join();
    EXPECT_NE(m_state.Texts().name, "Recherche...");
}

TEST_F(CallTest, QuitWhileTheLogMessageBoxIsOpen) {
    // A folder where the log file should be: it can't be opened, so the log shows its boxes.
    ASSERT_EQ(mkdir(m_env.Path("isdncall.log").c_str(), 0700), 0);
    std::mutex mutex;
    std::condition_variable changed;
    int boxesShown = 0;
    bool released = false;
    platform::SetMessageBoxRecorder([&](const platform::MessageBoxRequest&) {
        std::unique_lock lock(mutex);
        ++boxesShown;
        changed.notify_all();
        changed.wait(lock, [&] { return released; });
        return platform::IDOK;
    });

    auto done = std::make_shared<std::atomic<bool>>(false);
    std::thread watcher([this, done] {
        m_handler.IncomingCallHandler(Call("0791234567", "0219876543"));
        done->store(true);
    });
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            std::lock_guard lock(mutex);
            return boxesShown > 0;
        },
        10000));
    m_dlg->OnTrayQuit();
    m_dlg.reset();
    {
        std::lock_guard lock(mutex);
        released = true;
        changed.notify_all();
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return done->load(); }, 10000));
    watcher.join();
    platform::SetMessageBoxRecorder({});
    EXPECT_EQ(boxesShown, 2);
}
