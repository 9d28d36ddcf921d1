#include "ui/AboutDlg.h"

#include "phonebook/Phonebook.h"
#include "ui/DialogUnits.h"
#include "ui/MessageBox.h"
#include "platform/ModulePath.h"
#include "platform/Registry.h"
#include "resources/Resources.h"
#include "settings/Settings.h"
#include "tests/support/HttpFixtureServer.h"
#include "tests/support/TestEnv.h"
#include "tests/support/UiApplication.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTest>

#include <cstring>
#include <fstream>
#include <iterator>

using namespace platform;
using namespace ui;
using testing_support::BoxRecorder;
using testing_support::HttpFixtureServer;
using testing_support::TestEnv;

namespace {

const char* const kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct StoredValue {
    LONG result = ERROR_FILE_NOT_FOUND;
    DWORD type = REG_NONE;
    std::string data;
};

StoredValue Query(const std::string& keyName, const std::string& name) {
    StoredValue value;
    HKEY key = nullptr;
    value.result = RegOpenKeyEx(HKEY_LOCAL_MACHINE, keyName, KEY_READ, &key);
    if (value.result != ERROR_SUCCESS)
        return value;
    BYTE buffer[4096];
    DWORD size = sizeof buffer;
    value.result = RegQueryValueEx(key, name, &value.type, buffer, &size);
    if (value.result == ERROR_SUCCESS)
        value.data.assign(reinterpret_cast<const char*>(buffer), size);
    RegCloseKey(key);
    return value;
}

LONG Store(const std::string& keyName, const std::string& name, DWORD type,
           const std::string& data) {
    HKEY key = nullptr;
    LONG result = RegCreateKeyEx(HKEY_LOCAL_MACHINE, keyName, KEY_ALL_ACCESS, &key);
    if (result != ERROR_SUCCESS)
        return result;
    result = RegSetValueEx(key, name, type, reinterpret_cast<const BYTE*>(data.data()),
                           static_cast<DWORD>(data.size()));
    RegCloseKey(key);
    return result;
}

std::string Dword(std::uint32_t value) {
    return std::string(reinterpret_cast<const char*>(&value), 4);
}

bool KeyExists(const std::string& keyName) {
    HKEY key = nullptr;
    if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, keyName, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// Rows of the picture that hold dark (text) pixels, and their horizontal middle.
struct Ink {
    int top = -1;
    int bottom = -1;
    int left = -1;
    int right = -1;
    bool Any() const { return top >= 0; }
    int Height() const { return bottom - top + 1; }
    double Middle() const { return (left + right) / 2.0; }
};

Ink InkBetween(const QImage& image, int fromY, int toY) {
    Ink ink;
    for (int y = fromY; y < toY && y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            if (qGray(image.pixel(x, y)) >= 100)
                continue;
            if (ink.top < 0)
                ink.top = y;
            ink.bottom = y;
            ink.left = ink.left < 0 ? x : std::min(ink.left, x);
            ink.right = std::max(ink.right, x);
        }
    return ink;
}

class AboutDlgTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        testing_support::EnsureApplication();
        InitTintorelResources();
    }

    void SetUp() override { InstallProgram(PROBE_PROGRAM); }

    // Puts a binary where the program believes its executable is.
    void InstallProgram(const char* probe) { m_env.WriteFile("tintorel", ReadAll(probe)); }

    static QCheckBox* Autostart(CAboutDlg& dlg) {
        return qobject_cast<QCheckBox*>(FindControl(&dlg, 1022));
    }
    static QCheckBox* AutoConnect(CAboutDlg& dlg) {
        return qobject_cast<QCheckBox*>(FindControl(&dlg, 1023));
    }
    static QComboBox* Country(CAboutDlg& dlg) {
        return qobject_cast<QComboBox*>(FindControl(&dlg, 1025));
    }
    static QComboBox* Notifications(CAboutDlg& dlg) {
        return qobject_cast<QComboBox*>(FindControl(&dlg, 1026));
    }
    static QComboBox* Language(CAboutDlg& dlg) {
        return qobject_cast<QComboBox*>(FindControl(&dlg, 1028));
    }
    static QLineEdit* Command(CAboutDlg& dlg) {
        return qobject_cast<QLineEdit*>(FindControl(&dlg, 1027));
    }
    static QPushButton* Uninstall(CAboutDlg& dlg) {
        return qobject_cast<QPushButton*>(FindControl(&dlg, 1015));
    }
    // A paint request, as when the dialog is uncovered.
    static QImage Paint(CAboutDlg& dlg) { return dlg.grab().toImage(); }

    std::string DesktopFile() const { return m_env.Path("config/autostart/tintorel.desktop"); }

    TestEnv m_env;
    BoxRecorder m_boxes;
};

} // namespace

TEST_F(AboutDlgTest, FirstOpeningOnAFreshMachine) {
    CAboutDlg dlg;
    EXPECT_EQ(dlg.windowTitle(), QString::fromUtf8("Tintorel, à propos de"));
    EXPECT_EQ(g_strVersion, "Version : " PROGRAM_VERSION);
    EXPECT_FALSE(dlg.windowIcon().isNull());
    EXPECT_GE(dlg.windowIcon().availableSizes().size(), 2);
    Paint(dlg);

    ASSERT_NE(Autostart(dlg), nullptr);
    ASSERT_NE(AutoConnect(dlg), nullptr);
    ASSERT_NE(Country(dlg), nullptr);
    ASSERT_NE(Uninstall(dlg), nullptr);
    EXPECT_FALSE(Autostart(dlg)->isChecked());
    EXPECT_FALSE(AutoConnect(dlg)->isChecked());
    ASSERT_EQ(Country(dlg)->count(), 2);
    EXPECT_EQ(Country(dlg)->itemText(0), QStringLiteral("Suisse"));
    EXPECT_EQ(Country(dlg)->itemText(1), QStringLiteral("France"));
    EXPECT_EQ(Country(dlg)->currentIndex(), 0);
    EXPECT_FALSE(Country(dlg)->isEditable());

    // Template 148: texts, places and sizes.
    auto* ok = qobject_cast<QPushButton*>(FindControl(&dlg, 1));
    ASSERT_NE(ok, nullptr);
    EXPECT_TRUE(ok->isDefault());
    EXPECT_EQ(ok->text(), QStringLiteral("OK"));
    EXPECT_EQ(ok->geometry(), DluToPixels(QRect(202, 194, 50, 14)));
    EXPECT_EQ(Autostart(dlg)->text(),
              QString::fromUtf8("Lancer l'application automatiquement au démarrage"));
    EXPECT_EQ(Autostart(dlg)->geometry(), DluToPixels(QRect(7, 194, 192, 14)));
    EXPECT_EQ(AutoConnect(dlg)->text(),
              QString::fromUtf8("Connection permante à Internet ou essayer de se connecter"));
    EXPECT_EQ(AutoConnect(dlg)->geometry(), DluToPixels(QRect(7, 156, 245, 14)));
    EXPECT_EQ(Uninstall(dlg)->text(), QString::fromUtf8("Désinstaller"));
    EXPECT_EQ(Uninstall(dlg)->geometry(), DluToPixels(QRect(190, 99, 62, 14)));
    EXPECT_EQ(Country(dlg)->pos(), DluToPixels(QRect(96, 99, 78, 72)).topLeft());
    EXPECT_EQ(Country(dlg)->width(), DluToPixelsX(78));
    // The lists line up in a column, their labels in another.
    ASSERT_NE(Notifications(dlg), nullptr);
    EXPECT_EQ(Notifications(dlg)->geometry(), DluToPixels(QRect(96, 118, 78, 14)));
    EXPECT_FALSE(Notifications(dlg)->isEditable());
    ASSERT_EQ(Notifications(dlg)->count(), 3);
    EXPECT_EQ(Notifications(dlg)->itemText(0), QStringLiteral("Automatiques"));
    EXPECT_EQ(Notifications(dlg)->itemText(1), QString::fromUtf8("Activées"));
    EXPECT_EQ(Notifications(dlg)->itemText(2), QString::fromUtf8("Désactivées"));
    EXPECT_EQ(Notifications(dlg)->currentIndex(), 0);
    int labels = 0;
    for (QLabel* l : dlg.findChildren<QLabel*>()) {
        if (l->text() == QStringLiteral("Pays :")) {
            ++labels;
            EXPECT_EQ(l->geometry(), DluToPixels(QRect(7, 99, 86, 14)));
        } else if (l->text() == QStringLiteral("Notifications du bureau :")) {
            ++labels;
            EXPECT_EQ(l->geometry(), DluToPixels(QRect(7, 118, 86, 14)));
        } else if (l->text() == QStringLiteral("Commande par appel :")) {
            ++labels;
            EXPECT_EQ(l->geometry(), DluToPixels(QRect(7, 175, 86, 14)));
        } else if (l->text() == QStringLiteral("Langue :")) {
            ++labels;
            EXPECT_EQ(l->geometry(), DluToPixels(QRect(7, 137, 86, 14)));
        } else if (l->text() == QString::fromUtf8("Prend effet au prochain démarrage")) {
            ++labels;
            EXPECT_EQ(l->geometry(), DluToPixels(QRect(178, 135, 74, 18)));
            EXPECT_TRUE(l->wordWrap());
        }
        if (l->wordWrap())
            EXPECT_LE(l->heightForWidth(l->width()), l->height()) << l->text().toStdString();
        else
            EXPECT_LE(l->fontMetrics().horizontalAdvance(l->text()), l->width())
                << l->text().toStdString();
    }
    EXPECT_EQ(labels, 5);
    ASSERT_NE(Command(dlg), nullptr);
    EXPECT_EQ(Command(dlg)->geometry(), DluToPixels(QRect(96, 175, 156, 14)));
    EXPECT_EQ(Command(dlg)->text(), QString());
    for (QComboBox* box : {Country(dlg), Notifications(dlg)})
        for (int i = 0; i < box->count(); ++i)
            EXPECT_LE(box->fontMetrics().horizontalAdvance(box->itemText(i)) + 24, box->width())
                << box->itemText(i).toStdString();
    EXPECT_EQ(dlg.size(), DluToPixels(QSize(259, 215)));
    // Every text fits its box.
    for (QCheckBox* box : {Autostart(dlg), AutoConnect(dlg)}) {
        const int needed =
            box->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, box) +
            box->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, box) +
            box->fontMetrics().horizontalAdvance(box->text());
        EXPECT_LE(needed, box->width()) << box->text().toStdString();
    }
    for (QPushButton* button : {ok, Uninstall(dlg)})
        EXPECT_LE(button->fontMetrics().horizontalAdvance(button->text()) + 8, button->width())
            << button->text().toStdString();

    // Opening and painting store nothing.
    EXPECT_FALSE(m_env.FileExists("phonebook.txt"));
    EXPECT_FALSE(KeyExists("Software\\Tintorel"));
    EXPECT_FALSE(QFile::exists(QString::fromStdString(DesktopFile())));
    EXPECT_EQ(m_boxes.Count(), 0u);
}

TEST_F(AboutDlgTest, PaintsProductNoticeAndVersionLines) {
    CAboutDlg dlg;
    const QImage image = Paint(dlg);
    const Ink product = InkBetween(image, 10, 60);
    const Ink notice = InkBetween(image, 65, 95);
    const Ink version = InkBetween(image, 95, 125);
    ASSERT_TRUE(product.Any());
    ASSERT_TRUE(notice.Any());
    ASSERT_TRUE(version.Any());
    EXPECT_GT(product.Height(), 2 * notice.Height()); // 30 points against 10
    // The bands run from x = 10 to the width + 10: their middle is 10 pixels right of centre.
    const double middle = dlg.width() / 2.0 + 10;
    EXPECT_NEAR(product.Middle(), middle, 3.0);
    EXPECT_NEAR(notice.Middle(), middle, 3.0);
    EXPECT_NEAR(version.Middle(), middle, 3.0);
    // Each line starts at the top of its band.
    EXPECT_LT(product.top, 25);
    EXPECT_LT(notice.top, 75);
    EXPECT_LT(version.top, 105);
}

TEST_F(AboutDlgTest, VersionLineNeedsABlockWithTranslationAndIsKept) {
    InstallProgram(PROBE_BARE);
    {
        CAboutDlg dlg;
        EXPECT_EQ(g_strVersion, "");
        EXPECT_FALSE(InkBetween(Paint(dlg), 95, 125).Any());
    }
    InstallProgram(PROBE_NOTRANS);
    {
        CAboutDlg dlg;
        EXPECT_EQ(g_strVersion, "");
    }
    InstallProgram(PROBE_CUSTOM);
    {
        CAboutDlg dlg;
        EXPECT_EQ(g_strVersion, "Version : 2.7.1828.65535");
    }
    // A later opening that can't read the block keeps the line of the earlier one.
    InstallProgram(PROBE_BARE);
    {
        CAboutDlg dlg;
        EXPECT_EQ(g_strVersion, "Version : 2.7.1828.65535");
        EXPECT_TRUE(InkBetween(Paint(dlg), 95, 125).Any());
    }
    EXPECT_EQ(m_boxes.Count(), 0u);
}

TEST_F(AboutDlgTest, AutostartOnAndOff) {
    CAboutDlg dlg;
    Paint(dlg);
    const std::string path = m_env.ExecutablePath();

    Autostart(dlg)->click();
    StoredValue run = Query(kRunKey, "Tintorel");
    ASSERT_EQ(run.result, ERROR_SUCCESS);
    EXPECT_EQ(run.type, REG_SZ);
    EXPECT_EQ(run.data, path + std::string(1, '\0'));
    const std::string desktop = ReadAll(DesktopFile());
    EXPECT_NE(desktop.find("\nExec=" + path + "\n"), std::string::npos) << desktop;
    EXPECT_TRUE(settings::IsAutostartEnabled());
    Paint(dlg);
    EXPECT_TRUE(Autostart(dlg)->isChecked());

    Autostart(dlg)->click();
    EXPECT_EQ(Query(kRunKey, "Tintorel").result, ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(DesktopFile())));
    Paint(dlg);
    EXPECT_FALSE(Autostart(dlg)->isChecked());

    // Only the very same text counts.
    std::string upper = path;
    upper.back() = 'L';
    for (const std::string& other : {upper, "\"" + path + "\"", path + " --hidden", path + "x",
                                     path.substr(0, path.size() - 1)}) {
        ASSERT_EQ(Store(kRunKey, "Tintorel", REG_SZ, other + std::string(1, '\0')), ERROR_SUCCESS);
        Paint(dlg);
        EXPECT_FALSE(Autostart(dlg)->isChecked()) << other;
        EXPECT_FALSE(settings::IsAutostartEnabled()) << other;
    }
    ASSERT_EQ(Store(kRunKey, "Tintorel", REG_SZ, path + std::string(1, '\0')), ERROR_SUCCESS);
    Paint(dlg);
    EXPECT_TRUE(Autostart(dlg)->isChecked());

    // Without an executable path autostart can't be written, and nothing matches.
    settings::SetAutostart(false);
    SetModuleFileNameOverride(std::nullopt);
    settings::SetAutostart(true);
    EXPECT_EQ(Query(kRunKey, "Tintorel").result, ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(settings::IsAutostartEnabled());
    SetModuleFileNameOverride(path);
}

TEST_F(AboutDlgTest, LongExecutablePathStillCompares) {
    const std::string dir = m_env.Dir() + "/" + std::string(200, 'd') + "/" +
                            std::string(200, 'e') + "/" + std::string(200, 'f');
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(dir)));
    SetModuleFileNameOverride(dir + "/tintorel");
    settings::SetAutostart(true);
    EXPECT_TRUE(settings::IsAutostartEnabled());
    settings::SetAutostart(false);
    EXPECT_FALSE(settings::IsAutostartEnabled());
    SetModuleFileNameOverride(m_env.ExecutablePath());
}

TEST_F(AboutDlgTest, AutoConnectOnThenOff) {
    CAboutDlg dlg;
    Paint(dlg);
    AutoConnect(dlg)->click();
    StoredValue value = Query("Software\\Tintorel", "AutoConnect");
    ASSERT_EQ(value.result, ERROR_SUCCESS);
    EXPECT_EQ(value.type, REG_DWORD);
    EXPECT_EQ(value.data, Dword(1));
    EXPECT_EQ(GetPhonebook()->ReadAutoConnect(), 1u);
    Paint(dlg);
    EXPECT_TRUE(AutoConnect(dlg)->isChecked());

    AutoConnect(dlg)->click();
    value = Query("Software\\Tintorel", "AutoConnect");
    ASSERT_EQ(value.result, ERROR_SUCCESS);
    EXPECT_EQ(value.type, REG_DWORD);
    EXPECT_EQ(value.data, Dword(0));
    Paint(dlg);
    EXPECT_FALSE(AutoConnect(dlg)->isChecked());
}

// A mouse click or the space bar repaints the box before the dialog hears of it: the dialog
// still stores what the hand chose.
TEST_F(AboutDlgTest, MouseAndKeyboardTickTheBoxes) {
    CAboutDlg dlg;
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    const auto tick = [](QCheckBox* box) {
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
    };

    tick(Autostart(dlg));
    EXPECT_TRUE(settings::IsAutostartEnabled());
    EXPECT_NE(ReadAll(DesktopFile()).find("\nExec=" + m_env.ExecutablePath() + "\n"),
              std::string::npos);
    tick(AutoConnect(dlg));
    EXPECT_EQ(settings::ReadAutoConnect(), 1u);
    Paint(dlg);
    EXPECT_TRUE(Autostart(dlg)->isChecked());
    EXPECT_TRUE(AutoConnect(dlg)->isChecked());

    Autostart(dlg)->setFocus();
    QTest::keyClick(Autostart(dlg), Qt::Key_Space);
    EXPECT_FALSE(settings::IsAutostartEnabled());
    EXPECT_FALSE(QFile::exists(QString::fromStdString(DesktopFile())));
    tick(AutoConnect(dlg));
    EXPECT_EQ(settings::ReadAutoConnect(), 0u);
}

TEST_F(AboutDlgTest, AutoConnectOfAnotherTypeShowsCleared) {
    CAboutDlg dlg;
    const std::pair<DWORD, std::string> others[] = {
        {REG_SZ, std::string("1\0", 2)},
        {REG_BINARY, Dword(1)},
        {REG_EXPAND_SZ, std::string("1\0", 2)},
        {REG_MULTI_SZ, std::string("1\0\0", 3)},
    };
    for (const auto& [type, data] : others) {
        ASSERT_EQ(Store("Software\\Tintorel", "AutoConnect", type, data), ERROR_SUCCESS);
        AutoConnect(dlg)->setChecked(true);
        Paint(dlg);
        EXPECT_FALSE(AutoConnect(dlg)->isChecked()) << "type " << type;
    }
    // Tintorel writes only 0 and 1; any other number means on, as for the lookup.
    ASSERT_EQ(Store("Software\\Tintorel", "AutoConnect", REG_DWORD, Dword(7)), ERROR_SUCCESS);
    Paint(dlg);
    EXPECT_TRUE(AutoConnect(dlg)->isChecked());
}

TEST_F(AboutDlgTest, DesktopNotificationsAreStoredAtOnce) {
    CAboutDlg dlg;
    Paint(dlg);
    QComboBox* box = Notifications(dlg);
    ASSERT_NE(box, nullptr);
    // The user goes down the list: on, off, and back up to automatic.
    QTest::keyClick(box, Qt::Key_Down);
    StoredValue value = Query("Software\\Tintorel", "DesktopNotifications");
    ASSERT_EQ(value.result, ERROR_SUCCESS);
    EXPECT_EQ(value.type, REG_DWORD);
    EXPECT_EQ(value.data, Dword(1));
    EXPECT_EQ(settings::ReadDesktopNotifications(), settings::DesktopNotifications::On);
    QTest::keyClick(box, Qt::Key_Down);
    EXPECT_EQ(Query("Software\\Tintorel", "DesktopNotifications").data, Dword(0));
    EXPECT_EQ(settings::ReadDesktopNotifications(), settings::DesktopNotifications::Off);
    Paint(dlg);
    EXPECT_EQ(box->currentIndex(), 2);
    QTest::keyClick(box, Qt::Key_Home);
    EXPECT_EQ(Query("Software\\Tintorel", "DesktopNotifications").result, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(settings::ReadDesktopNotifications(), settings::DesktopNotifications::Automatic);

    // Stored behind the dialog's back, and what Tintorel never writes: automatic.
    const std::pair<std::pair<DWORD, std::string>, int> stored[] = {
        {{REG_DWORD, Dword(0)}, 2},
        {{REG_DWORD, Dword(1)}, 1},
        {{REG_DWORD, Dword(7)}, 0},
        {{REG_SZ, std::string("1\0", 2)}, 0},
    };
    for (const auto& [data, index] : stored) {
        ASSERT_EQ(Store("Software\\Tintorel", "DesktopNotifications", data.first, data.second),
                  ERROR_SUCCESS);
        Paint(dlg);
        EXPECT_EQ(box->currentIndex(), index) << "type " << data.first;
    }
    // A repaint chose nothing.
    EXPECT_EQ(Query("Software\\Tintorel", "DesktopNotifications").type, REG_SZ);
}

TEST_F(AboutDlgTest, TheLanguageIsStoredForTheNextStart) {
    CAboutDlg dlg;
    Paint(dlg);
    QComboBox* box = Language(dlg);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->geometry(), DluToPixels(QRect(96, 137, 78, 14)));
    ASSERT_EQ(box->count(), 4);
    EXPECT_EQ(box->itemText(0), QStringLiteral("Automatique"));
    EXPECT_EQ(box->itemText(1), QString::fromUtf8("Français"));
    EXPECT_EQ(box->itemText(2), QStringLiteral("Deutsch"));
    EXPECT_EQ(box->itemText(3), QStringLiteral("English"));
    EXPECT_EQ(box->currentIndex(), 0);
    // Down to "Deutsch", then "English": a string, as the next start reads it.
    QTest::keyClick(box, Qt::Key_Down);
    QTest::keyClick(box, Qt::Key_Down);
    StoredValue value = Query("Software\\Tintorel", "Language");
    ASSERT_EQ(value.result, ERROR_SUCCESS);
    EXPECT_EQ(value.type, REG_SZ);
    EXPECT_EQ(settings::ReadLanguage(), "de");
    QTest::keyClick(box, Qt::Key_Down);
    EXPECT_EQ(settings::ReadLanguage(), "en");
    // The windows keep speaking as they did: the choice is for the next start.
    EXPECT_EQ(dlg.windowTitle(), QString::fromUtf8("Tintorel, à propos de"));
    // Automatic removes the value.
    QTest::keyClick(box, Qt::Key_Home);
    EXPECT_EQ(Query("Software\\Tintorel", "Language").result, ERROR_FILE_NOT_FOUND);

    // Chosen behind the dialog's back, and a value the program doesn't know: automatic.
    ASSERT_EQ(Store("Software\\Tintorel", "Language", REG_SZ, std::string("fr", 3)), ERROR_SUCCESS);
    Paint(dlg);
    EXPECT_EQ(box->currentIndex(), 1);
    ASSERT_EQ(Store("Software\\Tintorel", "Language", REG_SZ, std::string("it", 3)), ERROR_SUCCESS);
    Paint(dlg);
    EXPECT_EQ(box->currentIndex(), 0);
    // A repaint chose nothing.
    EXPECT_EQ(Query("Software\\Tintorel", "Language").data, std::string("it", 3));
}

TEST_F(AboutDlgTest, TheCallCommandIsStoredOnceEdited) {
    settings::SetCallCommand("notify-send Appel");
    CAboutDlg dlg;
    dlg.show();
    QLineEdit* edit = Command(dlg);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->text(), QStringLiteral("notify-send Appel"));

    // Typing stores nothing until the edit is done (Enter, or the focus leaves).
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, " /opt/appel/alerte --son 'Bureau ");
    QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QStringLiteral("é"), Qt::NoModifier);
    QTest::keyClicks(edit, "' ");
    Paint(dlg);
    EXPECT_EQ(edit->text(), QStringLiteral(" /opt/appel/alerte --son 'Bureau é' "));
    EXPECT_EQ(settings::ReadCallCommand(), "notify-send Appel");
    QTest::keyClick(edit, Qt::Key_Return);
    const StoredValue value = Query("Software\\Tintorel", "CallCommand");
    ASSERT_EQ(value.result, ERROR_SUCCESS);
    EXPECT_EQ(value.type, REG_SZ);
    EXPECT_EQ(value.data, std::string("/opt/appel/alerte --son 'Bureau \xc3\xa9'\0", 36));

    // Emptied: the value goes.
    edit->clear();
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(Query("Software\\Tintorel", "CallCommand").result, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(m_boxes.Count(), 0u);
}

TEST_F(AboutDlgTest, ChoosingFranceRewritesPhonebookAndSwitchesLookups) {
    m_env.WriteFile("phonebook.txt", "123;Dupont\r\ncountry;0\r\n");
    CAboutDlg dlg;
    Paint(dlg);
    ASSERT_EQ(Country(dlg)->currentIndex(), 0);
    AutoConnect(dlg)->click(); // the lookup may go online

    QTest::keyClick(Country(dlg), Qt::Key_Down); // the user picks "France"
    ASSERT_EQ(Country(dlg)->currentIndex(), 1);
    EXPECT_EQ(GetPhonebook()->GetCountry(), 1);
    EXPECT_EQ(m_env.ReadFile("phonebook.txt"), "123;Dupont\r\ncountry;1\r\n");

    HttpFixtureServer server;
    server.ServeDefault(HttpFixtureServer::HttpResponse(
        "<html><table width=\"480\"><table border=\"0\" cellspacing=\"0\" width=\"100%\" "
        "bgcolor=\"#FFCC00\"><tr><td valign=\"top\" width=\"90%\"><small><b>Martin Paul</b>"
        "</small></td></tr>\r\n"));
    setenv("TINTOREL_DIRECTORY", server.HostPort().c_str(), 1);
    const std::string name = GetPhonebook()->LookupCaller("0142685300");
    unsetenv("TINTOREL_DIRECTORY");
    EXPECT_EQ(name, "Martin Paul");
    ASSERT_EQ(server.Requests().size(), 1u);
    const std::string request = server.Requests()[0];
    EXPECT_EQ(request.rfind("GET /France/wp/search/result.asp?", 0), 0u) << request;
    EXPECT_NE(request.find("&phone=0142685300 HTTP/1.1\r\n"), std::string::npos) << request;

    // Choosing the country already selected changes nothing, not even the file.
    const std::string byHand = "country;1\r\n999;Par la main\r\n";
    m_env.WriteFile("phonebook.txt", byHand);
    QTest::keyClick(Country(dlg), Qt::Key_Down); // already the last item
    Country(dlg)->setCurrentIndex(1);
    Paint(dlg);
    EXPECT_EQ(Country(dlg)->currentIndex(), 1);
    EXPECT_EQ(m_env.ReadFile("phonebook.txt"), byHand);

    // And back to "Suisse": the rewrite keeps the line added by hand meanwhile.
    QTest::keyClick(Country(dlg), Qt::Key_Up);
    EXPECT_EQ(GetPhonebook()->GetCountry(), 0);
    const std::string rewritten = m_env.ReadFile("phonebook.txt");
    EXPECT_TRUE(rewritten.ends_with("country;0\r\n")) << rewritten;
    EXPECT_NE(rewritten.find("999;Par la main\r\n"), std::string::npos) << rewritten;
    EXPECT_NE(rewritten.find("123;Dupont\r\n"), std::string::npos) << rewritten;
    EXPECT_NE(rewritten.find("0142685300;Martin Paul\r\n"), std::string::npos) << rewritten;
    EXPECT_EQ(GetPhonebook()->GetProfile().request.rfind("GET /result.fr.html?", 0), 0u);
}

TEST_F(AboutDlgTest, StoredCountryIsSelectedOnOpening) {
    m_env.WriteFile("phonebook.txt", "country;1\r\n");
    CAboutDlg dlg;
    Paint(dlg);
    EXPECT_EQ(Country(dlg)->currentIndex(), 1);
    EXPECT_EQ(m_env.ReadFile("phonebook.txt"), "country;1\r\n");
}

TEST_F(AboutDlgTest, UninstallAnsweredNoChangesNothing) {
    ASSERT_EQ(Store("Software\\Tintorel", "AutoConnect", REG_DWORD, Dword(1)), ERROR_SUCCESS);
    settings::SetAutostart(true);
    const std::string registry = m_env.ReadFile("registry.reg");

    CAboutDlg dlg;
    m_boxes.QueueAnswer(IDNO);
    Uninstall(dlg)->click();
    ASSERT_EQ(m_boxes.Count(), 1u);
    const MessageBoxRequest ask = m_boxes.Requests()[0];
    EXPECT_EQ(ask.text, QString::fromUtf8("Etes-vous sur de vouloir supprimer tous les paramètres "
                                          "de la base de registre ?"));
    EXPECT_EQ(ask.caption, QStringLiteral("Tintorel"));
    EXPECT_EQ(ask.icon, MsgIcon::Question);
    EXPECT_EQ(ask.buttons, MsgButtons::YesNo);
    EXPECT_TRUE(ask.hasOwner);

    EXPECT_EQ(m_env.ReadFile("registry.reg"), registry);
    EXPECT_TRUE(settings::IsAutostartEnabled());
    Paint(dlg);
    EXPECT_TRUE(Autostart(dlg)->isChecked());
    EXPECT_TRUE(AutoConnect(dlg)->isChecked());
}

TEST_F(AboutDlgTest, UninstallWithoutSettingsKeyReportsAndKeepsRunValue) {
    settings::SetAutostart(true);
    CAboutDlg dlg;
    m_boxes.QueueAnswer(IDYES);
    Uninstall(dlg)->click();
    ASSERT_EQ(m_boxes.Count(), 2u);
    const MessageBoxRequest error = m_boxes.Requests()[1];
    // The system's own text, entity and all.
    EXPECT_EQ(error.text, QStringLiteral("Erreur, impossible de supprimer les entr&eacute; dans "
                                         "la base de registre."));
    EXPECT_EQ(error.caption, QStringLiteral("Tintorel"));
    EXPECT_EQ(error.icon, MsgIcon::None);
    EXPECT_EQ(error.buttons, MsgButtons::Ok);
    EXPECT_TRUE(settings::IsAutostartEnabled());
    EXPECT_TRUE(QFile::exists(QString::fromStdString(DesktopFile())));
}

TEST_F(AboutDlgTest, UninstallRemovesKeyTreeAndRunValue) {
    ASSERT_EQ(Store("Software\\Tintorel", "AutoConnect", REG_DWORD, Dword(1)), ERROR_SUCCESS);
    ASSERT_EQ(Store("Software\\Tintorel\\A\\B\\C", "x", REG_SZ, std::string("1\0", 2)),
              ERROR_SUCCESS);
    ASSERT_EQ(Store("Software\\Tintorel\\A", "y", REG_DWORD, Dword(2)), ERROR_SUCCESS);
    ASSERT_EQ(Store("Software\\Tintorel\\Z", "z", REG_BINARY, "zz"), ERROR_SUCCESS);
    ASSERT_EQ(Store("Software\\TintorelOther", "keep", REG_DWORD, Dword(3)), ERROR_SUCCESS);
    ASSERT_EQ(Store(kRunKey, "OtherApp", REG_SZ, std::string("/usr/bin/other\0", 15)),
              ERROR_SUCCESS);
    settings::SetAutostart(true);
    m_env.WriteFile("phonebook.txt", "1;A\r\ncountry;1\r\n");

    CAboutDlg dlg;
    Paint(dlg);
    ASSERT_TRUE(Autostart(dlg)->isChecked());
    ASSERT_TRUE(AutoConnect(dlg)->isChecked());
    m_boxes.QueueAnswer(IDYES);
    Uninstall(dlg)->click();
    ASSERT_EQ(m_boxes.Count(), 2u);
    const MessageBoxRequest done = m_boxes.Requests()[1];
    EXPECT_EQ(done.text, QStringLiteral("Vous pouvez maintenant supprimer tintorel.exe, "
                                        "isdncall.log et phonebook.txt."));
    EXPECT_EQ(done.caption, QStringLiteral("Tintorel"));
    EXPECT_EQ(done.icon, MsgIcon::None);
    EXPECT_EQ(done.buttons, MsgButtons::Ok);

    EXPECT_FALSE(KeyExists("Software\\Tintorel"));
    EXPECT_FALSE(KeyExists("Software\\Tintorel\\A\\B\\C"));
    EXPECT_EQ(Query("Software\\TintorelOther", "keep").data, Dword(3));
    EXPECT_EQ(Query(kRunKey, "Tintorel").result, ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(DesktopFile())));
    EXPECT_EQ(Query(kRunKey, "OtherApp").result, ERROR_SUCCESS);
    // No file is touched.
    EXPECT_EQ(m_env.ReadFile("phonebook.txt"), "1;A\r\ncountry;1\r\n");
    EXPECT_TRUE(m_env.FileExists("tintorel"));

    Paint(dlg);
    EXPECT_FALSE(Autostart(dlg)->isChecked());
    EXPECT_FALSE(AutoConnect(dlg)->isChecked());

    // A second uninstall finds no key any more.
    m_boxes.QueueAnswer(IDYES);
    Uninstall(dlg)->click();
    ASSERT_EQ(m_boxes.Count(), 4u);
    EXPECT_EQ(m_boxes.Requests()[3].text,
              QStringLiteral("Erreur, impossible de supprimer les entr&eacute; dans "
                             "la base de registre."));
}

TEST_F(AboutDlgTest, DeleteKeyTreeReportsMissingKey) {
    ASSERT_EQ(Store("Software\\Tree\\Leaf", "v", REG_DWORD, Dword(1)), ERROR_SUCCESS);
    HKEY software = nullptr;
    ASSERT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "Software", KEY_ALL_ACCESS, &software),
              ERROR_SUCCESS);
    EXPECT_EQ(DeleteKeyTree(software, "Missing"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(DeleteKeyTree(software, "Tree"), ERROR_SUCCESS);
    EXPECT_EQ(DeleteKeyTree(software, "Tree"), ERROR_FILE_NOT_FOUND);
    RegCloseKey(software);
    EXPECT_FALSE(KeyExists("Software\\Tree"));
}

TEST_F(AboutDlgTest, RepaintResetsControlsToStoredState) {
    CAboutDlg dlg;
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));

    // Changed on screen but never stored.
    Autostart(dlg)->setChecked(true);
    AutoConnect(dlg)->setChecked(true);
    {
        const QSignalBlocker quiet(Country(dlg));
        Country(dlg)->setCurrentIndex(1);
    }
    dlg.repaint();
    EXPECT_FALSE(Autostart(dlg)->isChecked());
    EXPECT_FALSE(AutoConnect(dlg)->isChecked());
    EXPECT_EQ(Country(dlg)->currentIndex(), 0);

    // Stored behind the dialog's back.
    settings::SetAutostart(true);
    ASSERT_EQ(Store("Software\\Tintorel", "AutoConnect", REG_DWORD, Dword(1)), ERROR_SUCCESS);
    GetPhonebook()->SetCountry(1, true);
    dlg.repaint();
    EXPECT_TRUE(Autostart(dlg)->isChecked());
    EXPECT_TRUE(AutoConnect(dlg)->isChecked());
    EXPECT_EQ(Country(dlg)->currentIndex(), 1);
    EXPECT_EQ(m_env.ReadFile("phonebook.txt"), "country;1\r\n");

    // OK ends the dialog and changes nothing.
    const std::string registry = m_env.ReadFile("registry.reg");
    qobject_cast<QPushButton*>(FindControl(&dlg, 1))->click();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(m_env.ReadFile("registry.reg"), registry);
}

TEST_F(AboutDlgTest, OpensCentredInTheWorkAreaWhateverItsOwner) {
    // The notification window that opens it sits in a corner of the screen.
    const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
    QWidget owner;
    owner.setGeometry(work.right() - 200, work.bottom() - 80, 200, 80);
    owner.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&owner));

    CAboutDlg dlg(&owner);
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    const QPoint centre = dlg.frameGeometry().center();
    EXPECT_NEAR(centre.x(), work.center().x(), 1);
    EXPECT_NEAR(centre.y(), work.center().y(), 1);
}
