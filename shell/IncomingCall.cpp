// The incoming-call handler: runs on the line watcher's thread for every call, fills the
// display texts, looks the caller up and shows the notification window.

#include "shell/CallPopupDlg.h"

#include "phonebook/Phonebook.h"
#include "platform/Sound.h"
#include "shell/CallLog.h"

#include <ctime>

std::mutex g_textMutex;
std::string g_strCalling;
std::string g_strName;
std::string g_strTime;
std::string g_strCalled;

DisplayTexts GetDisplayTexts() {
    std::lock_guard lock(g_textMutex);
    return {g_strCalling, g_strName, g_strTime, g_strCalled};
}

namespace {

std::string LocalTimeText() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    if (!localtime_r(&now, &local))
        return {};
    char buffer[16];
    std::size_t n = std::strftime(buffer, sizeof buffer, "%H:%M:%S", &local);
    return std::string(buffer, n);
}

// Shows, places and repaints the window, and waits until that is done.
void ShowAndRepaint() {
    RunOnMainWindow(
        [](CCallPopupDlg& window) {
            window.show();
            window.MoveToCorner();
            window.repaint();
        },
        true);
}

} // namespace

int IncomingCallHandler(const char* calling, const char* called) {
    platform::MessageBeep(platform::MB_ICONEXCLAMATION);

    const std::string time = LocalTimeText();
    std::string number = calling ? calling : "";
    {
        std::lock_guard lock(g_textMutex);
        g_strCalling = number;
        g_strCalled = called ? called : "";
        g_strTime = time;
        if (number.empty()) {
            g_strCalling = "Anonyme";
            g_strName.clear();
        } else {
            g_strName = "Recherche...";
        }
    }

    if (!number.empty()) {
        // Hold any pending hide while the lookup runs, or "Recherche..." would vanish within
        // 250 ms whenever an earlier countdown had already run out.
        g_nHideCountdown.store(kHideIdle);
        ShowAndRepaint();
        std::string name = GetPhonebook()->LookupCaller(number);
        std::lock_guard lock(g_textMutex);
        g_strName = std::move(name);
    }

    platform::MessageBeep(platform::MB_ICONASTERISK);
    ShowAndRepaint();
    g_nHideCountdown.store(8000);

    const DisplayTexts texts = GetDisplayTexts();
    AppendCallLog(texts.calling.c_str(), texts.called.c_str(), texts.name.c_str());

    RunOnMainWindow(
        [](CCallPopupDlg& window) {
            window.show();
            window.MoveToCorner();
        },
        true);
    return 0;
}
