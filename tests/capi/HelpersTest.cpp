// What every line source shares: the retry schedule and the diagnostic lines.

#include "capi/Diagnostics.h"
#include "capi/RetrySchedule.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

TEST(RetrySchedule, WidensAndStartsOverOnlyAfterAConnectionThatStayedUp) {
    capi::RetrySchedule schedule;
    std::vector<int> delays;
    for (int i = 0; i < 7; ++i)
        delays.push_back(schedule.Next());
    EXPECT_EQ(delays, (std::vector<int>{1, 2, 4, 8, 16, 30, 30}));

    const capi::RetrySchedule::Clock::time_point t{};
    // Up for a little under a minute: the steps go on.
    schedule.Connected(t);
    schedule.Lost(t + 59s);
    EXPECT_EQ(schedule.Next(), 30);
    // Up for a minute: they start over.
    schedule.Connected(t);
    schedule.Lost(t + 60s);
    EXPECT_EQ(schedule.Next(), 1);
    EXPECT_EQ(schedule.Next(), 2);
    // A loss with no connection before it (a failed attempt) changes nothing.
    schedule.Lost(t + 3600s);
    EXPECT_EQ(schedule.Next(), 4);
}

TEST(Diagnostics, LinesOfTwoThreadsNeverInterleave) {
    std::fflush(stdout);
    std::FILE* captured = std::tmpfile();
    ASSERT_NE(captured, nullptr);
    const int saved = ::dup(STDOUT_FILENO);
    ASSERT_GE(::dup2(::fileno(captured), STDOUT_FILENO), 0);
    // Long lines, so that a line written in pieces would be cut by the other thread's.
    const std::string filler(3000, 'x');
    auto write = [&](char who) {
        for (int i = 0; i < 500; ++i)
            capi::Sayf("%c %d %s\n", who, i, filler.c_str());
    };
    std::thread a(write, 'a');
    std::thread b(write, 'b');
    a.join();
    b.join();
    std::fflush(stdout);
    ::dup2(saved, STDOUT_FILENO);
    ::close(saved);

    std::string text;
    char buffer[65536];
    for (off_t at = 0;;) {
        const ssize_t n = ::pread(::fileno(captured), buffer, sizeof buffer, at);
        if (n <= 0)
            break;
        text.append(buffer, static_cast<std::size_t>(n));
        at += n;
    }
    std::fclose(captured);
    std::istringstream lines(text);
    std::set<std::string> seen;
    std::size_t count = 0;
    for (std::string line; std::getline(lines, line); ++count) {
        const auto space = line.find(' ');
        ASSERT_EQ(line.substr(line.rfind(' ') + 1), filler) << "a line was cut";
        seen.insert(line.substr(0, line.find(' ', space + 1)));
    }
    EXPECT_EQ(count, 1000u);
    EXPECT_EQ(seen.size(), 1000u);
}

} // namespace
