#pragma once
// Where the incoming-call handler shares each call it handles with other copies (the MQTT
// broker): called on the line side, in the handler's turn, before the directory is asked, and
// must return at once, whatever the network is doing.

#include "line/IncomingCall.h"

#include <string>

namespace line {

class CallSharer {
  public:
    virtual ~CallSharer() = default;
    // phonebookName: what this copy's phonebook says of the caller, calledLabel this copy's
    // name for the called number (both Windows-1252, empty when there is none). A call that
    // came through the broker itself is never shared again.
    virtual void CallHeard(const IncomingCall& call, const std::string& phonebookName,
                           const std::string& calledLabel) = 0;
};

} // namespace line
