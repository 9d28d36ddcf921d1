// The one place calls are handled: one at a time, in arrival order, and a call that two line
// sources both report handled once.

#include "line/CallQueue.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <future>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

using line::CallQueue;
using line::IncomingCall;
using line::Source;
using namespace std::chrono_literals;

namespace {

struct Recorder {
    std::mutex mutex;
    std::vector<std::string> calls;
    std::atomic<int> inside{0};
    std::atomic<int> mostInside{0};

    CallQueue::Handler Handler(std::chrono::milliseconds takes = 0ms) {
        return [this, takes](const IncomingCall& call) {
            const int now = ++inside;
            mostInside = std::max(mostInside.load(), now);
            std::this_thread::sleep_for(takes);
            {
                std::lock_guard lock(mutex);
                calls.push_back(call.calling + ">" + call.called);
            }
            --inside;
        };
    }
};

IncomingCall Call(Source source, std::string calling, std::string called) {
    IncomingCall call;
    call.calling = std::move(calling);
    call.called = std::move(called);
    call.source = source;
    return call;
}

} // namespace

TEST(Dispatch, CallsFromSeveralThreadsOneAtATimeInArrivalOrder) {
    CallQueue dispatch;
    Recorder recorder;
    dispatch.SetHandler(recorder.Handler(200ms));
    // The first call is being handled while the others arrive, each a little later.
    std::vector<std::thread> sources;
    for (int i = 0; i < 4; ++i) {
        sources.emplace_back([&dispatch, i] {
            dispatch.Take(Call(i % 2 ? Source::CallMonitor : Source::Capi, std::to_string(i), "9"));
        });
        std::this_thread::sleep_for(40ms);
    }
    for (auto& source : sources)
        source.join();
    EXPECT_EQ(recorder.calls, (std::vector<std::string>{"0>9", "1>9", "2>9", "3>9"}));
    EXPECT_EQ(recorder.mostInside.load(), 1);
}

TEST(Dispatch, TheSameCallFromBothSourcesIsHandledOnce) {
    CallQueue dispatch;
    Recorder recorder;
    dispatch.SetHandler(recorder.Handler());

    EXPECT_TRUE(dispatch.Take(Call(Source::Capi, "0791234567", "021")));
    EXPECT_FALSE(dispatch.Take(Call(Source::CallMonitor, "0791234567", "021")));
    // Withheld on both.
    EXPECT_TRUE(dispatch.Take(Call(Source::CallMonitor, "", "021")));
    EXPECT_FALSE(dispatch.Take(Call(Source::Capi, "", "021")));
    // Another called number, or the same source twice: different calls.
    EXPECT_TRUE(dispatch.Take(Call(Source::CallMonitor, "0791234567", "022")));
    EXPECT_TRUE(dispatch.Take(Call(Source::CallMonitor, "0791234567", "022")));
    EXPECT_EQ(recorder.calls.size(), 4u);
}

TEST(Dispatch, ReportsMoreThanThreeSecondsApartAreTwoCalls) {
    CallQueue dispatch;
    Recorder recorder;
    dispatch.SetHandler(recorder.Handler());
    EXPECT_TRUE(dispatch.Take(Call(Source::Capi, "0791234567", "021")));
    std::this_thread::sleep_for(CallQueue::kSameCallWindow + 200ms);
    EXPECT_TRUE(dispatch.Take(Call(Source::CallMonitor, "0791234567", "021")));
    EXPECT_EQ(recorder.calls.size(), 2u);
}

TEST(Dispatch, AHandlerThatFailsIsReportedAndTheNextCallsGoThrough) {
    // Standard output into a file for the time of the test.
    std::fflush(stdout);
    std::FILE* captured = std::tmpfile();
    ASSERT_NE(captured, nullptr);
    const int saved = ::dup(STDOUT_FILENO);
    ASSERT_GE(::dup2(::fileno(captured), STDOUT_FILENO), 0);

    CallQueue dispatch;
    std::vector<IncomingCall> handled;
    dispatch.SetHandler([&](const IncomingCall& call) {
        if (call.calling == "1")
            throw std::runtime_error("lookup broke");
        handled.push_back(call);
    });
    EXPECT_TRUE(dispatch.Take(Call(Source::Capi, "1", "9")));
    // The next call, on another thread, gets its turn instead of waiting for ever.
    IncomingCall second = Call(Source::CallMonitor, "2", "9");
    second.callingType = line::NumberType::National;
    auto taken = std::async(std::launch::async, [&] { return dispatch.Take(second); });
    const bool done = taken.wait_for(10s) == std::future_status::ready;

    std::fflush(stdout);
    ::dup2(saved, STDOUT_FILENO);
    ::close(saved);
    std::string text(4096, '\0');
    text.resize(static_cast<std::size_t>(
        std::max<ssize_t>(::pread(::fileno(captured), text.data(), text.size(), 0), 0)));
    std::fclose(captured);

    ASSERT_TRUE(done) << "the call after a failed one waits for ever";
    EXPECT_TRUE(taken.get());
    ASSERT_EQ(handled.size(), 1u);
    // The call arrives whole: numbers, source and type of number.
    EXPECT_EQ(handled[0].calling, "2");
    EXPECT_EQ(handled[0].called, "9");
    EXPECT_EQ(handled[0].source, Source::CallMonitor);
    EXPECT_EQ(handled[0].callingType, line::NumberType::National);
    EXPECT_EQ(text, "Error: the incoming call handler failed: lookup broke\n");
}
