// The store reads phonebook.txt again only when it may have changed, and clears away what a
// killed save left behind.
#include "phonebook/Phonebook.h"
#include "platform/StaleTemporaries.h"
#include "tests/support/InChild.h"
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
using testing_support::RunInChild;
using testing_support::TestEnv;

namespace {

void Rewrite(const TestEnv& env, const std::string& name, const std::string& text,
             timespec modified) {
    env.WriteFile(name, text);
    const timespec times[2] = {{0, UTIME_OMIT}, modified};
    ASSERT_EQ(utimensat(AT_FDCWD, env.Path(name).c_str(), times, 0), 0);
}

bool Has(const CPhonebook& book, const std::string& number) {
    std::string name;
    return book.FindEntry(number, name);
}

} // namespace

TEST(PhonebookReread, OnlyAChangedFileIsReadAgain) {
    TestEnv env;
    BoxRecorder boxes;
    const timespec hourAgo{std::time(nullptr) - 3600, 123456789};
    Rewrite(env, "phonebook.txt", "1;aaaa\r\n", hourAgo);
    CPhonebook book;
    // Same file, size and time to the nanosecond: taken for what was read.
    Rewrite(env, "phonebook.txt", "2;bbbb\r\n", hourAgo);
    book.Load();
    EXPECT_FALSE(Has(book, "2"));
    Rewrite(env, "phonebook.txt", "2;bbbb\r\n", {hourAgo.tv_sec, hourAgo.tv_nsec + 1});
    book.Load();
    EXPECT_TRUE(Has(book, "2"));
    // Another file put in its place, same size and time.
    Rewrite(env, "other.txt", "3;cccc\r\n", {hourAgo.tv_sec, hourAgo.tv_nsec + 1});
    ASSERT_EQ(std::rename(env.Path("other.txt").c_str(), env.Path("phonebook.txt").c_str()), 0);
    book.Load();
    EXPECT_TRUE(Has(book, "3"));

    // A change in the same tick of the file system's clock would leave the same time behind:
    // a recent time is not trusted. This very second in whole seconds (as some file systems
    // keep them), then a time the clock has not reached.
    const timespec recent[] = {{std::time(nullptr), 0}, {std::time(nullptr) + 3600, 5}};
    for (int i = 0; i < 2; ++i) {
        Rewrite(env, "phonebook.txt", "4;dddd\r\n", recent[i]);
        book.Load();
        Rewrite(env, "phonebook.txt", std::to_string(5 + i) + ";eeee\r\n", recent[i]);
        book.Load();
        EXPECT_TRUE(Has(book, std::to_string(5 + i))) << i;
    }
    EXPECT_EQ(boxes.Count(), 0u);
}

TEST(PhonebookStaleTemporaries, OnlyThoseOfEndedProcessesGo) {
    TestEnv env;
    BoxRecorder boxes;
    const pid_t ended = fork();
    if (ended == 0)
        _exit(0);
    ASSERT_EQ(waitpid(ended, nullptr, 0), ended);
    const pid_t running = fork();
    if (running == 0) {
        pause();
        _exit(0);
    }
    ASSERT_GT(running, 0);

    const std::string stale = "phonebook.txt.tmp-" + std::to_string(ended) + "-3";
    const std::string kept[] = {
        "phonebook.txt.tmp-" + std::to_string(running) + "-0",
        stale + "x", // not a name a save makes
        "phonebook.txt.tmp-0" + std::to_string(ended) + "-3",
        "isdncall.log.tmp-" + std::to_string(ended) + "-3",
    };
    env.WriteFile(stale, "1;half a sa");
    for (const std::string& name : kept)
        env.WriteFile(name, "x");

    CPhonebook book;
    EXPECT_FALSE(env.FileExists(stale));
    for (const std::string& name : kept)
        EXPECT_TRUE(env.FileExists(name)) << name;
    EXPECT_EQ(boxes.Count(), 0u);
    kill(running, SIGKILL);
    waitpid(running, nullptr, 0);
}

// kill() answers EPERM for a process of another user: it runs all the same, and so does its
// save.
TEST(PhonebookStaleTemporaries, AnotherUsersRunningProcessKeepsItsFile) {
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root, to run processes as two other users";
    TestEnv env;
    const pid_t writer = fork();
    if (writer == 0) {
        if (setgid(testing_support::kNobody) == 0 && setuid(testing_support::kNobody) == 0)
            pause();
        _exit(1);
    }
    ASSERT_GT(writer, 0);
    const pid_t ended = fork();
    if (ended == 0)
        _exit(0);
    ASSERT_EQ(waitpid(ended, nullptr, 0), ended);
    // The check runs as a third user, who may remove files in the folder.
    ASSERT_EQ(chmod(env.Dir().c_str(), 0777), 0);
    const std::string running = "phonebook.txt.tmp-" + std::to_string(writer) + "-0";
    const std::string stale = "phonebook.txt.tmp-" + std::to_string(ended) + "-0";
    env.WriteFile(running, "1;half a sa");
    env.WriteFile(stale, "1;half a sa");

    const auto check = [&] {
        errno = 0;
        EXPECT_EQ(kill(writer, 0), -1);
        EXPECT_EQ(errno, EPERM);
        EXPECT_EQ(platform::RemoveStaleTemporaries(env.Path("phonebook.txt")), 1);
    };
    EXPECT_EQ(RunInChild(check, {.uid = testing_support::kDaemon}), "");
    EXPECT_TRUE(env.FileExists(running));
    EXPECT_FALSE(env.FileExists(stale));
    kill(writer, SIGKILL);
    waitpid(writer, nullptr, 0);
}
