// The store reads phonebook.txt again only when it may have changed, and clears away what a
// killed save left behind.
#include "phonebook/Phonebook.h"
#include "tests/phonebook_store/PhonebookStoreTestUtil.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <ctime>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using testing_support::BoxRecorder;
using testing_support::TestEnv;

namespace {

void SetModified(const std::string& path, timespec when) {
    const timespec times[2] = {{0, UTIME_OMIT}, when};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

timespec Now() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return now;
}

bool Has(const CPhonebook& book, const std::string& number) {
    std::string name;
    return book.FindEntry(number, name);
}

} // namespace

TEST(PhonebookReread, OnlyAChangedFileIsReadAgain) {
    TestEnv env;
    BoxRecorder boxes;
    const std::string path = env.Path("phonebook.txt");
    const timespec anHourAgo{Now().tv_sec - 3600, 123456789};
    env.WriteFile("phonebook.txt", "1;aaaa\r\ncountry;0\r\n");
    SetModified(path, anHourAgo);
    CPhonebook book;
    ASSERT_TRUE(Has(book, "1"));

    // Same file, size and time to the nanosecond: taken for what was read, so not read.
    env.WriteFile("phonebook.txt", "2;bbbb\r\ncountry;0\r\n");
    SetModified(path, anHourAgo);
    book.Load();
    EXPECT_FALSE(Has(book, "2"));
    // One nanosecond later is a change.
    SetModified(path, {anHourAgo.tv_sec, anHourAgo.tv_nsec + 1});
    book.Load();
    EXPECT_TRUE(Has(book, "2"));

    // Another file put in its place, with the same size and time.
    env.WriteFile("other.txt", "3;cccc\r\ncountry;0\r\n");
    SetModified(env.Path("other.txt"), {anHourAgo.tv_sec, anHourAgo.tv_nsec + 1});
    ASSERT_EQ(std::rename(env.Path("other.txt").c_str(), path.c_str()), 0);
    book.Load();
    EXPECT_TRUE(Has(book, "3"));
    EXPECT_EQ(boxes.Count(), 0u);
}

// A change made in the same tick of the file system's clock as the one read would leave the
// same time behind: such a file is read again at the next load.
TEST(PhonebookReread, ARecentTimeIsNotTrusted) {
    TestEnv env;
    BoxRecorder boxes;
    const std::string path = env.Path("phonebook.txt");
    // Whole seconds, as some file systems keep them, and this very second.
    const timespec thisSecond{Now().tv_sec, 0};
    env.WriteFile("phonebook.txt", "1;aaaa\r\ncountry;0\r\n");
    SetModified(path, thisSecond);
    CPhonebook book;
    env.WriteFile("phonebook.txt", "2;bbbb\r\ncountry;0\r\n");
    SetModified(path, thisSecond);
    book.Load();
    EXPECT_TRUE(Has(book, "2"));

    // A time the clock has not reached yet.
    const timespec ahead{Now().tv_sec + 3600, 5};
    SetModified(path, ahead);
    book.Load();
    env.WriteFile("phonebook.txt", "3;cccc\r\ncountry;0\r\n");
    SetModified(path, ahead);
    book.Load();
    EXPECT_TRUE(Has(book, "3"));
    EXPECT_EQ(boxes.Count(), 0u);
}

TEST(PhonebookStaleTemporaries, OnlyThoseOfEndedProcessesGo) {
    TestEnv env;
    BoxRecorder boxes;
    const pid_t ended = fork();
    ASSERT_GE(ended, 0);
    if (ended == 0)
        _exit(0);
    ASSERT_EQ(waitpid(ended, nullptr, 0), ended);
    const pid_t running = fork();
    ASSERT_GE(running, 0);
    if (running == 0) {
        pause();
        _exit(0);
    }

    const std::string dead = "phonebook.txt.tmp-" + std::to_string(ended);
    const std::string stale = dead + "-3";
    const std::vector<std::string> kept = {
        "phonebook.txt.tmp-" + std::to_string(running) + "-0",
        "phonebook.txt.tmp-" + std::to_string(getpid()) + "-1",
        // Not names a save makes for this phonebook.
        dead + "-3x",
        "phonebook.txt.tmp-0" + std::to_string(ended) + "-3",
        dead,
        "isdncall.log.tmp-" + std::to_string(ended) + "-0",
    };
    env.WriteFile("phonebook.txt", "1;one\r\ncountry;0\r\n");
    env.WriteFile(stale, "1;half a sa");
    for (const std::string& name : kept)
        env.WriteFile(name, "x");
    ASSERT_EQ(mkdir(env.Path(dead + "-4").c_str(), 0700), 0); // not a file

    CPhonebook book;
    EXPECT_FALSE(env.FileExists(stale));
    for (const std::string& name : kept)
        EXPECT_TRUE(env.FileExists(name)) << name;
    EXPECT_TRUE(env.FileExists(dead + "-4"));
    EXPECT_EQ(env.ReadFile("phonebook.txt"), "1;one\r\ncountry;0\r\n");
    EXPECT_EQ(boxes.Count(), 0u);

    kill(running, SIGKILL);
    waitpid(running, nullptr, 0);
}
