// The "Lignes" dialog and the tray's tip over a real call monitor client and a simulated
// monitor, on real widgets.

#include "line/CallMonitorLine.h"
#include "line/CapiLine.h"
#include "line/LineSupervisor.h"
#include "line/Notification.h"
#include "platform/Registry.h"
#include "resources/Resources.h"
#include "settings/Settings.h"
#include "tests/support/TestEnv.h"
#include "tests/support/UiApplication.h"
#include "tools/linesim/CallMonitor.h"
#include "ui/CallPopupDlg.h"
#include "ui/DialogUnits.h"
#include "ui/LineTexts.h"
#include "ui/LinesDlg.h"
#include "ui/Tray.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

QString Text(QWidget* dialog, int id) {
    return qobject_cast<QLabel*>(ui::FindControl(dialog, id))->text();
}

class LinesDlgTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        testing_support::EnsureApplication();
        InitTintorelResources();
    }
    void SetUp() override {
        m_lines.Add(std::make_unique<line::CallMonitorSource>());
        m_lines.Add(std::make_unique<line::CapiSource>());
    }
    void TearDown() override { m_lines.Stop(); }

    line::LineSource& Monitor() { return *m_lines.Find(line::Source::CallMonitor); }

    void Apply(CLinesDlg& dlg, const QString& address) {
        qobject_cast<QLineEdit*>(ui::FindControl(&dlg, CLinesDlg::IDC_ADDRESS))->setText(address);
        qobject_cast<QPushButton*>(ui::FindControl(&dlg, CLinesDlg::IDC_APPLY))->click();
    }

    testing_support::TestEnv m_env;
    testing_support::BoxRecorder m_boxes;
    linesim::CallMonitorSim m_monitor;
    line::LineSupervisor m_lines;
};

} // namespace

TEST_F(LinesDlgTest, StatesFollowTheLinesAndTheAddressTakesEffectWhenApplied) {
    ASSERT_TRUE(m_monitor.Start());
    const QString address = QStringLiteral("127.0.0.1:%1").arg(m_monitor.Port());
    Monitor().Watch(address.toStdString());
    CLinesDlg dlg(m_lines);
    EXPECT_EQ(qobject_cast<QLineEdit*>(ui::FindControl(&dlg, CLinesDlg::IDC_ADDRESS))->text(),
              address);
    EXPECT_EQ(Text(&dlg, CLinesDlg::IDC_CAPI_STATE), QStringLiteral("Absente"));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return Text(&dlg, CLinesDlg::IDC_MONITOR_STATE) == "Connecté à " + address; }, 10000))
        << Text(&dlg, CLinesDlg::IDC_MONITOR_STATE).toStdString();
    EXPECT_TRUE(ui::FindControl(&dlg, CLinesDlg::IDC_MONITOR_HINT)->isHidden());

    // The router refuses: the state counts down to the next try, with the hint.
    m_monitor.Stop();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return Text(&dlg, CLinesDlg::IDC_MONITOR_STATE)
                .startsWith("Refusé par " + address + ", nouvel essai dans ");
        },
        10000))
        << Text(&dlg, CLinesDlg::IDC_MONITOR_STATE).toStdString();
    EXPECT_FALSE(ui::FindControl(&dlg, CLinesDlg::IDC_MONITOR_HINT)->isHidden());
    EXPECT_EQ(Text(&dlg, CLinesDlg::IDC_MONITOR_HINT),
              QStringLiteral("Activez le moniteur d'appels en composant #96*5* sur un "
                             "téléphone du routeur."));

    // Another address, stored and watched at once.
    ASSERT_TRUE(m_monitor.Start());
    const QString other = QStringLiteral("127.0.0.1:%1").arg(m_monitor.Port());
    Apply(dlg, " " + other + " ");
    EXPECT_EQ(settings::ReadCallMonitor(), other.toStdString());
    EXPECT_EQ(Monitor().Address(), other.toStdString());
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return Text(&dlg, CLinesDlg::IDC_MONITOR_STATE) == "Connecté à " + other; }, 10000));

    // Not an address: refused with a message, nothing changes.
    Apply(dlg, QStringLiteral("routeur:99999"));
    ASSERT_EQ(m_boxes.Count(), 1u);
    EXPECT_TRUE(m_boxes.Requests()[0].text.startsWith("Adresse du moniteur d'appels invalide"));
    EXPECT_EQ(settings::ReadCallMonitor(), other.toStdString());

    // Empty switches it off and forgets it.
    Apply(dlg, QString());
    EXPECT_EQ(Text(&dlg, CLinesDlg::IDC_MONITOR_STATE), QStringLiteral("Désactivé"));
    EXPECT_EQ(settings::ReadCallMonitor(), "");
    EXPECT_TRUE(m_monitor.WaitForClients(0));
}

TEST_F(LinesDlgTest, TrayTipNamesASourceThatIsDown) {
    line::NotificationState state;
    CCallPopupDlg window(state, m_lines);
    window.Tray()->Add();
    EXPECT_EQ(window.Tray()->Icon()->toolTip(), QStringLiteral("Tintorel"));
    ASSERT_TRUE(m_monitor.Start());
    const std::uint16_t port = m_monitor.Port();
    m_monitor.Stop();
    Monitor().Watch("127.0.0.1:" + std::to_string(port));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return window.Tray()->Icon()->toolTip().startsWith(
                "Tintorel - moniteur d'appels refusé, nouvel essai dans ");
        },
        10000))
        << window.Tray()->Icon()->toolTip().toStdString();

    // Back: the usual tip.
    ASSERT_TRUE(m_monitor.Start(port));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return window.Tray()->Icon()->toolTip() == QStringLiteral("Tintorel"); }, 10000))
        << window.Tray()->Icon()->toolTip().toStdString();
}

line::LineStatus Status(line::Source source, line::LineState state, int retryIn = 0,
                        ui::Clock::time_point nextTry = {}) {
    line::LineStatus status;
    status.source = source;
    status.state = state;
    status.retryIn = retryIn;
    status.nextTry = nextTry;
    return status;
}

TEST(LineTexts, LostCapiLineAndCallMonitorInTheTip) {
    using line::LineState;
    using line::Source;
    const auto now = ui::Clock::now();
    const line::LineStatus off = Status(Source::CallMonitor, LineState::Off);
    const line::LineStatus capi =
        Status(Source::Capi, LineState::Lost, 8, now + std::chrono::seconds(8));
    EXPECT_EQ(ui::TrayToolTip({capi, off}, now),
              QStringLiteral("Tintorel - ligne CAPI perdue, nouvel essai dans 8 s"));
    EXPECT_EQ(ui::CapiStateText(capi, now), QStringLiteral("Perdue, nouvel essai dans 8 s"));

    line::LineStatus monitor =
        Status(Source::CallMonitor, LineState::Lost, 4, now + std::chrono::milliseconds(3500));
    monitor.address = "192.168.1.1:1012";
    // The CAPI line first, whatever the order of the sources.
    EXPECT_EQ(ui::TrayToolTip({monitor, capi}, now),
              QStringLiteral("Tintorel - ligne CAPI perdue, nouvel essai dans 8 s ; moniteur "
                             "d'appels injoignable, nouvel essai dans 4 s"));
    EXPECT_EQ(ui::MonitorStateText(monitor, now),
              QStringLiteral("Injoignable (192.168.1.1:1012), nouvel essai dans 4 s"));

    // Back: the usual tip; a line that is only absent is not down.
    line::LineStatus connected = Status(Source::Capi, LineState::Connected);
    connected.controllers = 2;
    EXPECT_EQ(ui::TrayToolTip({connected, off}, now), QStringLiteral("Tintorel"));
    EXPECT_EQ(ui::CapiStateText(connected, now), QStringLiteral("Connectée, 2 contrôleurs"));
    EXPECT_EQ(ui::TrayToolTip({Status(Source::Capi, LineState::Off), off}, now),
              QStringLiteral("Tintorel"));
    EXPECT_EQ(ui::TrayToolTip({}, now), QStringLiteral("Tintorel"));
}

TEST(LineTexts, EachStateWithoutRetryHasItsOwnText) {
    using line::LineState;
    using line::Source;
    const auto now = ui::Clock::now();
    // A CAPI driver missing at start, tried again: in the dialog, never in the tip.
    const line::LineStatus absent =
        Status(Source::Capi, LineState::Absent, 16, now + std::chrono::seconds(16));
    EXPECT_EQ(ui::CapiStateText(absent, now), QStringLiteral("Absente, nouvel essai dans 16 s"));
    EXPECT_EQ(ui::CapiStateText(Status(Source::Capi, LineState::Absent), now),
              QStringLiteral("Absente, nouvel essai en cours"));
    EXPECT_EQ(ui::TrayToolTip({absent}, now), QStringLiteral("Tintorel"));
    EXPECT_TRUE(ui::CountingDown({absent}));

    // Only an address that is not one reads as such; a monitor that cannot run says so.
    line::LineStatus invalid = Status(Source::CallMonitor, LineState::Invalid);
    invalid.address = "routeur:0";
    EXPECT_EQ(ui::MonitorStateText(invalid, now), QStringLiteral("Adresse invalide : routeur:0"));
    EXPECT_EQ(ui::TrayToolTip({invalid}, now),
              QStringLiteral("Tintorel - moniteur d'appels : adresse invalide"));
    line::LineStatus failed = Status(Source::CallMonitor, LineState::Failed);
    failed.address = "192.168.1.1:1012";
    failed.reason = "Resource temporarily unavailable";
    EXPECT_EQ(ui::MonitorStateText(failed, now),
              QStringLiteral("Impossible de surveiller 192.168.1.1:1012, pas de nouvel essai"));
    EXPECT_EQ(ui::TrayToolTip({failed}, now),
              QStringLiteral("Tintorel - moniteur d'appels arrêté"));
    EXPECT_FALSE(ui::CountingDown({invalid, failed}));
}
