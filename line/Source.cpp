#include "line/Source.h"

namespace line {

const char* SourceName(Source source) {
    switch (source) {
    case Source::Capi:
        return "capi";
    case Source::CallMonitor:
        return "callmonitor";
    case Source::Mqtt:
        break;
    }
    return "mqtt";
}

} // namespace line
