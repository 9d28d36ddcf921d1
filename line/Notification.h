#pragma once
// The notification window's state: what it shows, in which corner, and when it hides. The
// incoming-call handler writes it on the line side; the window and the tray read and change it
// on the GUI thread.

#include <atomic>
#include <mutex>
#include <string>

namespace line {

// Countdown value: nothing pending.
constexpr int kHideIdle = -251;
// The countdown runs down in steps of this many milliseconds.
constexpr int kHideStep = 250;

// Windows-1252 texts.
struct DisplayTexts {
    std::string calling, name, time, called;
};

class NotificationState {
  public:
    DisplayTexts Texts() const;
    void SetTexts(DisplayTexts texts);
    void SetName(std::string name);

    // Auto-hide: when set, the window hides once the countdown has run out; cleared while the
    // user keeps the window open from the tray.
    bool AutoHide() const { return m_bAutoHide.load(); }
    void SetAutoHide(bool on) { m_bAutoHide.store(on); }
    // Milliseconds left before the window hides, or kHideIdle.
    int HideCountdown() const { return m_nHideCountdown.load(); }
    void SetHideCountdown(int ms) { m_nHideCountdown.store(ms); }
    // One step of the countdown: true when the window is due to hide now.
    bool CountDown();

    // Corner of the work area: 0 = left/top, 1 = right/bottom; bottom-right at start.
    int CornerX() const { return m_nCornerX.load(); }
    int CornerY() const { return m_nCornerY.load(); }
    void SetCorner(int cornerX, int cornerY);

  private:
    mutable std::mutex m_textMutex; // display texts are replaced whole under it
    DisplayTexts m_texts;
    std::atomic<bool> m_bAutoHide{true};
    std::atomic<int> m_nHideCountdown{kHideIdle};
    std::atomic<int> m_nCornerX{1};
    std::atomic<int> m_nCornerY{1};
};

} // namespace line
