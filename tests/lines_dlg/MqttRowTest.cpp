// The "Lignes" dialog's broker row over a real MQTT source and a broker of the test's own, on
// real widgets; the broker's texts in the dialog and the tray's tip.

#include "line/LineSupervisor.h"
#include "line/MqttClient.h"
#include "line/MqttLine.h"
#include "resources/Resources.h"
#include "settings/Settings.h"
#include "tests/support/MosquittoBroker.h"
#include "tests/support/TestEnv.h"
#include "tests/support/UiApplication.h"
#include "ui/DialogUnits.h"
#include "ui/LineTexts.h"
#include "ui/LinesDlg.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

class MqttRowTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        testing_support::EnsureApplication();
        InitTintorelResources();
    }
    void SetUp() override {
        m_lines.Add(std::make_unique<line::MqttSource>("tintorel-t-00000001"));
        ASSERT_TRUE(m_broker.RequirePassword("bureau", "b0n:pw"));
        ASSERT_TRUE(m_broker.Start()) << m_broker.Log();
    }
    void TearDown() override { m_lines.Stop(); }

    QString State(QWidget* dialog) const {
        return qobject_cast<QLabel*>(ui::FindControl(dialog, CLinesDlg::IDC_MQTT_STATE))->text();
    }
    QLineEdit* Field(QWidget* dialog) const {
        return qobject_cast<QLineEdit*>(ui::FindControl(dialog, CLinesDlg::IDC_MQTT_URL));
    }
    void Apply(CLinesDlg& dlg, const QString& url) {
        Field(&dlg)->setText(url);
        qobject_cast<QPushButton*>(ui::FindControl(&dlg, CLinesDlg::IDC_MQTT_APPLY))->click();
    }
    unsigned RegistryMode() const {
        struct stat st {};
        return ::stat(m_env.RegistryPath().c_str(), &st) == 0 ? st.st_mode & 0777 : 0;
    }

    testing_support::TestEnv m_env;
    testing_support::BoxRecorder m_boxes;
    testing_support::MosquittoBroker m_broker{m_env.Dir()};
    line::LineSupervisor m_lines;
};

} // namespace

TEST_F(MqttRowTest, TheUrlTakesEffectWhenAppliedAndItsPasswordStaysOutOfSight) {
    settings::SetAutoConnect(true);
    ::chmod(m_env.RegistryPath().c_str(), 0644);
    CLinesDlg dlg(m_lines);
    EXPECT_EQ(State(&dlg), QStringLiteral("Désactivé"));
    EXPECT_EQ(Field(&dlg)->text(), QString());
    const QString at = QStringLiteral("bureau@127.0.0.1:%1").arg(m_broker.Port());

    // A wrong password: stored, in a file only its owner reads, and never shown.
    Apply(dlg, m_broker.Url("bureau:wr0ng", "maison").c_str());
    EXPECT_EQ(RegistryMode(), 0600u);
    EXPECT_EQ(settings::ReadMqtt(), m_broker.Url("bureau:wr0ng", "maison"));
    EXPECT_EQ(Field(&dlg)->text(), QStringLiteral("mqtt://%1/maison").arg(at));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return State(&dlg).startsWith("Identifiant ou mot de passe refusé par " + at +
                                          ", nouvel essai dans ");
        },
        10000))
        << State(&dlg).toStdString();
    EXPECT_TRUE(ui::TrayToolTip(m_lines.Statuses(), ui::Clock::now())
                    .startsWith("Tintorel - courtier MQTT refusé, nouvel essai dans "));

    // The right one, percent-encoded.
    Apply(dlg, m_broker.Url("bureau:b0n%3Apw", "maison").c_str());
    ASSERT_TRUE(QTest::qWaitFor([&] { return State(&dlg) == "Connecté à " + at; }, 10000))
        << State(&dlg).toStdString();
    EXPECT_EQ(ui::TrayToolTip(m_lines.Statuses(), ui::Clock::now()), QStringLiteral("Tintorel"));

    // Opened again, the field has no password; applied as it is, the stored URL stays.
    CLinesDlg again(m_lines);
    EXPECT_EQ(Field(&again)->text(), QStringLiteral("mqtt://%1/maison").arg(at));
    Apply(again, Field(&again)->text());
    EXPECT_EQ(settings::ReadMqtt(), m_broker.Url("bureau:b0n%3Apw", "maison"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return State(&again) == "Connecté à " + at; }, 10000))
        << State(&again).toStdString();

    // Not a URL: refused with a message, nothing changes.
    Apply(again, QStringLiteral("mqtt://broker/maison/+"));
    ASSERT_EQ(m_boxes.Count(), 1u);
    EXPECT_TRUE(m_boxes.Requests()[0].text.startsWith("Adresse du courtier MQTT invalide"));
    EXPECT_EQ(settings::ReadMqtt(), m_broker.Url("bureau:b0n%3Apw", "maison"));

    // Empty switches it off and forgets it; the file stays private.
    Apply(again, QString());
    EXPECT_EQ(State(&again), QStringLiteral("Désactivé"));
    EXPECT_EQ(settings::ReadMqtt(), "");
    settings::SetAutoConnect(false);
    EXPECT_EQ(RegistryMode(), 0600u);
    EXPECT_EQ(m_boxes.Count(), 1u);
}

TEST(LineTexts, TheBrokerInTheDialogAndTheTip) {
    using line::LineState;
    const auto now = ui::Clock::now();
    line::LineStatus mqtt;
    mqtt.source = line::Source::Mqtt;
    mqtt.address = "bureau@broker.home:1883";
    EXPECT_EQ(ui::MqttStateText(mqtt, now), QStringLiteral("Désactivé"));
    mqtt.state = LineState::Lost;
    mqtt.retryIn = 16;
    mqtt.nextTry = now + std::chrono::seconds(16);
    EXPECT_EQ(ui::MqttStateText(mqtt, now),
              QStringLiteral("Injoignable (bureau@broker.home:1883), nouvel essai dans 16 s"));
    line::LineStatus capi;
    capi.state = LineState::Lost;
    capi.retryIn = 2;
    capi.nextTry = now + std::chrono::seconds(2);
    // The CAPI line first, the broker after it.
    EXPECT_EQ(ui::TrayToolTip({mqtt, capi}, now),
              QStringLiteral("Tintorel - ligne CAPI perdue, nouvel essai dans 2 s ; courtier "
                             "MQTT injoignable, nouvel essai dans 16 s"));
    mqtt.state = LineState::Refused;
    mqtt.reason = "broker unavailable";
    EXPECT_EQ(ui::MqttStateText(mqtt, now),
              QStringLiteral("Refusé par bureau@broker.home:1883, nouvel essai dans 16 s"));
    mqtt.state = LineState::Invalid;
    mqtt.address = "mqtt://bureau@broker/+";
    EXPECT_EQ(ui::MqttStateText(mqtt, now),
              QStringLiteral("Adresse invalide : mqtt://bureau@broker/+"));
    EXPECT_EQ(ui::TrayToolTip({mqtt}, now),
              QStringLiteral("Tintorel - courtier MQTT : adresse invalide"));
}
