// The command line as a user meets it: the real program, a copy of it in a folder of its own
// (where any file it made would show), run without a display.

#include "tests/support/ProgramRun.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <set>
#include <string>

using testing_support::TestEnv;

namespace {

using Outcome = testing_support::ProgramOutcome;

class CommandLineTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::copy_file(TINTOREL_EXE, m_env.ExecutablePath());
        m_before = Listing();
    }

    Outcome Tintorel(const QStringList& arguments) const {
        return testing_support::RunWithoutDisplay(m_env.ExecutablePath(), arguments);
    }

    // Every file and folder under the test's folder.
    std::set<std::string> Listing() const {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(m_env.Dir()))
            names.insert(entry.path().string());
        return names;
    }

    TestEnv m_env;
    std::set<std::string> m_before;
};

TEST_F(CommandLineTest, HelpAndVersionNeedNoDisplayLineOrFile) {
    for (const char* help : {"--help", "-h"}) {
        const Outcome run = Tintorel({QString::fromLatin1(help)});
        EXPECT_EQ(run.status, 0) << help;
        EXPECT_NE(run.out.find("Utilisation : tintorel [option]"), std::string::npos) << run.out;
        // One option a line, the texts in a column of their own.
        for (const char* line :
             {R"(\n  -h, --help +Affiche cette aide et quitte\.\n)",
              R"(\n  -v, --version +Affiche la version et quitte\.\n)",
              R"(\n  --import <fichier> +Importe dans l'annuaire )",
              R"(\n  --overwrite +Avec --import : remplace )",
              R"(\n  --export <fichier> +Exporte l'annuaire )",
              R"(\n  --export-history <fichier> +Exporte la liste des appels)",
              R"(\n  --history +Ouvre la liste des appels dans Tintorel déjà )",
              R"(\n  --phonebook +Ouvre l'annuaire dans Tintorel déjà lancé\.\n)",
              R"(\n  --lines +Ouvre la fenêtre des lignes dans Tintorel )",
              R"(\n  --about +Ouvre « à propos » et les options dans )",
              R"(\n  --quit +Quitte Tintorel déjà lancé\.\n)"})
            EXPECT_TRUE(std::regex_search(run.out, std::regex(line))) << line << "\n" << run.out;
        EXPECT_EQ(run.err, "");
    }
    const Outcome version = Tintorel({QStringLiteral("--version")});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "Tintorel version " PROGRAM_VERSION "\n");
    EXPECT_EQ(version.err, "");
    // Qt's own options are Qt's: a session manager's restart command is no error.
    EXPECT_EQ(Tintorel({"-session", "10d4e3", "-style=fusion", "-v"}).out, version.out);

    // A plain run goes on to start, and without a display stops there, as it always did.
    const Outcome plain = Tintorel(QStringList());
    EXPECT_EQ(plain.status, 1);
    EXPECT_NE(plain.err.find("no X display"), std::string::npos) << plain.err;

    EXPECT_EQ(Listing(), m_before);
}

TEST_F(CommandLineTest, AnythingElseIsToldAndEndsWithStatus2) {
    const std::pair<QStringList, std::string> cases[] = {
        {{"--bogus"}, "tintorel : option inconnue « --bogus »."},
        {{"-v", "-x=1"}, "tintorel : option inconnue « -x=1 »."},
        {{"phonebook.txt"}, "tintorel : argument inattendu « phonebook.txt »."},
        {{"--", "-h"}, "tintorel : argument inattendu « -h »."},
        {{"-style"}, "tintorel : il manque une valeur après « -style »."},
        {{"--history", "--quit"}, "tintorel : --history et --quit ne vont pas ensemble."},
        {{"--export", "f.csv", "-about"}, "tintorel : --export et -about ne vont pas ensemble."},
    };
    for (const auto& [arguments, told] : cases) {
        const Outcome run = Tintorel(arguments);
        EXPECT_EQ(run.status, 2) << told;
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, told + "\nPour la liste des options : tintorel --help\n");
    }
    EXPECT_EQ(Listing(), m_before);
}

TEST_F(CommandLineTest, ContactsCommandsWorkWithoutADisplay) {
    m_env.WriteFile("phonebook.txt", "0791234567;Martin Paul\r\ncountry;0\r\n");
    m_env.WriteFile("cards.vcf", "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Dupont Jean\r\n"
                                 "TEL:+41 21 987 65 43\r\nEND:VCARD\r\n"
                                 "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Autre\r\n"
                                 "TEL:079 123 45 67\r\nEND:VCARD\r\n");
    const QString cards = QString::fromStdString(m_env.Path("cards.vcf"));
    const Outcome imported = Tintorel({QStringLiteral("--import"), cards});
    EXPECT_EQ(imported.status, 0) << imported.err;
    EXPECT_EQ(imported.out.substr(0, imported.out.find('\n')), "1 entrées importées, 1 ignorées");
    EXPECT_NE(imported.out.find("Martin Paul"), std::string::npos) << imported.out;
    EXPECT_NE(m_env.ReadFile("phonebook.txt").find("0219876543;Dupont Jean"), std::string::npos);

    const Outcome overwritten =
        Tintorel({QStringLiteral("--import"), cards, QStringLiteral("--overwrite")});
    EXPECT_EQ(overwritten.status, 0);
    EXPECT_NE(m_env.ReadFile("phonebook.txt").find("0791234567;Autre"), std::string::npos);

    const Outcome exported =
        Tintorel({QStringLiteral("--export"), QString::fromStdString(m_env.Path("out.csv"))});
    EXPECT_EQ(exported.status, 0) << exported.err;
    EXPECT_NE(m_env.ReadFile("out.csv").find("0219876543"), std::string::npos);

    // A file that can't be read: status 1, the phonebook as it was.
    const std::string before = m_env.ReadFile("phonebook.txt");
    const Outcome missing =
        Tintorel({QStringLiteral("--import"), QString::fromStdString(m_env.Path("none.vcf"))});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err, "");
    EXPECT_EQ(m_env.ReadFile("phonebook.txt"), before);

    // Options that don't go together.
    EXPECT_EQ(Tintorel({QStringLiteral("--overwrite")}).status, 2);
    EXPECT_EQ(
        Tintorel({QStringLiteral("--export"), cards, QStringLiteral("--import"), cards}).status, 2);
}

TEST_F(CommandLineTest, RequestsWithNoCopyRunningSaySoAndEndWithStatus1) {
    for (const char* option : {"--history", "--phonebook", "--lines", "--about", "--quit"}) {
        const Outcome run = Tintorel({QString::fromLatin1(option)});
        EXPECT_EQ(run.status, 1) << option;
        EXPECT_EQ(run.out, "") << option;
        EXPECT_EQ(run.err, "Tintorel ne tourne pas.\n") << option;
    }
    // Nothing is made to ask: no runtime folder, no data folder.
    EXPECT_EQ(Listing(), m_before);
}

} // namespace
