#pragma once
// Which of Qt's window systems the program runs on. The window places itself in a screen
// corner, which X11 allows and Wayland doesn't: so X11 (or XWayland) wherever there is an X
// display, Wayland natively only where there is nothing else, and the user's own choice
// (QT_QPA_PLATFORM, -platform) always.

#include <optional>

namespace app {

enum class WindowSystem {
    UserChoice, // the user named one: left alone
    X11,        // DISPLAY is set, with or without WAYLAND_DISPLAY
    Wayland,    // WAYLAND_DISPLAY alone
    None,       // neither
};

// Reads QT_QPA_PLATFORM, DISPLAY and WAYLAND_DISPLAY (an empty one counts as unset).
WindowSystem ChooseWindowSystem(bool platformGiven);

// Sets QT_QPA_PLATFORM for the choice, before the application object exists. With no display,
// or Wayland alone without Qt's Wayland plugin, says so on standard error and returns the
// program's exit status.
std::optional<int> SetUpWindowSystem(bool platformGiven, const char* program);

} // namespace app
