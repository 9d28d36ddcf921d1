// The start sequence and the shutdown through the modal run, on a simulated line reached by
// the real libcapi20.

#include "WindowTestBase.h"

#include "ui/MessageBox.h"
#include "ui/Tray.h"
#include "tools/linesim/LineSim.h"

#include <QKeyEvent>
#include <QPushButton>

#include <chrono>

namespace {

using testing_support::ClosedPort;

void UseLine(std::uint16_t port) {
    const std::string value = "rcapi:127.0.0.1:" + std::to_string(port);
    setenv("TINTOREL_CAPI", value.c_str(), 1);
}

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

class StartupTest : public WindowTestBase {};

} // namespace

TEST_F(StartupTest, CapiMissingShowsTheMessageAndEnds) {
    UseLine(ClosedPort());
    bool trayShownAtMessage = false;
    std::vector<platform::MessageBoxRequest> boxes;
    platform::SetMessageBoxRecorder([&](const platform::MessageBoxRequest& request) {
        boxes.push_back(request);
        trayShownAtMessage = m_dlg->Tray()->Icon()->isVisible();
        return platform::IDOK;
    });
    m_dlg->DoModal();
    platform::SetMessageBoxRecorder({});

    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, QStringLiteral("Impossible de se connecter au driver CAPI."));
    EXPECT_EQ(boxes[0].icon, platform::MsgIcon::Error);
    EXPECT_EQ(boxes[0].buttons, platform::MsgButtons::Ok);
    EXPECT_EQ(boxes[0].caption, platform::DisplayName());
    EXPECT_TRUE(boxes[0].hasOwner);
    EXPECT_TRUE(trayShownAtMessage);
    EXPECT_TRUE(m_dlg->IsDestroyed());
    EXPECT_FALSE(m_dlg->isVisible());
    EXPECT_FALSE(m_dlg->Tray()->Icon()->isVisible());
    // The window's icons were set before.
    EXPECT_FALSE(m_dlg->windowIcon().isNull());
    EXPECT_FALSE(m_dlg->Button(CCallPopupDlg::IDC_PHONEBOOK)->icon().isNull());
}

TEST_F(StartupTest, StartsShowsACallAndEndsOnEscape) {
    m_env.WriteFile("phonebook.txt", "0791234567;Martin Paul\r\ncountry;0\r\n");
    linesim::LineSim line;
    ASSERT_TRUE(line.Start());
    UseLine(line.Port());

    CCallPopupDlg* dlg = m_dlg.get();
    std::atomic<bool> shownAtStart{false}, hiddenAfterStart{false}, shownWithName{false};
    std::atomic<bool> alerted{false};
    std::thread driver([&] {
        shownAtStart = WaitUntil([] { return IsMainWindowShown(); }, std::chrono::seconds(10));
        hiddenAfterStart = WaitUntil([] { return !IsMainWindowShown(); }, std::chrono::seconds(5));
        line.Ring({.controller = 1, .calling = "0791234567", .called = "0219876543"});
        alerted = line.WaitFor([](const std::string& l) { return l.find("ALERT_REQ") == 0; }) >= 0;
        shownWithName = WaitUntil(
            [this] { return IsMainWindowShown() && m_state.Texts().name == "Martin Paul"; },
            std::chrono::seconds(10));
        QMetaObject::invokeMethod(
            dlg,
            [dlg] {
                QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                QApplication::sendEvent(dlg, &escape);
            },
            Qt::QueuedConnection);
    });
    m_dlg->DoModal();
    driver.join();

    EXPECT_TRUE(shownAtStart);
    EXPECT_TRUE(hiddenAfterStart);
    EXPECT_TRUE(alerted);
    EXPECT_TRUE(shownWithName);
    EXPECT_EQ(m_state.Texts().called, "0219876543");
    EXPECT_TRUE(m_dlg->IsDestroyed());
    EXPECT_FALSE(m_dlg->Tray()->Icon()->isVisible());
    // The registration was released at the shutdown.
    EXPECT_TRUE(WaitUntil([&] { return line.Applications() == 0; }, std::chrono::seconds(5)));
    EXPECT_EQ(m_boxes.Count(), 0u);
}
