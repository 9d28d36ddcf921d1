// A burst of calls through the real libcapi20 and linesim: each CONNECT_IND followed by its
// DISCONNECT_IND, all in one write, with a handler that only counts.
// Usage: capi_bench [pairs]   (default: 1000)

#include "capi/Capi.h"
#include "tools/linesim/LineSim.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

std::atomic<int> g_calls{0};

int CountCall(const char*, const char*, unsigned) {
    ++g_calls;
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    const int pairs = argc > 1 ? std::atoi(argv[1]) : 1000;
    if (pairs <= 0) {
        std::fprintf(stderr, "usage: capi_bench [pairs]\n");
        return 2;
    }
    linesim::LineSim sim;
    if (!sim.Start()) {
        std::perror("linesim");
        return 1;
    }
    const std::string target = "rcapi:127.0.0.1:" + std::to_string(sim.Port());
    ::setenv("TINTOREL_CAPI", target.c_str(), 1);
    capi::SetIncomingCallHandler(CountCall);
    if (!capi::InitCAPI())
        return 1;
    capi::StartCAPIThread();
    if (!sim.WaitForCount("LISTEN_REQ", 1))
        return 1;
    std::this_thread::sleep_for(std::chrono::milliseconds(200)); // the LISTEN_CONF is taken

    std::vector<linesim::Bytes> burst;
    for (int i = 0; i < pairs; ++i) {
        linesim::Call call;
        call.calling = "079" + std::to_string(1000000 + i);
        call.called = "1234";
        const std::uint32_t plci = (static_cast<std::uint32_t>(i % 255 + 1) << 8) | 1;
        const auto number = static_cast<std::uint16_t>(2 * i + 1);
        burst.push_back(linesim::BuildConnectInd(call, plci, number));
        burst.push_back(linesim::BuildMessage(0x04, 0x82, number + 1, plci, {0x90, 0x34}));
    }
    const auto start = Clock::now();
    if (sim.SendRaw(burst) != 1)
        return 1;
    // Done when every call was cleared; a stall of 10 s means something was lost.
    auto last = Clock::now();
    int cleared = 0;
    while (cleared < pairs && Clock::now() - last < std::chrono::seconds(10)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        const int now = sim.Count("DISCONNECT_RESP");
        if (now != cleared)
            last = Clock::now();
        cleared = now;
    }
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    const int alerted = sim.Count("ALERT_REQ");
    capi::StopCAPI();
    std::printf("pairs %d: handled %d, alerted %d, cleared %d, in %.0f ms\n", pairs, g_calls.load(),
                alerted, cleared, ms);
    const bool complete = g_calls == pairs && alerted == pairs && cleared == pairs;
    if (!complete)
        std::printf("calls lost\n");
    std::fflush(stdout);
    std::quick_exit(complete ? 0 : 1);
}
