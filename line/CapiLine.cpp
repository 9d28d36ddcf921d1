#include "line/CapiLine.h"

#include "capi/Capi.h"
#include "line/Dispatch.h"
#include "line/LineStatus.h"

namespace line {

namespace {

int FromCapi(const char* calling, const char* called) {
    Calls().Take(Source::Capi, calling ? calling : "", called ? called : "");
    return 0;
}

void OnLinkStatus(const capi::LinkStatus&) {
    NotifyLineStatus();
}

} // namespace

bool StartCapiLine() {
    capi::SetIncomingCallHandler(FromCapi);
    capi::SetLinkStatusHandler(OnLinkStatus);
    if (!capi::InitCAPI())
        return false;
    capi::StartCAPIThread();
    return true;
}

capi::LinkStatus CapiLineStatus() {
    return capi::GetLinkStatus();
}

void StopCapiLine() {
    capi::StopCAPI();
    NotifyLineStatus();
}

} // namespace line
