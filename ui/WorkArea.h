#pragma once
// Stand-in for the desktop work area (the screen less its panels) and for dialogs that the
// system centres in it.

#include <QRect>

class QWidget;

namespace ui {

// The primary screen's available geometry; empty when there is no screen.
QRect GetWorkArea();

// Centres a top-level window (frame included) in the work area. Left to Qt, a dialog with
// an owner is centred over its owner, which here is the small window in a screen corner.
void CentreInWorkArea(QWidget* window);

// Whether a window may choose where it goes. Not on a native Wayland session, where the
// compositor places every window and refuses to raise or activate one on request.
bool CanPlaceWindows();

} // namespace ui
