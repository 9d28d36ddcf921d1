#pragma once
// What the incoming-call handler asks of the notification window. The window implements it on
// the GUI thread; each call comes from the line side and returns once the window has done it,
// or at once when there is no window any more.

namespace line {

class CallView {
  public:
    virtual ~CallView() = default;
    // Shows the window in its corner.
    virtual void ShowInCorner() = 0;
    // Shows the window in its corner and repaints it at once.
    virtual void ShowAndRepaint() = 0;
};

} // namespace line
