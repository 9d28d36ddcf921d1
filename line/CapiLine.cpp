#include "line/CapiLine.h"

#include "capi/Capi.h"
#include "capi/LinkStatus.h"
#include "line/CallQueue.h"

#include <chrono>

namespace line {

namespace {

int FromCapi(const char* calling, const char* called, unsigned callingType) {
    IncomingCall call;
    call.calling = calling ? calling : "";
    call.called = called ? called : "";
    call.source = Source::Capi;
    call.callingType = NumberTypeFromBits(callingType);
    Calls().Take(call);
    return 0;
}

void OnLinkStatus(const capi::LinkStatus&) {
    NotifyLineStatus();
}

} // namespace

CapiSource::~CapiSource() {
    Stop();
}

void CapiSource::Start(std::function<void(bool brings)> started) {
    capi::SetIncomingCallHandler(FromCapi);
    capi::SetLinkStatusHandler(OnLinkStatus);
    m_running = true;
    capi::StartCAPI(std::move(started));
    NotifyLineStatus();
}

void CapiSource::Stop() {
    if (!m_running.exchange(false))
        return;
    capi::StopCAPI();
    NotifyLineStatus();
}

LineStatus CapiSource::Status() const {
    const capi::LinkStatus link = capi::GetLinkStatus();
    LineStatus status;
    status.source = Source::Capi;
    switch (link.state) {
    case capi::LinkStatus::Absent:
        status.state = LineState::Off;
        break;
    case capi::LinkStatus::Starting:
        status.state = LineState::Connecting;
        break;
    case capi::LinkStatus::Connected:
        status.state = LineState::Connected;
        status.controllers = link.controllers;
        break;
    case capi::LinkStatus::Lost:
        status.state = LineState::Lost;
        break;
    case capi::LinkStatus::Missing:
        status.state = LineState::Absent;
        break;
    }
    if (link.secondsToRetry > 0) {
        status.retryIn = link.secondsToRetry;
        status.nextTry = link.nextTry;
    }
    return status;
}

} // namespace line
