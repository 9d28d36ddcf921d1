// The auto-hide loop: counts the window's display time down in 250 ms steps and hides it
// when the time is up, unless the user opened it from the tray.

#include "shell/CallPopupDlg.h"

#include <chrono>
#include <mutex>
#include <thread>

std::atomic<bool> g_bAutoHide{true};
std::atomic<int> g_nHideCountdown{kHideIdle};

unsigned AutoHideThreadProc(void*) {
    constexpr auto kStep = std::chrono::milliseconds(250);
    for (;;) {
        int left = g_nHideCountdown.load();
        if (left > 0) {
            // A value set by another thread meanwhile wins over the decrement.
            if (g_nHideCountdown.compare_exchange_strong(left, left - 250))
                std::this_thread::sleep_for(kStep);
            continue;
        }
        if (left > -250 && g_bAutoHide.load() && IsMainWindowShown())
            RunOnMainWindow(
                [](CCallPopupDlg& window) {
                    // Still wanted? A call or the tray may have come in between.
                    const int now = g_nHideCountdown.load();
                    if (now <= 0 && now > -250 && g_bAutoHide.load())
                        window.hide();
                },
                false);
        std::this_thread::sleep_for(kStep);
    }
}

void StartAutoHideThread() {
    static std::once_flag started;
    std::call_once(started, [] { std::thread(AutoHideThreadProc, nullptr).detach(); });
}
