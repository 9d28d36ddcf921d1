// Desktop notifications in-process: the notification window, the incoming-call handler and the
// notifier, against the notification server written for the tests on a bus of its own.

#include "tests/window/WindowTestBase.h"

#include "calllog/LogOwner.h"
#include "platform/Registry.h"
#include "settings/Settings.h"
#include "tests/support/HttpFixtureServer.h"
#include "tests/support/NotificationServer.h"
#include "tests/support/StdoutCapture.h"
#include "ui/CallListDlg.h"
#include "ui/DesktopNotifier.h"
#include "ui/DialogUnits.h"
#include "ui/PhonebookDlg.h"

#include <QClipboard>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSystemTrayIcon>
#include <QTimer>

using testing_support::NotificationServer;
using testing_support::StdoutCapture;

namespace {

QStringList Strings(const QJsonValue& value) {
    QStringList strings;
    for (const QJsonValue& item : value.toArray())
        strings << item.toString();
    return strings;
}

const QStringList kHistory = {QStringLiteral("default"), QStringLiteral("Liste des appels")};
const QStringList kCopy = {QStringLiteral("copy-number"), QStringLiteral("Copier le numéro")};
const QStringList kAdd = {QStringLiteral("add-to-phonebook"),
                          QStringLiteral("Ajouter à l'annuaire")};

class NotifierTest : public WindowTestBase {
  protected:
    void SetUp() override {
        // The bus first: the window's tray icon opens the session bus, and the process keeps
        // the address it found then.
        ASSERT_TRUE(m_server.Start()) << m_server.Error();
        setenv("DBUS_SESSION_BUS_ADDRESS", m_server.Address().c_str(), 1);
        WindowTestBase::SetUp();
        m_env.WriteFile("phonebook.txt", "0791234567;Martin Paul\r\ncountry;0\r\n");
        g_bLogOwner.store(true);
    }

    void TearDown() override {
        m_handler.SetListener(nullptr);
        m_notifier.reset();
        WindowTestBase::TearDown();
    }

    void StartNotifier(int timeoutMs = ui::CDesktopNotifier::kReplyTimeoutMs) {
        m_notifier = std::make_unique<ui::CDesktopNotifier>(timeoutMs);
        m_handler.SetListener(m_notifier.get());
    }
    ::testing::AssertionResult StartNotifierAndWait() {
        StartNotifier();
        if (QTest::qWaitFor([&] { return m_notifier->ServerReady(); }, 20000))
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "the notifier never had the server's answer";
    }

    std::vector<QJsonObject> Notifies() const { return m_server.Calls(QStringLiteral("Notify")); }
    // Waits for a Notify that matches, and returns it (empty on time-out).
    QJsonObject WaitForNotify(const std::function<bool(const QJsonObject&)>& match) {
        QJsonObject found;
        [[maybe_unused]] const bool seen = QTest::qWaitFor(
            [&] {
                for (const QJsonObject& notify : Notifies())
                    if (match(notify))
                        found = notify;
                return !found.isEmpty();
            },
            20000);
        return found;
    }
    static auto Summary(const QString& summary) {
        return [summary](const QJsonObject& notify) {
            return notify.value(QStringLiteral("summary")).toString() == summary;
        };
    }

    static void AllowDirectory(const std::string& hostPort) {
        setenv("TINTOREL_DIRECTORY", hostPort.c_str(), 1);
        settings::SetAutoConnect(true);
    }

    std::string Log() const { return m_env.ReadFile("isdncall.log"); }
    long LoggedCalls() const {
        const std::string log = Log();
        return std::count(log.begin(), log.end(), '\n');
    }

    NotificationServer m_server;
    std::unique_ptr<ui::CDesktopNotifier> m_notifier;
};

} // namespace

TEST_F(NotifierTest, OneNotificationPerCallUpdatedInPlaceOnceTheNameIsKnown) {
    ASSERT_TRUE(StartNotifierAndWait());
    // The server takes its time: the handler doesn't wait for it, and the name's update waits
    // for the first notification's id.
    ASSERT_TRUE(m_server.Command("hold"));
    ASSERT_TRUE(RunCall("0791234567", "0219876543"));
    EXPECT_EQ(m_state.Texts().name, "Martin Paul");
    ASSERT_TRUE(m_server.WaitForCalls(QStringLiteral("Notify"), 1));
    QTest::qWait(300);
    ASSERT_EQ(Notifies().size(), 1u);
    const QJsonObject first = Notifies()[0];
    EXPECT_EQ(first.value("app").toString(), QStringLiteral("Tintorel"));
    EXPECT_EQ(first.value("icon").toString(), QStringLiteral("tintorel"));
    EXPECT_EQ(first.value("replaces").toInt(), 0);
    EXPECT_EQ(first.value("expire").toInt(), -1); // the server's own: kept in its list
    EXPECT_EQ(first.value("summary").toString(), QStringLiteral("Appel de 0791234567"));
    const QString body = first.value("body").toString();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^Numéro : 0791234567\nNom : Recherche...\n"
                                                  "Numéro appelé : 0219876543\n"
                                                  "Heure : \\d\\d:\\d\\d:\\d\\d$"))
                    .match(body)
                    .hasMatch())
        << body.toStdString();
    const QJsonObject hints = first.value("hints").toObject();
    EXPECT_EQ(hints.value("category").toObject(),
              (QJsonObject{{"sig", "s"}, {"value", "call.incoming"}}));
    EXPECT_EQ(hints.value("desktop-entry").toObject(),
              (QJsonObject{{"sig", "s"}, {"value", "tintorel"}}));
    EXPECT_EQ(hints.value("urgency").toObject(), (QJsonObject{{"sig", "y"}, {"value", 1}}))
        << QJsonDocument(hints).toJson().toStdString();
    EXPECT_FALSE(hints.contains("transient"));
    EXPECT_EQ(Strings(first.value("actions")), kHistory + kCopy);

    ASSERT_TRUE(m_server.Command("release"));
    ASSERT_TRUE(m_server.WaitForCalls(QStringLiteral("Notify"), 2));
    const QJsonObject named = Notifies()[1];
    const int id = first.value("id").toInt();
    EXPECT_EQ(named.value("replaces").toInt(), id);
    EXPECT_EQ(named.value("id").toInt(), id);
    EXPECT_EQ(named.value("summary").toString(), QStringLiteral("Appel de Martin Paul"));
    EXPECT_TRUE(named.value("body").toString().startsWith(
        QStringLiteral("Numéro : 0791234567\nNuméro appelé : 0219876543\nHeure : ")));
    EXPECT_EQ(named.value("hints").toObject(), hints);
    EXPECT_EQ(Strings(named.value("actions")), kHistory + kCopy);

    // A withheld number: a notification of its own, with nothing to copy or store.
    ASSERT_TRUE(RunCall("", "0219876543"));
    const QJsonObject anonymous = WaitForNotify(Summary(QStringLiteral("Appel anonyme")));
    ASSERT_FALSE(anonymous.isEmpty());
    EXPECT_EQ(anonymous.value("replaces").toInt(), 0);
    EXPECT_NE(anonymous.value("id").toInt(), id);
    EXPECT_TRUE(anonymous.value("body").toString().startsWith(
        QStringLiteral("Numéro masqué\nNuméro appelé : 0219876543\nHeure : ")));
    EXPECT_EQ(Strings(anonymous.value("actions")), kHistory);

    // A number nobody knows: once looked up, it may be stored.
    ASSERT_TRUE(RunCall("0228887777", "0219876543"));
    const QJsonObject unknown = WaitForNotify([](const QJsonObject& notify) {
        return Strings(notify.value("actions")).contains(QStringLiteral("add-to-phonebook"));
    });
    ASSERT_FALSE(unknown.isEmpty());
    EXPECT_EQ(unknown.value("summary").toString(), QStringLiteral("Appel de 0228887777"));
    EXPECT_EQ(Strings(unknown.value("actions")), kHistory + kCopy + kAdd);
    for (const QJsonObject& notify : Notifies()) {
        if (notify.value("summary").toString().contains(QStringLiteral("0228887777"))) {
            EXPECT_EQ(notify.value("id").toInt(), unknown.value("id").toInt());
        }
    }

    EXPECT_EQ(LoggedCalls(), 3) << Log();
    EXPECT_EQ(m_boxes.Count(), 0u);
}

TEST_F(NotifierTest, WithoutTheActionsCapabilityNoActionsAreOffered) {
    ASSERT_TRUE(m_server.Command("actions off"));
    ASSERT_TRUE(StartNotifierAndWait());
    ASSERT_TRUE(RunCall("0228887777", "0219876543"));
    ASSERT_TRUE(RunCall("0791234567", "0219876543"));
    ASSERT_FALSE(WaitForNotify(Summary(QStringLiteral("Appel de Martin Paul"))).isEmpty());
    ASSERT_GE(Notifies().size(), 2u);
    for (const QJsonObject& notify : Notifies())
        EXPECT_TRUE(notify.value("actions").toArray().isEmpty())
            << notify.value("summary").toString().toStdString();
}

TEST_F(NotifierTest, ActionsCopyTheNumberAddItToThePhonebookAndOpenTheHistory) {
    ASSERT_TRUE(StartNotifierAndWait());
    ASSERT_TRUE(RunCall("0228887777", "0219876543"));
    const QJsonObject notify = WaitForNotify([](const QJsonObject& notify) {
        return Strings(notify.value("actions")).contains(QStringLiteral("add-to-phonebook"));
    });
    ASSERT_FALSE(notify.isEmpty());
    const std::string id = std::to_string(notify.value("id").toInt());

    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    // Another program's notification is none of ours.
    ASSERT_TRUE(m_server.Command("invoke 999 copy-number"));
    QTest::qWait(300);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
    ASSERT_TRUE(m_server.Command("invoke " + id + " copy-number"));
    EXPECT_TRUE(QTest::qWaitFor(
        [] { return QGuiApplication::clipboard()->text() == QStringLiteral("0228887777"); },
        10000));

    // The windows they open run modally: a timer looks at them from inside and closes them.
    QString number;
    QString name;
    bool history = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (auto* editor = qobject_cast<CPhonebookDlg*>(window);
                editor && editor->isVisible()) {
                number = qobject_cast<QLineEdit*>(ui::FindControl(editor, 1011))->text();
                name = qobject_cast<QLineEdit*>(ui::FindControl(editor, 1012))->text();
                editor->reject();
            }
            if (auto* calls = qobject_cast<CCallListDlg*>(window); calls && calls->isVisible()) {
                history = true;
                calls->reject();
            }
        }
    });
    poll.start(50);
    ASSERT_TRUE(m_server.Command("invoke " + id + " add-to-phonebook"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !number.isEmpty(); }, 10000));
    EXPECT_EQ(number, QStringLiteral("0228887777"));
    EXPECT_EQ(name, QString());
    ASSERT_TRUE(m_server.Command("invoke " + id + " default"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return history; }, 10000));
    EXPECT_EQ(m_boxes.Count(), 0u);
}

TEST_F(NotifierTest, ClosedOnTheDesktopItIsNotBroughtBackByTheName) {
    testing_support::HttpFixtureServer directory;
    directory.SetMode(testing_support::HttpFixtureServer::Mode::Silent);
    AllowDirectory(directory.HostPort());
    ASSERT_TRUE(StartNotifierAndWait());

    auto done = std::make_shared<std::atomic<bool>>(false);
    std::thread line([this, done] {
        m_handler.IncomingCallHandler({"0799999999", "0219876543"});
        done->store(true);
    });
    ASSERT_TRUE(m_server.WaitForCalls(QStringLiteral("Notify"), 1));
    ASSERT_TRUE(QTest::qWaitFor([&] { return directory.ConnectionCount() > 0; }, 10000));
    QTest::qWait(1000); // the notifier has the id
    ASSERT_TRUE(
        m_server.Command("close " + std::to_string(Notifies()[0].value("id").toInt()) + " 2"));
    QTest::qWait(300);
    directory.SetMode(testing_support::HttpFixtureServer::Mode::CloseAtOnce);
    ASSERT_TRUE(QTest::qWaitFor([&] { return done->load(); }, 60000));
    line.join();
    QTest::qWait(500);
    EXPECT_EQ(Notifies().size(), 1u);
}

TEST_F(NotifierTest, NoServerIsToldOnceAndTheWindowDoesTheWork) {
    StdoutCapture out;
    const std::string unavailable = "Desktop notifications unavailable: ";
    ASSERT_TRUE(m_server.Command("disown"));
    StartNotifier();
    // Told at start, once.
    ASSERT_TRUE(QTest::qWaitFor([&] { return out.Count(unavailable) == 1; }, 10000));
    EXPECT_NE(out.Text().find(unavailable + "The name org.freedesktop.Notifications was not "
                                            "provided by any .service files\n"),
              std::string::npos)
        << out.Text();
    ASSERT_TRUE(RunCall("0791234567", "0219876543"));
    EXPECT_TRUE(m_dlg->isVisible());
    EXPECT_EQ(m_state.Texts().name, "Martin Paul");
    ASSERT_TRUE(RunCall("", "0219876543"));
    EXPECT_TRUE(m_dlg->isVisible());
    EXPECT_EQ(m_state.Texts().calling, "Anonyme");
    QTest::qWait(500);
    EXPECT_EQ(out.Count(unavailable), 1);
    EXPECT_EQ(m_boxes.Count(), 0u);
    EXPECT_EQ(LoggedCalls(), 2) << Log();

    // A server comes: said once, and the next call goes to it.
    ASSERT_TRUE(m_server.Command("own"));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return out.Count("Desktop notifications available again\n") == 1; }, 10000));
    ASSERT_TRUE(RunCall("0791234567", "0219876543"));
    EXPECT_FALSE(WaitForNotify(Summary(QStringLiteral("Appel de Martin Paul"))).isEmpty());
    // It goes away: said once more.
    ASSERT_TRUE(m_server.Command("disown"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return out.Count(unavailable) == 2; }, 10000));
    ASSERT_TRUE(RunCall("0791234567", "0219876543"));
    QTest::qWait(500);
    EXPECT_EQ(out.Count(unavailable), 2);
    EXPECT_EQ(m_boxes.Count(), 0u);
}

TEST_F(NotifierTest, AHungServerDelaysNoCall) {
    StdoutCapture out;
    ASSERT_TRUE(m_server.Command("hold")); // answers nothing, ever
    StartNotifier(1000);
    const char* const numbers[] = {"0791234567", "0228887777", "0791234567"};
    for (const char* number : numbers) {
        ASSERT_TRUE(RunCall(number, "0219876543"));
        EXPECT_TRUE(m_dlg->isVisible());
        EXPECT_EQ(m_state.Texts().calling, number);
    }
    // Every call logged, in order.
    const QStringList lines =
        QString::fromLatin1(Log()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3) << Log();
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(lines[i].contains(QLatin1String(numbers[i]))) << lines[i].toStdString();
    EXPECT_GE(m_server.Calls(QStringLiteral("GetCapabilities")).size(), 1u);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return out.Count("Desktop notifications unavailable: ") == 1; }, 10000));
    EXPECT_EQ(m_boxes.Count(), 0u);
}

TEST_F(NotifierTest, OffSendsNothingOnAndAutomaticWithoutATraySend) {
    settings::SetDesktopNotifications(settings::DesktopNotifications::Off);
    StartNotifier();
    ASSERT_TRUE(RunCall("0791234567", "0219876543"));
    QTest::qWait(500);
    EXPECT_TRUE(m_server.Calls(QStringLiteral("GetCapabilities")).empty());
    EXPECT_TRUE(Notifies().empty());

    // Changed in the options: counts from the next call.
    settings::SetDesktopNotifications(settings::DesktopNotifications::On);
    ASSERT_TRUE(RunCall("0791234567", "0219876543"));
    ASSERT_FALSE(WaitForNotify(Summary(QStringLiteral("Appel de Martin Paul"))).isEmpty());

    // Offscreen there is no tray: automatic means on.
    ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable());
    settings::SetDesktopNotifications(settings::DesktopNotifications::Automatic);
    const std::size_t before = Notifies().size();
    ASSERT_TRUE(RunCall("", "0219876543"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return Notifies().size() > before; }, 10000));
}
