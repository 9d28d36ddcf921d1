#include "platform/ModulePath.h"
#include "platform/FileLocations.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <string>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

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
    // Cut at the root folder; a root folder closed to this user sends the file to the data
    // folder.
    EXPECT_EQ(std::string(GetCallLogPath()),
              access("/", W_OK) == 0 ? "/isdncall.log" : env.Path("data/tintorel/isdncall.log"));
    EXPECT_EQ(boxes.Count(), 3u);
}

TEST(FileLocations, InstalledProgramKeepsItsFilesInTheUserDataFolder) {
    TestEnv env;
    BoxRecorder boxes;
    setenv("XDG_DATA_HOME", "data", 1); // relative: ignored, the default under HOME
    platform::SetModuleFileNameOverride("/usr/bin/tintorel");
    const std::string folder = env.Path(".local/share/tintorel");
    EXPECT_EQ(std::string(GetPhonebookPath()), folder + "/phonebook.txt");
    EXPECT_EQ(std::string(GetCallLogPath()), folder + "/isdncall.log");
    struct stat st;
    ASSERT_EQ(stat(folder.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(boxes.Count(), 0u);
}

TEST(FileLocations, ReadOnlyProgramFolderStartsTheDataFolderFromItsFiles) {
    TestEnv env;
    BoxRecorder boxes;
    const std::string program = env.Path("program");
    ASSERT_EQ(mkdir(program.c_str(), 0700), 0);
    // A read-only mount refuses even root; without the right to mount, a folder and file
    // closed to writing do the same for anyone else.
    struct Undo {
        std::string path;
        bool mounted = false;
        ~Undo() {
            if (mounted)
                umount2(path.c_str(), MNT_DETACH);
            chmod(path.c_str(), 0700);
        }
    } undo{program};
    undo.mounted = mount("tmpfs", program.c_str(), "tmpfs", 0, "size=64k") == 0;
    env.WriteFile("program/phonebook.txt", "0791234567;Martin Paul\r\ncountry;0\r\n");
    if (undo.mounted)
        ASSERT_EQ(mount("tmpfs", program.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, "size=64k"), 0);
    else if (geteuid() == 0)
        GTEST_SKIP() << "root may write any folder it can't mount read-only";
    else
        ASSERT_TRUE(chmod((program + "/phonebook.txt").c_str(), 0444) == 0 &&
                    chmod(program.c_str(), 0555) == 0);
    platform::SetModuleFileNameOverride(program + "/tintorel");

    const std::string folder = env.Path("data/tintorel");
    EXPECT_EQ(std::string(GetPhonebookPath()), folder + "/phonebook.txt");
    EXPECT_EQ(std::string(GetCallLogPath()), folder + "/isdncall.log");
    // The phonebook carried over, writable; no log beside the program, none made up.
    EXPECT_EQ(env.ReadFile("data/tintorel/phonebook.txt"),
              "0791234567;Martin Paul\r\ncountry;0\r\n");
    EXPECT_EQ(access((folder + "/phonebook.txt").c_str(), W_OK), 0);
    EXPECT_FALSE(env.FileExists("data/tintorel/isdncall.log"));
    EXPECT_EQ(boxes.Count(), 0u);
}

TEST(FileLocations, DataFolderThatCannotBeMadeIsTriedAgain) {
    TestEnv env;
    BoxRecorder boxes;
    env.WriteFile("data", "a file where the folder should be");
    platform::SetModuleFileNameOverride("/usr/local/bin/tintorel");
    const char* log = GetCallLogPath();
    EXPECT_EQ(std::string(log), env.Path("data/tintorel/isdncall.log"));
    EXPECT_FALSE(env.FileExists("data/tintorel"));

    ASSERT_EQ(unlink(env.Path("data").c_str()), 0);
    EXPECT_EQ(GetCallLogPath(), log);
    EXPECT_TRUE(env.FileExists("data/tintorel"));
    EXPECT_EQ(boxes.Count(), 0u); // the writers tell about files they can't write
}
