// The cache of numbers the directory knew no name for: its week, and a file it can't use.
#include "phonebook/UnknownNumbers.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ctime>

#include <sys/stat.h>

using testing_support::BoxRecorder;
using testing_support::TestEnv;

namespace {

// The local date some days back, as the cache writes it.
std::string DaysAgo(int days) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    local.tm_mday -= days;
    local.tm_hour = 12;
    local.tm_isdst = -1;
    std::mktime(&local);
    char text[16];
    std::strftime(text, sizeof text, "%Y-%m-%d", &local);
    return text;
}

} // namespace

TEST(UnknownNumbers, AWeekOldAnswerIsAskedAgain) {
    TestEnv env;
    const std::string cache = UnknownNumbersPath(env.Path("phonebook.txt"));
    EXPECT_EQ(cache, env.Path("unknown-numbers.txt"));
    env.WriteFile("unknown-numbers.txt",
                  "600;" + DaysAgo(6) + "\r\n700;" + DaysAgo(7) + "\n800;" + DaysAgo(-1) + "\n");
    EXPECT_TRUE(IsRecentlyUnknown(cache, "600"));
    EXPECT_FALSE(IsRecentlyUnknown(cache, "700")); // exactly seven days: asked again
    EXPECT_FALSE(IsRecentlyUnknown(cache, "800")); // a date to come is no answer
    RememberUnknown(cache, "900");
    EXPECT_EQ(env.ReadFile("unknown-numbers.txt"),
              "600;" + DaysAgo(6) + "\n900;" + DaysAgo(0) + "\n");
}

TEST(UnknownNumbers, ACacheThatCannotBeWrittenIsToldOnce) {
    TestEnv env;
    BoxRecorder boxes;
    const std::string cache = UnknownNumbersPath(env.Path("phonebook.txt"));
    // A FIFO in the file's place: neither read (it would never end) nor replaced.
    ASSERT_EQ(mkfifo(cache.c_str(), 0600), 0);
    EXPECT_FALSE(IsRecentlyUnknown(cache, "111"));
    RememberUnknown(cache, "111");
    RememberUnknown(cache, "222");
    struct stat st;
    ASSERT_EQ(stat(cache.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    const auto requests = boxes.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].text, "Erreur lors de l'écriture des numéros inconnus !!");
    EXPECT_EQ(requests[0].caption, "Tintorel");
    EXPECT_EQ(requests[0].icon, platform::MsgIcon::Error);
    EXPECT_EQ(requests[1].text, QString::fromLocal8Bit(std::strerror(ENOTSUP)));

    // Written again, then failing again: told again.
    ASSERT_EQ(unlink(cache.c_str()), 0);
    RememberUnknown(cache, "333");
    EXPECT_TRUE(IsRecentlyUnknown(cache, "333"));
    ASSERT_EQ(unlink(cache.c_str()), 0);
    ASSERT_EQ(mkdir(cache.c_str(), 0700), 0);
    RememberUnknown(cache, "444");
    ASSERT_EQ(boxes.Count(), 4u);
    EXPECT_EQ(boxes.Requests()[3].text, QString::fromLocal8Bit(std::strerror(EISDIR)));
}
