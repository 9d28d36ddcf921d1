#pragma once
// A source of incoming calls (the CAPI line, the router's call monitor, ...) as the owner of
// the lines sees it: started once, stopped once, and asked how it is doing. Every call it
// brings goes to the queue of calls (line/CallQueue.h); every change of its status is told
// through NotifyLineStatus.

#include "line/LineStatus.h"

#include <functional>
#include <string>

namespace line {

class LineSource {
  public:
    virtual ~LineSource() = default;

    virtual Source Kind() const = 0;
    // Starts the source. started is called once, on any thread, when the source knows
    // whether it brings a line: true when it runs (retrying counts), false when it is not
    // configured or its first attempt found nothing to work with.
    virtual void Start(std::function<void(bool brings)> started) = 0;
    // Returns at once, even while a call from the source is being handled.
    virtual void Stop() = 0;
    virtual LineStatus Status() const = 0;

    // For a source reached at an address the user gives: the address watched ("" when off),
    // and a new one, which takes effect at once ("" switches the source off).
    virtual std::string Address() const { return {}; }
    virtual void Watch(const std::string& address) { (void)address; }
};

} // namespace line
