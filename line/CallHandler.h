#pragma once
// The handling of one incoming call, from whichever line it came: the two sounds, the display
// texts, the lookup, the window and the call log line. Runs on the line side and returns once
// the call is shown and logged.

namespace line {

class CallView;
class NotificationState;

class CallHandler {
  public:
    CallHandler(NotificationState& state, CallView& view) : m_state(state), m_view(view) {}

    // The calling party's digits (empty when withheld), then the called party's; the result is
    // not used.
    int IncomingCallHandler(const char* calling, const char* called);

  private:
    NotificationState& m_state;
    CallView& m_view;
};

} // namespace line
