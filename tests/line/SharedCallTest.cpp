// The same-call rule with copies that share calls through the broker: each copy that
// published a call is a source of its own.

#include "line/CallQueue.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using line::IncomingCall;
using line::Source;

namespace {

IncomingCall Call(Source source, const std::string& origin, const std::string& calling) {
    IncomingCall call;
    call.calling = calling;
    call.called = "0219876543";
    call.source = source;
    call.origin = origin;
    return call;
}

} // namespace

TEST(SharedCalls, ACallHeardHereAndFromOtherCopiesIsHandledOnce) {
    line::CallQueue queue;
    std::vector<std::string> handled;
    queue.SetHandler([&](const IncomingCall& call) { handled.push_back(call.calling); });

    // Heard on this copy's line, then shared by two other copies that heard it too.
    EXPECT_TRUE(queue.Take(Call(Source::CallMonitor, "", "0791234567")));
    EXPECT_FALSE(queue.Take(Call(Source::Mqtt, "tintorel-a-1", "0791234567")));
    EXPECT_FALSE(queue.Take(Call(Source::Mqtt, "tintorel-c-3", "0791234567")));
    // Shared by two copies first, without a line of this copy's own.
    EXPECT_TRUE(queue.Take(Call(Source::Mqtt, "tintorel-a-1", "0228887777")));
    EXPECT_FALSE(queue.Take(Call(Source::Mqtt, "tintorel-c-3", "0228887777")));
    // One copy that shares a second call from the same number: a call of its own.
    EXPECT_TRUE(queue.Take(Call(Source::Mqtt, "tintorel-a-1", "0228887777")));
    EXPECT_EQ(handled, (std::vector<std::string>{"0791234567", "0228887777", "0228887777"}));
}
