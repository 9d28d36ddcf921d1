// German and English in the windows: under a German locale (de_CH, or LANGUAGE=de whatever
// LANG says) and an English one, the windows, menus, line states, notifications and message
// boxes read in that language, nothing is left in French, and the "Langue" setting wins over
// the locale.

#include "platform/Registry.h"
#include "settings/Settings.h"
#include "tests/i18n/Language.h"
#include "tests/i18n/WindowTexts.h"
#include "tests/support/TestEnv.h"
#include "ui/MessageBox.h"
#include "ui/PhonebookDlg.h"
#include "ui/DialogUnits.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <set>

using testing_support::LineWithText;

namespace {

// Every text differs from its French one, but for words that are the same in every language.
void ExpectNothingLeftInFrench(const QStringList& texts) {
    const std::set<QString> same = {QStringLiteral("OK"),           QStringLiteral("X"),
                                    QStringLiteral("    Tintorel"), QStringLiteral("Tintorel"),
                                    QStringLiteral("France"),       QStringLiteral("MSN"),
                                    QStringLiteral("Date"),         QStringLiteral("Français"),
                                    QStringLiteral("Deutsch"),      QStringLiteral("English")};
    const QStringList french = testing_support::FrenchWindowTexts();
    ASSERT_EQ(texts.size(), french.size());
    for (qsizetype i = 0; i < texts.size(); ++i) {
        if (texts[i] != french[i])
            continue;
        const QString text = french[i].section(QStringLiteral(": "), 1);
        EXPECT_TRUE(same.count(text)) << "still French: " << french[i].toStdString();
    }
}

// The buttons of a real message box with Yes, No and Cancel, as the program shows it.
QStringList BoxButtons() {
    QStringList buttons;
    QTimer::singleShot(0, [&buttons] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        for (QAbstractButton* button : box->buttons())
            buttons << button->text();
        box->button(QMessageBox::Cancel)->click();
    });
    ui::ShowMessageBox(QStringLiteral("?"), {}, ui::MsgIcon::Question, ui::MsgButtons::YesNoCancel);
    buttons.sort();
    return buttons;
}

// A message box of the phonebook editor: the fields are empty.
QString EmptyFieldsMessage() {
    testing_support::BoxRecorder boxes;
    CPhonebookDlg dialog;
    qobject_cast<QPushButton*>(ui::FindControl(&dialog, 1013))->click();
    return boxes.Count() == 1 ? boxes.Requests()[0].text : QString();
}

void ExpectGerman(const QStringList& texts) {
    for (const auto& [where, text] : std::initializer_list<std::pair<const char*, const char*>>{
             {"CAboutDlg#AboutDlg148 title", "Tintorel, Info"},
             {"QLabel#languageLabel text", "Sprache:"},
             {"QLabel#languageNote text", "Gilt ab dem nächsten Start"},
             {"QComboBox#languageCombo item", "Automatisch"},
             {"CLinesDlg#LinesDlg title", "Tintorel, Leitungen"},
             {"QLabel#monitorLabel text", "Anrufmonitor:"},
             {"CPhonebookDlg#PhonebookDlg140 title", "Telefonbuch"},
             {"QPushButton#newNumberButton text", "Neue Nummer"},
             {"QMenu#popup entry", "Beenden"},
             {"CCallListDlg#CallListDlg136 title", "Anrufliste"},
             {"QMenu entry", "Diese Nummer ignorieren"},
             {"tip 4",
              "Tintorel - CAPI-Leitung verloren, neuer Versuch in 30 s; Anrufmonitor nicht "
              "erreichbar, neuer Versuch in 30 s; MQTT-Broker nicht erreichbar, neuer Versuch in "
              "30 s"},
             {"notification unknown body",
              "Nummer: 0791234567|Name: Unbekannt|Angerufene Nummer: 0219876543 (Bureau)|Zeit: "
              "18:20:59"},
             {"notification withheld summary", "Anruf mit unterdrückter Nummer"},
         })
        EXPECT_FALSE(
            LineWithText(texts, QString::fromUtf8(where), QString::fromUtf8(text)).isEmpty())
            << where << ": " << text;
    ExpectNothingLeftInFrench(texts);
    EXPECT_EQ(EmptyFieldsMessage(), QStringLiteral("Keine Telefonnummer oder kein Name"));
}

void ExpectEnglish(const QStringList& texts) {
    for (const auto& [where, text] : std::initializer_list<std::pair<const char*, const char*>>{
             {"CAboutDlg#AboutDlg148 title", "About Tintorel"},
             {"QLabel#languageLabel text", "Language:"},
             {"CLinesDlg#LinesDlg title", "Tintorel lines"},
             {"QPushButton#newNumberButton text", "New number"},
             {"QMenu#popup entry", "Quit"},
             {"CCallListDlg#CallListDlg136 title", "Call history"},
             {"capi state 2", "Connected, 2 controllers"},
             {"notification withheld body",
              "Withheld number|Number called: 0219876543 (Bureau)|Time: 18:20:59"},
         })
        EXPECT_FALSE(
            LineWithText(texts, QString::fromUtf8(where), QString::fromUtf8(text)).isEmpty())
            << where << ": " << text;
    ExpectNothingLeftInFrench(texts);
    EXPECT_EQ(EmptyFieldsMessage(), QStringLiteral("No phone number or no name"));
}

} // namespace

TEST(WindowLanguages, GermanUnderASwissGermanLocale) {
    testing_support::TestEnv env;
    testing_support::BoxRecorder boxes;
    ASSERT_EQ(testing_support::UseLocale("de_CH.UTF-8"), QStringLiteral("de"));
    ExpectGerman(testing_support::AllWindowTexts());
}

TEST(WindowLanguages, GermanFromLanguageWhateverLangSays) {
    testing_support::TestEnv env;
    testing_support::BoxRecorder boxes;
    ASSERT_EQ(testing_support::UseLocale("C", "de"), QStringLiteral("de"));
    ExpectGerman(testing_support::AllWindowTexts());
}

TEST(WindowLanguages, EnglishUnderAnAmericanLocale) {
    testing_support::TestEnv env;
    testing_support::BoxRecorder boxes;
    ASSERT_EQ(testing_support::UseLocale("en_US.UTF-8"), QStringLiteral("en"));
    ExpectEnglish(testing_support::AllWindowTexts());
}

TEST(WindowLanguages, TheSettingWinsOverTheLocale) {
    testing_support::TestEnv env;
    testing_support::BoxRecorder boxes;
    settings::SetLanguage("en");
    ASSERT_EQ(testing_support::UseLocale("de_CH.UTF-8"), QStringLiteral("en"));
    ExpectEnglish(testing_support::AllWindowTexts());
}

TEST(WindowLanguages, QtsOwnButtonsFollowGermanAndStayAsTheyWereInFrench) {
    testing_support::TestEnv env;
    ASSERT_EQ(testing_support::UseLocale("de_CH.UTF-8"), QStringLiteral("de"));
    // Qt's German texts come with its translations package (qt6-translations-l10n).
    EXPECT_EQ(BoxButtons(), (QStringList{QStringLiteral("&Ja"), QStringLiteral("&Nein"),
                                         QStringLiteral("Abbrechen")}));
    // French has never loaded Qt's French: its boxes keep Qt's own words.
    settings::SetLanguage("fr");
    ASSERT_EQ(testing_support::UseLocale("de_CH.UTF-8"), QStringLiteral("fr"));
    EXPECT_EQ(BoxButtons(), (QStringList{QStringLiteral("&No"), QStringLiteral("&Yes"),
                                         QStringLiteral("Cancel")}));
}
