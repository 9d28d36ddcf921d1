#include "platform/ModulePath.h"
#include "platform/FileLocations.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <string>

using testing_support::BoxRecorder;
using testing_support::TestEnv;

TEST(FileLocations, PathsBesideExecutableAndStableWithinRun) {
    TestEnv env;
    BoxRecorder boxes;
    const char* phonebook = GetPhonebookPath();
    const char* log = GetCallLogPath();
    EXPECT_EQ(std::string(phonebook), env.Path("phonebook.txt"));
    EXPECT_EQ(std::string(log), env.Path("isdncall.log"));
    // Kept for the run: the same text, even once the executable "moved".
    platform::SetModuleFileNameOverride("/elsewhere/tintorel");
    EXPECT_EQ(GetPhonebookPath(), phonebook);
    EXPECT_EQ(GetCallLogPath(), log);
    EXPECT_EQ(boxes.Count(), 0u);
}

TEST(FileLocations, UnknownFolderFallsBackToBareNameAndIsRetried) {
    TestEnv env;
    BoxRecorder boxes;
    platform::SetModuleFileNameOverride(std::nullopt);
    EXPECT_STREQ(GetPhonebookPath(), "phonebook.txt");
    platform::SetModuleFileNameOverride("tintorel"); // no folder part
    EXPECT_STREQ(GetCallLogPath(), "isdncall.log");
    EXPECT_STREQ(GetPhonebookPath(), "phonebook.txt");

    auto requests = boxes.Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].text, "Impossible d'obtenir le répertoire de l'application (1).");
    EXPECT_EQ(requests[1].text, "Impossible d'obtenir le répertoire de l'application (2).");
    EXPECT_EQ(requests[2].text, requests[1].text);
    for (const auto& r : requests) {
        EXPECT_EQ(r.icon, platform::MsgIcon::Error);
        EXPECT_EQ(r.buttons, platform::MsgButtons::Ok);
        EXPECT_EQ(r.caption, "tintorel"); // no caption of its own: the display name
    }

    // A failed computation was not kept: once the folder is known, it is used.
    platform::SetModuleFileNameOverride("/opt/tintorel/tintorel");
    EXPECT_STREQ(GetPhonebookPath(), "/opt/tintorel/phonebook.txt");
    platform::SetModuleFileNameOverride("/tintorel");
    EXPECT_STREQ(GetCallLogPath(), "/isdncall.log");
    EXPECT_EQ(boxes.Count(), 3u);
}
