#pragma once
// The handling of one incoming call, from whichever line it came: the two sounds, the display
// texts, the lookup, the window, the user's command and the call log line. Runs on the line side
// and returns once the call is shown and logged. A caller the user ignores is only looked up,
// handed to the command and logged.

#include "line/IncomingCall.h"

#include <cstdint>
#include <string>
#include <ctime>

namespace line {

class CallListener;
class CallSharer;
class CallView;
class NotificationState;
struct CallTreatment;

class CallAnnouncer {
  public:
    CallAnnouncer(NotificationState& state, CallView& view) : m_state(state), m_view(view) {}

    // The result is not used.
    int IncomingCallHandler(const IncomingCall& call);

    // Told about each call beside the window (the desktop's notifications); set once, before
    // the first call, and kept for the handler's life.
    void SetListener(CallListener* listener) { m_listener = listener; }
    // Shares each call heard on this copy's own lines with the other copies; set once, before
    // the first call, and kept for the handler's life.
    void SetSharer(CallSharer* sharer) { m_sharer = sharer; }

  private:
    // Hands the call to the sharer, with the name this copy's phonebook has for it and the
    // called number's label.
    void ShareCall(const IncomingCall& call, const std::string& calledLabel);
    // The name to show and log: for a call from the broker, this copy's phonebook first, then
    // the name its record carries, and the directory only when it carries none.
    static std::string NameOf(const IncomingCall& call);
    int IgnoredCallHandler(const IncomingCall& call, const CallTreatment& treatment,
                           std::time_t now);

    NotificationState& m_state;
    CallView& m_view;
    CallListener* m_listener = nullptr;
    CallSharer* m_sharer = nullptr;
    std::uint64_t m_calls = 0; // calls handled, for the listener
};

} // namespace line
