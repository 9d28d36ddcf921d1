#include "line/Notification.h"

namespace line {

DisplayTexts NotificationState::Texts() const {
    std::lock_guard lock(m_textMutex);
    return m_texts;
}

void NotificationState::SetTexts(DisplayTexts texts) {
    std::lock_guard lock(m_textMutex);
    m_texts = std::move(texts);
}

void NotificationState::SetName(std::string name) {
    std::lock_guard lock(m_textMutex);
    m_texts.name = std::move(name);
}

bool NotificationState::CountDown() {
    int left = m_nHideCountdown.load();
    if (left > 0) {
        // A value set by another thread meanwhile wins over the decrement.
        m_nHideCountdown.compare_exchange_strong(left, left - kHideStep);
        return false;
    }
    // Between -249 and 0: the time is up; the idle value never hides.
    return left > -kHideStep && m_bAutoHide.load();
}

void NotificationState::SetCorner(int cornerX, int cornerY) {
    m_nCornerX.store(cornerX);
    m_nCornerY.store(cornerY);
}

} // namespace line
