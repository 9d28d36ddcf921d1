// The command line's contacts functions run in-process, their standard output and error caught
// in files: no display, no CAPI, the real store and files in the test's own folder.

#include "app/ContactsCommands.h"
#include "calllog/LogOwner.h"
#include "platform/InstanceLock.h"
#include "platform/ModulePath.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

#include <fcntl.h>
#include <unistd.h>

using testing_support::TestEnv;

namespace {

struct Output {
    int code = -1;
    std::string out, err;
};

Output Capture(const TestEnv& env, const std::function<int()>& command) {
    std::fflush(nullptr);
    const int saved[] = {dup(1), dup(2)};
    for (int fd : {1, 2}) {
        const std::string name = env.Path(fd == 1 ? "out" : "err");
        const int file = open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(file, fd);
        close(file);
    }
    Output result;
    result.code = command();
    std::fflush(nullptr);
    for (int fd : {1, 2}) {
        dup2(saved[fd - 1], fd);
        close(saved[fd - 1]);
    }
    result.out = env.ReadFile("out");
    result.err = env.ReadFile("err");
    return result;
}

} // namespace

TEST(ContactsCommands, ImportWhileAnotherCopyRunsPrintsSummaryAndSkipped) {
    TestEnv env;
    ASSERT_TRUE(TakeLogOwnership()); // the running copy's role
    env.WriteFile("phonebook.txt", "0221234567;Dupont\r\ncountry;0\r\n");
    env.WriteFile("contacts.csv", "Nom;Téléphone\r\nMartin;079 765 43 21\r\n"
                                  "Durand;022 123 45 67\r\nSansnum;\r\n");

    const Output run = Capture(env, [&] { return RunImport(env.Path("contacts.csv"), false); });
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(run.err, "");
    // The summary, then a line for each contact left out, naming it.
    const std::string summary = "1 entrées importées, 2 ignorées\n";
    ASSERT_EQ(run.out.substr(0, summary.size()), summary) << run.out;
    const std::string skipped = run.out.substr(summary.size());
    EXPECT_EQ(std::count(skipped.begin(), skipped.end(), '\n'), 2) << skipped;
    EXPECT_NE(skipped.find("Durand"), std::string::npos) << skipped;
    EXPECT_NE(skipped.find("Sansnum"), std::string::npos) << skipped;
    EXPECT_NE(env.ReadFile("phonebook.txt").find("0797654321;Martin\r\n"), std::string::npos);
}

TEST(ContactsCommands, UnreadableOrMalformedFileExitsOneAndLeavesThePhonebook) {
    TestEnv env;
    const std::string book = "0221234567;Dupont\r\ncountry;0\r\n";
    env.WriteFile("phonebook.txt", book);
    env.WriteFile("broken.csv", "Nom,Téléphone\r\n\"Martin,079 765 43 21\r\n");
    env.WriteFile("binary.vcf", std::string("BEGIN:VCARD\r\nFN:\x7F\0\x01\x02", 20));
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
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(run.out, "2 entrées exportées\n");
    EXPECT_NE(env.ReadFile("annuaire.vcf").find("FN:Zoé Martin\r\n"), std::string::npos);
    run = Capture(env, [&] { return RunExportHistory(env.Path("appels.csv")); });
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(run.out, "1 appel exporté\n");
    EXPECT_NE(env.ReadFile("appels.csv").find("2024-02-01T10:00:00,0221234567,0441111111,Dupont"),
              std::string::npos);
    run = Capture(env, [&] { return RunExport(env.Path("annuaire.txt")); });
    EXPECT_EQ(run.code, 1);
    EXPECT_NE(run.err.find("annuaire.txt"), std::string::npos) << run.err;

    int error = 0;
    const auto role = GetLogOwnerPaths(error);
    ASSERT_TRUE(role);
    EXPECT_FALSE(platform::InstanceLockHeld(role->lock)) << "a command took the log-owner role";
    EXPECT_FALSE(g_bLogOwner.load());
}

TEST(ContactsCommands, WhatTheStoreTellsGoesToStandardErrorNotToABox) {
    TestEnv env;
    testing_support::BoxRecorder boxes; // as a window would show them
    // With no folder for the program's files, the file locations tell the user so, and the
    // bare file names land in the current folder.
    platform::SetModuleFileNameOverride(std::nullopt);
    const std::filesystem::path cwd = std::filesystem::current_path();
    std::filesystem::current_path(env.Dir());
    const Output run = Capture(env, [&] { return RunExportHistory(env.Path("appels.csv")); });
    std::filesystem::current_path(cwd);
    EXPECT_EQ(run.code, 1);
    EXPECT_NE(run.err.find("Impossible d'obtenir le répertoire de l'application"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(boxes.Count(), 0u);
}
