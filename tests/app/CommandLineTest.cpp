// The command line as a user meets it: the real program, a copy of it in a folder of its own
// (where any file it made would show), run without a display.

#include "tests/support/TestEnv.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

using testing_support::TestEnv;

namespace {

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

class CommandLineTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::copy_file(TINTOREL_EXE, m_env.ExecutablePath());
        m_before = Listing();
    }

    Outcome Tintorel(const QStringList& arguments) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QString::fromLatin1(name));
        // Nothing listens there: a program that reached for the line would hang or complain.
        env.insert(QStringLiteral("TINTOREL_CAPI"), QStringLiteral("rcapi:127.0.0.1:9"));
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(QString::fromStdString(m_env.ExecutablePath()), arguments);
        Outcome run;
        if (!process.waitForFinished(30000)) {
            process.kill();
            process.waitForFinished();
            return run;
        }
        if (process.exitStatus() == QProcess::NormalExit)
            run.status = process.exitCode();
        run.out = process.readAllStandardOutput().toStdString();
        run.err = process.readAllStandardError().toStdString();
        return run;
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
        EXPECT_NE(run.out.find("-h, --help     Affiche cette aide et quitte."), std::string::npos)
            << run.out;
        EXPECT_NE(run.out.find("-v, --version  Affiche la version et quitte."), std::string::npos)
            << run.out;
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
    };
    for (const auto& [arguments, told] : cases) {
        const Outcome run = Tintorel(arguments);
        EXPECT_EQ(run.status, 2) << told;
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, told + "\nPour la liste des options : tintorel --help\n");
    }
    EXPECT_EQ(Listing(), m_before);
}

} // namespace
