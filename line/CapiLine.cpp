#include "line/CapiLine.h"

#include "capi/Capi.h"
#include "line/Dispatch.h"

namespace line {

namespace {

int FromCapi(const char* calling, const char* called) {
    Calls().Take(Source::Capi, calling ? calling : "", called ? called : "");
    return 0;
}

} // namespace

bool StartCapiLine() {
    capi::SetIncomingCallHandler(FromCapi);
    if (!capi::InitCAPI())
        return false;
    capi::StartCAPIThread();
    return true;
}

void StopCapiLine() {
    capi::StopCAPI();
}

} // namespace line
