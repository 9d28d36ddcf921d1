// The words the files keep stay French under another language: a withheld caller and a number
// the directory doesn't know are logged "Anonyme" and "Inconnu", the phonebook editor stores
// "Inconnu" for what it shows "Unbekannt", and "Anonyme" stays the entry of the ignored callers;
// the windows show them in German.

#include "tests/window/WindowTestBase.h"

#include "calllog/LogOwner.h"
#include "line/CallListener.h"
#include "phonebook/LookupWords.h"
#include "platform/Registry.h"
#include "settings/NumberLists.h"
#include "tests/support/HttpFixtureServer.h"
#include "translations/Language.h"
#include "ui/CallListDlg.h"
#include "ui/CallNotification.h"
#include "ui/DialogUnits.h"
#include "ui/LinesDlg.h"
#include "ui/ListCtrl.h"
#include "ui/PhonebookDlg.h"

#include <QLineEdit>
#include <QPushButton>

namespace {

class MarkersTest : public WindowTestBase {
  protected:
    void SetUp() override {
        ASSERT_TRUE(translations::InstallLanguage(QStringLiteral("de")));
        WindowTestBase::SetUp();
        g_bLogOwner.store(true);
        m_env.WriteFile("phonebook.txt", "country;0\r\n");
        // The directory answers, without a name.
        m_directory.ServeDefault(
            testing_support::HttpFixtureServer::HttpResponse("<html>Aucun resultat</html>"));
        setenv("TINTOREL_DIRECTORY", m_directory.HostPort().c_str(), 1);
        platform::HKEY key = nullptr;
        ASSERT_EQ(platform::RegCreateKeyEx(platform::HKEY_LOCAL_MACHINE, "Software\\Tintorel",
                                           platform::KEY_WRITE, &key),
                  platform::ERROR_SUCCESS);
        const platform::DWORD on = 1;
        platform::RegSetValueEx(key, "AutoConnect", platform::REG_DWORD,
                                reinterpret_cast<const platform::BYTE*>(&on), sizeof on);
        platform::RegCloseKey(key);
    }
    void TearDown() override {
        WindowTestBase::TearDown();
        unsetenv("TINTOREL_DIRECTORY");
        translations::InstallLanguage(QStringLiteral("fr"));
    }

    testing_support::HttpFixtureServer m_directory;
};

} // namespace

TEST_F(MarkersTest, TheLogKeepsFrenchWordsTheWindowsShowInGerman) {
    ASSERT_TRUE(RunCall("", "0219876543"));
    ASSERT_TRUE(RunCall("0449999999", "0219876543"));
    // The shared state and the log hold what the files always held.
    EXPECT_EQ(m_state.Texts().name, "Inconnu");
    const std::string log = m_env.ReadFile("isdncall.log");
    EXPECT_NE(log.find(";Anonyme;0219876543;\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find(";0449999999;0219876543;Inconnu\r\n"), std::string::npos) << log;
    EXPECT_NE(m_env.ReadFile("unknown-numbers.txt").find("0449999999;"), std::string::npos);
    EXPECT_EQ(m_env.ReadFile("phonebook.txt"), "country;0\r\n");

    // The window and the notification show them in German.
    EXPECT_EQ(ShownWord(QStringLiteral("Anonyme")), QStringLiteral("Anonym"));
    EXPECT_EQ(ShownWord(QStringLiteral("Inconnu")), QStringLiteral("Unbekannt"));
    line::CallNotice notice;
    notice.number = "0449999999";
    notice.name = "Inconnu";
    notice.lookedUp = true;
    EXPECT_EQ(ui::DescribeCall(notice, false, false).body,
              QStringLiteral("Nummer: 0449999999\nName: Unbekannt"));

    // The history shows them in German, finds them so, and offers no name for the phonebook.
    CCallListDlg history;
    auto* list = qobject_cast<ui::CListCtrl*>(ui::FindControl(&history, 1007));
    ASSERT_EQ(list->GetItemCount(), 2);
    EXPECT_EQ(list->GetItemText(0, 1), "Anonym");
    EXPECT_EQ(list->GetItemText(1, 3), "Unbekannt");
    qobject_cast<QLineEdit*>(ui::FindControl(&history, 1030))->setText(QStringLiteral("unbek"));
    ASSERT_EQ(list->GetItemCount(), 1);
    EXPECT_EQ(list->GetItemText(0, 1), "0449999999");
}

TEST_F(MarkersTest, ThePhonebookEditorStoresTheFrenchWordItShowsInGerman) {
    CPhonebookDlg editor;
    qobject_cast<QLineEdit*>(ui::FindControl(&editor, 1011))->setText(QStringLiteral("0449999999"));
    editor.findChild<QPushButton*>(QStringLiteral("searchButton"))->click();
    auto* name = qobject_cast<QLineEdit*>(ui::FindControl(&editor, 1012));
    EXPECT_EQ(name->text(), QStringLiteral("Unbekannt"));
    qobject_cast<QPushButton*>(ui::FindControl(&editor, 1013))->click();
    EXPECT_NE(m_env.ReadFile("phonebook.txt").find("0449999999;Inconnu\r\n"), std::string::npos)
        << m_env.ReadFile("phonebook.txt");
}

TEST_F(MarkersTest, WithheldNumbersAreIgnoredAsAnonymeWhateverTheLanguage) {
    CLinesDlg dialog(m_lines);
    auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("ignoredEdit"));
    auto* list = dialog.findChild<ui::CListCtrl*>(QStringLiteral("ignoredList"));
    ASSERT_TRUE(edit && list);
    edit->setText(QStringLiteral("anonym"));
    dialog.findChild<QPushButton*>(QStringLiteral("addIgnoredButton"))->click();
    EXPECT_EQ(m_boxes.Count(), 0u);
    EXPECT_EQ(settings::ReadIgnoredNumbers(), std::vector<std::string>{"Anonyme"});
    ASSERT_EQ(list->GetItemCount(), 1);
    EXPECT_EQ(list->GetItemText(0, 0), "Anonym");
    list->SetSelectionMark(0);
    dialog.findChild<QPushButton*>(QStringLiteral("removeIgnoredButton"))->click();
    EXPECT_TRUE(settings::ReadIgnoredNumbers().empty());
    EXPECT_EQ(m_boxes.Count(), 0u);
}
