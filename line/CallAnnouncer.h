#pragma once
// The handling of one incoming call, from whichever line it came: the two sounds, the display
// texts, the lookup, the window and the call log line. Runs on the line side and returns once
// the call is shown and logged.

#include "line/IncomingCall.h"

namespace line {

class CallView;
class NotificationState;

class CallAnnouncer {
  public:
    CallAnnouncer(NotificationState& state, CallView& view) : m_state(state), m_view(view) {}

    // The result is not used.
    int IncomingCallHandler(const IncomingCall& call);

  private:
    NotificationState& m_state;
    CallView& m_view;
};

} // namespace line
