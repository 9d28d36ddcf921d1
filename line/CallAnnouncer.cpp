#include "line/CallAnnouncer.h"

#include "calllog/CallLog.h"
#include "line/CallListener.h"
#include "line/CallSharer.h"
#include "line/CallView.h"
#include "line/Notification.h"
#include "phonebook/Phonebook.h"
#include "platform/Sound.h"

#include <ctime>
#include <string>

namespace line {

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

} // namespace

void CallAnnouncer::ShareCall(const IncomingCall& call) {
    if (!m_sharer || call.source == Source::Mqtt)
        return;
    std::string name;
    if (!call.calling.empty())
        GetPhonebook()->FindEntry(call.calling, name);
    m_sharer->CallHeard(call, name);
}

std::string CallAnnouncer::NameOf(const IncomingCall& call) {
    if (call.source == Source::Mqtt && !call.name.empty()) {
        std::string name;
        if (GetPhonebook()->FindEntry(call.calling, name))
            return name;
        return call.name;
    }
    return GetPhonebook()->LookupCaller(call.calling);
}

int CallAnnouncer::IncomingCallHandler(const IncomingCall& call) {
    ShareCall(call);
    platform::MessageBeep(platform::MB_ICONEXCLAMATION);

    const std::string& number = call.calling;
    DisplayTexts texts;
    texts.calling = number.empty() ? "Anonyme" : number;
    texts.called = call.called;
    texts.time = LocalTimeText();
    texts.name = number.empty() ? "" : "Recherche...";
    m_state.SetTexts(texts);
    CallNotice notice{++m_calls, number, texts.called, texts.time, {}, number.empty()};
    if (m_listener)
        m_listener->CallUpdated(notice);

    if (!number.empty()) {
        // Hold any pending hide while the lookup runs, or "Recherche..." would vanish within
        // one countdown step whenever an earlier countdown had already run out.
        m_state.SetHideCountdown(kHideIdle);
        m_view.ShowAndRepaint();
        notice.name = NameOf(call);
        notice.lookedUp = true;
        m_state.SetName(notice.name);
        if (m_listener)
            m_listener->CallUpdated(notice);
    }

    platform::MessageBeep(platform::MB_ICONASTERISK);
    m_view.ShowAndRepaint();
    m_state.SetHideCountdown(8000);

    texts = m_state.Texts();
    AppendCallLog(texts.calling.c_str(), texts.called.c_str(), texts.name.c_str());

    m_view.ShowInCorner();
    return 0;
}

} // namespace line
