// The one place calls are handled: one at a time, in arrival order, and a call that two line
// sources both report handled once.

#include "line/Dispatch.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using line::CallDispatch;
using line::Source;
using namespace std::chrono_literals;

namespace {

struct Recorder {
    std::mutex mutex;
    std::vector<std::string> calls;
    std::atomic<int> inside{0};
    std::atomic<int> mostInside{0};

    CallDispatch::Handler Handler(std::chrono::milliseconds takes = 0ms) {
        return [this, takes](const char* calling, const char* called) {
            const int now = ++inside;
            mostInside = std::max(mostInside.load(), now);
            std::this_thread::sleep_for(takes);
            {
                std::lock_guard lock(mutex);
                calls.push_back(std::string(calling) + ">" + called);
            }
            --inside;
            return 0;
        };
    }
};

} // namespace

TEST(Dispatch, CallsFromSeveralThreadsOneAtATimeInArrivalOrder) {
    CallDispatch dispatch;
    Recorder recorder;
    dispatch.SetHandler(recorder.Handler(200ms));
    // The first call is being handled while the others arrive, each a little later.
    std::vector<std::thread> sources;
    for (int i = 0; i < 4; ++i) {
        sources.emplace_back([&dispatch, i] {
            dispatch.Take(i % 2 ? Source::CallMonitor : Source::Capi, std::to_string(i), "9");
        });
        std::this_thread::sleep_for(40ms);
    }
    for (auto& source : sources)
        source.join();
    EXPECT_EQ(recorder.calls, (std::vector<std::string>{"0>9", "1>9", "2>9", "3>9"}));
    EXPECT_EQ(recorder.mostInside.load(), 1);
}

TEST(Dispatch, TheSameCallFromBothSourcesIsHandledOnce) {
    CallDispatch dispatch;
    Recorder recorder;
    dispatch.SetHandler(recorder.Handler());

    EXPECT_TRUE(dispatch.Take(Source::Capi, "0791234567", "021"));
    EXPECT_FALSE(dispatch.Take(Source::CallMonitor, "0791234567", "021"));
    // Withheld on both.
    EXPECT_TRUE(dispatch.Take(Source::CallMonitor, "", "021"));
    EXPECT_FALSE(dispatch.Take(Source::Capi, "", "021"));
    // Another called number, or the same source twice: different calls.
    EXPECT_TRUE(dispatch.Take(Source::CallMonitor, "0791234567", "022"));
    EXPECT_TRUE(dispatch.Take(Source::CallMonitor, "0791234567", "022"));
    EXPECT_EQ(recorder.calls.size(), 4u);
}

TEST(Dispatch, ReportsMoreThanThreeSecondsApartAreTwoCalls) {
    CallDispatch dispatch;
    Recorder recorder;
    dispatch.SetHandler(recorder.Handler());
    EXPECT_TRUE(dispatch.Take(Source::Capi, "0791234567", "021"));
    std::this_thread::sleep_for(CallDispatch::kSameCallWindow + 200ms);
    EXPECT_TRUE(dispatch.Take(Source::CallMonitor, "0791234567", "021"));
    EXPECT_EQ(recorder.calls.size(), 2u);
}
