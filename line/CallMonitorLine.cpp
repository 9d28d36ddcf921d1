#include "line/CallMonitorLine.h"

#include "line/CallQueue.h"
#include "settings/Settings.h"

#include <utility>

namespace line {

void CallMonitorSource::Start(std::function<void(bool brings)> started) {
    const std::string address = settings::CallMonitorAtStart();
    Watch(address);
    // An address that is not one counts as a line: the user is told in the "Lignes" dialog.
    if (started)
        started(!address.empty());
}

void CallMonitorSource::Stop() {
    Watch({});
}

void CallMonitorSource::Watch(const std::string& address) {
    CallMonitorClient* started =
        m_watch.Replace(address, [](ClientWatch<CallMonitorClient>::StatusReport report) {
            return std::make_unique<CallMonitorClient>(
                [](IncomingCall call) { Calls().Take(call); }, std::move(report));
        });
    // Outside the lock: a bad address is reported at once, on this thread.
    if (started)
        started->Start(address);
    NotifyLineStatus();
}

} // namespace line
