// The command line in each language, through the real program run without a display: --help,
// a mistake, a request with no copy running and a command's summary read in German under a
// German locale and in English under an English one, the "Langue" setting wins, and French is
// --help as it always was under C, fr_FR and a language the program doesn't have.

#include "tests/support/ProgramRun.h"
#include "tests/support/TestEnv.h"

#include <QFile>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

using testing_support::TestEnv;

namespace {

using Outcome = testing_support::ProgramOutcome;

class CommandLineLanguagesTest : public ::testing::Test {
  protected:
    void SetUp() override { std::filesystem::copy_file(TINTOREL_EXE, m_env.ExecutablePath()); }

    Outcome Tintorel(const QStringList& arguments, const QString& lang,
                     const QString& language = {}) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LANG"), lang);
        if (!language.isEmpty())
            env.insert(QStringLiteral("LANGUAGE"), language);
        return testing_support::RunWithoutDisplay(m_env.ExecutablePath(), arguments, env);
    }

    TestEnv m_env;
};

std::string FrenchHelp() {
    QFile file(QStringLiteral(TINTOREL_I18N_DIR "/french-help.txt"));
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

} // namespace

TEST_F(CommandLineLanguagesTest, GermanUnderAGermanLocale) {
    const Outcome help = Tintorel({QStringLiteral("--help")}, QStringLiteral("de_CH.UTF-8"));
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Aufruf: tintorel [Option]\n", 0), 0u) << help.out;
    EXPECT_NE(help.out.find("  --import <Datei>  "), std::string::npos) << help.out;
    EXPECT_NE(help.out.find("Beendet das bereits laufende Tintorel.\n"), std::string::npos);

    const Outcome wrong = Tintorel({QStringLiteral("--bogus")}, QStringLiteral("de_AT.UTF-8"));
    EXPECT_EQ(wrong.status, 2);
    EXPECT_EQ(wrong.err, "tintorel: unbekannte Option «--bogus».\n"
                         "Für die Liste der Optionen: tintorel --help\n");

    const Outcome request =
        Tintorel({QStringLiteral("--quit")}, QStringLiteral("C"), QStringLiteral("de"));
    EXPECT_EQ(request.status, 1);
    EXPECT_EQ(request.err, "Tintorel läuft nicht.\n");

    m_env.WriteFile("phonebook.txt", "0791234567;Martin Paul\r\ncountry;0\r\n");
    const Outcome exported =
        Tintorel({QStringLiteral("--export"), QString::fromStdString(m_env.Path("out.csv"))},
                 QStringLiteral("de_DE.UTF-8"));
    EXPECT_EQ(exported.status, 0) << exported.err;
    EXPECT_EQ(exported.out, "1 Eintrag exportiert\n");
    // The file's own heading stays as the program reads it back.
    EXPECT_EQ(m_env.ReadFile("out.csv").rfind("\xEF\xBB\xBFNom,Numéro\r\n", 0), 0u);
}

TEST_F(CommandLineLanguagesTest, EnglishUnderAnEnglishLocaleAndTheSettingWins) {
    const Outcome help = Tintorel({QStringLiteral("--help")}, QStringLiteral("en_US.UTF-8"));
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: tintorel [option]\n", 0), 0u) << help.out;

    const Outcome bad =
        Tintorel({QStringLiteral("--import"), QString::fromStdString(m_env.Path("none.vcf"))},
                 QStringLiteral("en_GB.UTF-8"));
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.err.rfind("Cannot read \"" + m_env.Path("none.vcf") + "\": ", 0), 0u) << bad.err;

    m_env.WriteFile("registry.reg", "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Tintorel]\n"
                                    "\"Language\"=\"en\"\n");
    const Outcome chosen = Tintorel({QStringLiteral("--quit")}, QStringLiteral("de_CH.UTF-8"));
    EXPECT_EQ(chosen.err, "Tintorel is not running.\n");
    m_env.WriteFile("registry.reg", "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Tintorel]\n"
                                    "\"Language\"=\"fr\"\n");
    const Outcome french = Tintorel({QStringLiteral("--quit")}, QStringLiteral("en_US.UTF-8"));
    EXPECT_EQ(french.err, "Tintorel ne tourne pas.\n");
}

TEST_F(CommandLineLanguagesTest, FrenchAsItAlwaysWas) {
    const std::string expected = FrenchHelp();
    ASSERT_FALSE(expected.empty());
    for (const char* lang : {"C", "fr_FR.UTF-8", "ja_JP.UTF-8"}) {
        const Outcome help = Tintorel({QStringLiteral("--help")}, QString::fromLatin1(lang));
        EXPECT_EQ(help.status, 0) << lang;
        EXPECT_EQ(help.out, expected) << lang;
    }
    const Outcome wrong = Tintorel({QStringLiteral("--bogus")}, QStringLiteral("fr_CH.UTF-8"));
    EXPECT_EQ(wrong.err, "tintorel : option inconnue « --bogus ».\n"
                         "Pour la liste des options : tintorel --help\n");
}
