// Called numbers' labels and ignored callers as the user meets them: calls from a simulated
// call monitor reach the window, the sounds, the desktop notifications (the test's own server)
// and the log through the real client and the queue of calls; the history shows the labels.

#include "tests/window/WindowTestBase.h"

#include "calllog/LogOwner.h"
#include "settings/NumberLists.h"
#include "settings/Settings.h"
#include "tests/support/NotificationServer.h"
#include "tools/linesim/CallMonitor.h"
#include "ui/CallListDlg.h"
#include "ui/DesktopNotifier.h"
#include "ui/DialogUnits.h"
#include "ui/ListCtrl.h"

#include <QJsonObject>
#include <QRegularExpression>

#include <algorithm>

using testing_support::NotificationServer;

namespace {

// Counts the times a widget is shown.
class ShowCounter : public QObject {
  public:
    int shown = 0;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show)
            ++shown;
        return QObject::eventFilter(watched, event);
    }
};

class NumbersWindowTest : public WindowTestBase {
  protected:
    void SetUp() override {
        ASSERT_TRUE(m_server.Start()) << m_server.Error();
        setenv("DBUS_SESSION_BUS_ADDRESS", m_server.Address().c_str(), 1);
        WindowTestBase::SetUp();
        m_env.WriteFile("phonebook.txt", "0791234567;Martin Paul\r\ncountry;0\r\n");
        // Calls are counted once their handling is over, window included: a test that ends
        // sooner would stop the line while the handler waits for this thread.
        line::Calls().SetHandler([this](const line::IncomingCall& call) {
            m_handler.IncomingCallHandler(call);
            ++m_handled;
        });
        g_bLogOwner.store(true);
        settings::SetDesktopNotifications(settings::DesktopNotifications::On);
        m_dlg->installEventFilter(&m_shows);
        m_notifier = std::make_unique<ui::CDesktopNotifier>();
        m_handler.SetListener(m_notifier.get());
        ASSERT_TRUE(QTest::qWaitFor([&] { return m_notifier->ServerReady(); }, 20000));

        ASSERT_TRUE(m_monitor.Start());
        m_lines.Find(line::Source::CallMonitor)
            ->Watch("127.0.0.1:" + std::to_string(m_monitor.Port()));
        ASSERT_TRUE(m_monitor.WaitForClients(1));
    }

    void TearDown() override {
        m_lines.Stop();
        m_handler.SetListener(nullptr);
        m_notifier.reset();
        WindowTestBase::TearDown();
    }

    // The log's records without their time stamps, once n calls have been handled.
    std::vector<std::string> Records(int n) {
        [[maybe_unused]] const bool handled =
            QTest::qWaitFor([&] { return m_handled.load() >= n; }, 20000);
        std::vector<std::string> records;
        const QString log = QString::fromLatin1(m_env.ReadFile("isdncall.log"));
        for (const QString& line : log.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
            records.push_back(line.mid(17).toLatin1().toStdString());
        return records;
    }

    std::vector<QJsonObject> Notifies() const { return m_server.Calls(QStringLiteral("Notify")); }

    NotificationServer m_server;
    std::unique_ptr<ui::CDesktopNotifier> m_notifier;
    linesim::CallMonitorSim m_monitor;
    ShowCounter m_shows;
    std::atomic<int> m_handled{0};
};

} // namespace

TEST_F(NumbersWindowTest, AnIgnoredCallerIsLoggedButNeitherHeardNorSeen) {
    ASSERT_TRUE(settings::AddIgnoredNumber("+41 79 123 45 67"));
    ASSERT_TRUE(settings::AddIgnoredNumber("0900*"));
    const std::size_t sounds = platform::SoundsRequested();

    m_monitor.Ring("0", "0791234567", "0219876543");
    m_monitor.Ring("1", "0900123456", "0219876543");
    // A caller nobody ignores, after them: by the time it is shown, they were handled.
    m_monitor.Ring("2", "0311111111", "0219876543");
    const std::vector<std::string> records = Records(3);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0], ";0791234567;0219876543;Martin Paul");
    EXPECT_EQ(records[1], ";0900123456;0219876543;Pas de connection");
    EXPECT_EQ(records[2], ";0311111111;0219876543;Pas de connection");
    ASSERT_TRUE(m_server.WaitForCalls(QStringLiteral("Notify"), 2));
    QTest::qWait(300);

    // Only the last call rang, showed and was notified.
    EXPECT_EQ(platform::SoundsRequested(), sounds + 2);
    EXPECT_EQ(m_shows.shown, 1);
    EXPECT_EQ(m_state.Texts().calling, "0311111111");
    for (const QJsonObject& notify : Notifies())
        EXPECT_TRUE(notify.value("body").toString().contains(QStringLiteral("0311111111")))
            << notify.value("body").toString().toStdString();

    // Withheld numbers too, once "Anonyme" is in the list.
    m_dlg->OnCloseRequest();
    ASSERT_TRUE(settings::AddIgnoredNumber("Anonyme"));
    m_monitor.Ring("3", "", "0219876543");
    EXPECT_EQ(Records(4).back(), ";Anonyme;0219876543;");
    QTest::qWait(300);
    EXPECT_EQ(platform::SoundsRequested(), sounds + 2);
    EXPECT_EQ(m_shows.shown, 1);
    EXPECT_FALSE(m_dlg->isVisible());
    EXPECT_EQ(m_boxes.Count(), 0u);
}

TEST_F(NumbersWindowTest, LabelsInTheWindowTheNotificationsAndTheHistory) {
    ASSERT_TRUE(settings::SetCalledLabel("0219876543", "Bureau"));
    ASSERT_TRUE(settings::SetCalledLabel("+41 21 987 65 44", "Maison \xe0 Lausanne"));

    m_monitor.Ring("0", "0791234567", "0219876543");
    ASSERT_EQ(Records(1).size(), 1u);
    EXPECT_EQ(m_state.Texts().called, "0219876543 (Bureau)");
    m_monitor.Ring("1", "0791234567", "0041219876544");
    ASSERT_EQ(Records(2).size(), 2u);
    EXPECT_EQ(m_state.Texts().called, "0041219876544 (Maison \xe0 Lausanne)");
    m_monitor.Ring("2", "0791234567", "0219876547");
    // The log keeps the numbers as the line gave them.
    EXPECT_EQ(Records(3), (std::vector<std::string>{";0791234567;0219876543;Martin Paul",
                                                    ";0791234567;0041219876544;Martin Paul",
                                                    ";0791234567;0219876547;Martin Paul"}));
    EXPECT_EQ(m_state.Texts().called, "0219876547");

    ASSERT_TRUE(m_server.WaitForCalls(QStringLiteral("Notify"), 6));
    QStringList bodies;
    for (const QJsonObject& notify : Notifies())
        bodies << notify.value("body").toString();
    for (const QString& called :
         {QStringLiteral("0219876543 (Bureau)"),
          QStringLiteral("0041219876544 (Maison à Lausanne)"), QStringLiteral("0219876547\n")})
        EXPECT_TRUE(bodies.join(u'|').contains(QStringLiteral("Numéro appelé : ") + called))
            << bodies.join(u'|').toStdString();

    CCallListDlg history;
    auto* list = qobject_cast<ui::CListCtrl*>(ui::FindControl(&history, 1007));
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->GetItemCount(), 3);
    EXPECT_EQ(list->GetItemText(0, 2), "0219876543 (Bureau)");
    EXPECT_EQ(list->GetItemText(1, 2), "0041219876544 (Maison \xe0 Lausanne)");
    EXPECT_EQ(list->GetItemText(2, 2), "0219876547");
    EXPECT_EQ(m_boxes.Count(), 0u);
}
