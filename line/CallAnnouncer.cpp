#include "line/CallAnnouncer.h"

#include "calllog/CallLog.h"
#include "line/CallCommand.h"
#include "line/CallListener.h"
#include "line/CallSharer.h"
#include "line/CallNumbers.h"
#include "line/CallView.h"
#include "line/Notification.h"
#include "phonebook/Phonebook.h"
#include "platform/Sound.h"

#include <ctime>
#include <string>
#include <utility>

namespace line {

namespace {

std::string LocalTimeText(std::time_t now) {
    std::tm local{};
    if (!localtime_r(&now, &local))
        return {};
    char buffer[16];
    std::size_t n = std::strftime(buffer, sizeof buffer, "%H:%M:%S", &local);
    return std::string(buffer, n);
}

// What the listener is told of a call before its name is known.
CallNotice FirstNotice(std::uint64_t serial, const IncomingCall& call, std::string time,
                       const CallTreatment& treatment) {
    CallNotice notice;
    notice.serial = serial;
    notice.number = call.calling;
    notice.called = call.called;
    notice.time = std::move(time);
    notice.lookedUp = call.calling.empty();
    notice.calledLabel = treatment.calledLabel;
    notice.ignored = treatment.ignored;
    return notice;
}

} // namespace

void CallAnnouncer::ShareCall(const IncomingCall& call, const std::string& calledLabel) {
    if (!m_sharer || call.source == Source::Mqtt)
        return;
    std::string name;
    if (!call.calling.empty())
        GetPhonebook()->FindCaller(call.calling, KindOf(call.callingType), name);
    m_sharer->CallHeard(call, name, calledLabel);
}

std::string CallAnnouncer::NameOf(const IncomingCall& call) {
    if (call.source == Source::Mqtt && !call.name.empty()) {
        std::string name;
        if (GetPhonebook()->FindCaller(call.calling, KindOf(call.callingType), name))
            return name;
        return call.name;
    }
    return GetPhonebook()->LookupCaller(call.calling, KindOf(call.callingType));
}

int CallAnnouncer::IncomingCallHandler(const IncomingCall& call) {
    const CallTreatment treatment = TreatmentOf(call);
    ShareCall(call, treatment.calledLabel);
    const std::time_t now = std::time(nullptr);
    if (treatment.ignored)
        return IgnoredCallHandler(call, treatment, now);

    platform::MessageBeep(platform::MB_ICONEXCLAMATION);

    const std::string& number = call.calling;
    DisplayTexts texts;
    texts.calling = number.empty() ? "Anonyme" : number;
    texts.called = CalledText(call.called, treatment.calledLabel);
    texts.time = LocalTimeText(now);
    texts.name = number.empty() ? "" : "Recherche...";
    m_state.SetTexts(texts);
    CallNotice notice = FirstNotice(++m_calls, call, texts.time, treatment);
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
    StartCallCommand(call, {notice.name, treatment.calledLabel, false, now});

    platform::MessageBeep(platform::MB_ICONASTERISK);
    m_view.ShowAndRepaint();
    m_state.SetHideCountdown(8000);

    // The log keeps the called number as the line gave it; the label is only shown.
    texts = m_state.Texts();
    AppendCallLog(texts.calling.c_str(), call.called.c_str(), texts.name.c_str());

    m_view.ShowInCorner();
    return 0;
}

int CallAnnouncer::IgnoredCallHandler(const IncomingCall& call, const CallTreatment& treatment,
                                      std::time_t now) {
    // Neither heard nor seen; the window keeps what it showed. The name is looked up as for
    // any call, for the log and the command.
    const std::string& number = call.calling;
    CallNotice notice = FirstNotice(++m_calls, call, LocalTimeText(now), treatment);
    if (!number.empty())
        notice.name = NameOf(call);
    notice.lookedUp = true;
    if (m_listener)
        m_listener->CallUpdated(notice);
    StartCallCommand(call, {notice.name, treatment.calledLabel, true, now});
    AppendCallLog(number.empty() ? "Anonyme" : number.c_str(), call.called.c_str(),
                  notice.name.c_str());
    return 0;
}

} // namespace line
