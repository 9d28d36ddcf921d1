// The command line's contacts functions run in-process, their standard output and error caught
// in files: no display, no CAPI, the real store and files in the test's own folder.

#include "app/ContactsCommands.h"
#include "calllog/LogOwner.h"
#include "platform/InstancePipe.h"
#include "platform/ModulePath.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

using testing_support::BoxRecorder;
using testing_support::TestEnv;

namespace {

struct Output {
    int code = -1;
    std::string out, err;
};

// Runs a command with standard output and error going to files of the test's folder.
Output Capture(const TestEnv& env, const std::function<int()>& command) {
    std::fflush(stdout);
    std::fflush(stderr);
    const int savedOut = dup(1), savedErr = dup(2);
    const int out = open(env.Path("stdout").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = open(env.Path("stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(out, 1);
    dup2(err, 2);
    close(out);
    close(err);
    Output result;
    result.code = command();
    std::fflush(stdout);
    std::fflush(stderr);
    dup2(savedOut, 1);
    dup2(savedErr, 2);
    close(savedOut);
    close(savedErr);
    result.out = env.ReadFile("stdout");
    result.err = env.ReadFile("stderr");
    return result;
}

// Another copy of the program, as far as the commands could notice it: a process of its own
// holding the instance pipe. Forked before the test starts any thread.
class RunningCopy {
  public:
    RunningCopy() {
        int ready[2];
        if (pipe(ready) != 0)
            ADD_FAILURE() << "pipe";
        m_pid = fork();
        if (m_pid == 0) {
            int error = 0;
            const char held = platform::CreateInstancePipe(error) == platform::PipeResult::Created;
            (void)!write(ready[1], &held, 1);
            pause();
            _exit(0);
        }
        close(ready[1]);
        char held = 0;
        EXPECT_EQ(read(ready[0], &held, 1), 1);
        EXPECT_TRUE(held);
        close(ready[0]);
    }
    ~RunningCopy() {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }

  private:
    pid_t m_pid = -1;
};

} // namespace

TEST(ContactsCommands, ImportBesideARunningCopyPrintsSummaryAndSkipped) {
    TestEnv env;
    RunningCopy copy;
    env.WriteFile("phonebook.txt", "0221234567;Dupont\r\ncountry;0\r\n");
    env.WriteFile("contacts.csv", "Nom;Téléphone\r\nMartin;079 765 43 21\r\n"
                                  "Durand;022 123 45 67\r\nSansnum;\r\n");

    const Output run = Capture(env, [&] { return RunImport(env.Path("contacts.csv"), false); });
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const std::string summary = "1 entrées importées, 2 ignorées\n";
    ASSERT_EQ(run.out.substr(0, summary.size()), summary) << run.out;
    // Then one line for each contact left out, naming it.
    const std::string skipped = run.out.substr(summary.size());
    EXPECT_EQ(std::count(skipped.begin(), skipped.end(), '\n'), 2) << skipped;
    EXPECT_NE(skipped.find("Durand"), std::string::npos) << skipped;
    EXPECT_NE(skipped.find("Sansnum"), std::string::npos) << skipped;
    const std::string book = env.ReadFile("phonebook.txt");
    EXPECT_NE(book.find("0797654321;Martin\r\n"), std::string::npos) << book;
    EXPECT_NE(book.find("0221234567;Dupont\r\n"), std::string::npos) << book;

    // With overwrite the stored name gives way.
    EXPECT_EQ(Capture(env, [&] { return RunImport(env.Path("contacts.csv"), true); }).code, 0);
    EXPECT_NE(env.ReadFile("phonebook.txt").find("0221234567;Durand\r\n"), std::string::npos);
    EXPECT_TRUE(platform::InstancePipeExists(1000)) << "the running copy keeps its pipe";
}

TEST(ContactsCommands, UnreadableOrMalformedFileExitsOneAndLeavesThePhonebook) {
    TestEnv env;
    const std::string book = "0221234567;Dupont\r\ncountry;0\r\n";
    env.WriteFile("phonebook.txt", book);
    env.WriteFile("broken.csv", "Nom,Téléphone\r\n\"Martin,079 765 43 21\r\n");
    env.WriteFile("binary.vcf", std::string("\x7F"
                                            "ELF\x02\x01\x01\0\0\0",
                                            10) +
                                    "BEGIN:VCARD");
    for (const std::string name : {"missing.vcf", "broken.csv", "binary.vcf"}) {
        const Output run = Capture(env, [&] { return RunImport(env.Path(name), true); });
        EXPECT_EQ(run.code, 1) << name;
        EXPECT_EQ(run.out, "") << name;
        EXPECT_NE(run.err.find(name), std::string::npos) << name << ": " << run.err;
        EXPECT_EQ(env.ReadFile("phonebook.txt"), book) << name;
    }
}

TEST(ContactsCommands, ExportsWriteTheFilesAndTakeNoRole) {
    TestEnv env;
    env.WriteFile("phonebook.txt",
                  "0221234567;Dupont\r\n0797654321;Zo\xE9 Martin\r\ncountry;0\r\n");
    env.WriteFile("isdncall.log", "01/02/24 10:00:00;0221234567;0441111111;Dupont\r\n");

    Output run = Capture(env, [&] { return RunExport(env.Path("annuaire.vcf")); });
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.out, "2 entrées exportées\n");
    EXPECT_NE(env.ReadFile("annuaire.vcf").find("FN:Zoé Martin\r\n"), std::string::npos);

    run = Capture(env, [&] { return RunExportHistory(env.Path("appels.csv")); });
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.out, "1 appel exporté\n");
    EXPECT_NE(env.ReadFile("appels.csv").find("2024-02-01T10:00:00,0221234567,0441111111,Dupont"),
              std::string::npos);

    run = Capture(env, [&] { return RunExport(env.Path("annuaire.txt")); });
    EXPECT_EQ(run.code, 1);
    EXPECT_NE(run.err.find("annuaire.txt"), std::string::npos) << run.err;
    EXPECT_FALSE(env.FileExists("annuaire.txt"));

    EXPECT_FALSE(platform::InstancePipeExists(200)) << "a command claimed the instance pipe";
    EXPECT_FALSE(g_bLogOwner.load());
}

TEST(ContactsCommands, WhatTheStoreTellsGoesToStandardErrorNotToABox) {
    TestEnv env;
    BoxRecorder boxes; // as a window would show them
    // With no folder for the program's files the file locations tell the user so.
    platform::SetModuleFileNameOverride(std::nullopt);
    const std::filesystem::path cwd = std::filesystem::current_path();
    std::filesystem::current_path(env.Dir()); // where the bare file names then land

    const Output run = Capture(env, [&] { return RunExportHistory(env.Path("appels.csv")); });
    std::filesystem::current_path(cwd);
    EXPECT_EQ(run.code, 1);
    EXPECT_NE(run.err.find("Impossible d'obtenir le répertoire de l'application"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(boxes.Count(), 0u);
}
