#pragma once
// What the incoming-call handler tells beside the window: each call once it is shown, and again
// once its name is known, for the desktop's notifications to follow it. An ignored call is told
// once, when its name is known, marked as such: it shows nowhere. The listener is called
// on the line side, in the handler's turn, and must return at once: it may not wait for the
// GUI thread nor for anything outside the process.

#include <cstdint>
#include <string>

namespace line {

// A call as far as it is known; Windows-1252 texts.
struct CallNotice {
    std::uint64_t serial = 0; // the same for every notice of one call, new for the next
    std::string number;       // the caller's digits; empty when withheld
    std::string called;       // the number that was called
    std::string time;         // "HH:MM:SS"
    std::string name;         // what the lookup found (a name, or "Inconnu" and the like)
    bool lookedUp = false;    // the lookup is over (always, for a withheld number)
    std::string calledLabel;  // the called number's label ("Bureau"), "" when it has none
    bool ignored = false;     // a caller the user ignores: no sound, no window, no notification
};

class CallListener {
  public:
    virtual ~CallListener() = default;
    virtual void CallUpdated(const CallNotice& call) = 0;
};

} // namespace line
