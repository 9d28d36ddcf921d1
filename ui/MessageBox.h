#pragma once
// Stand-in for the Windows message box: a modal box with an exact text, caption, icon and
// buttons, always shown on the GUI thread. A call from another thread blocks until the box is
// answered. The recorder of platform/UserMessage.h answers instead of a person in tests.

#include "platform/UserMessage.h"

#include <QString>

class QWidget;

namespace ui {

using platform::IDCANCEL;
using platform::IDNO;
using platform::IDOK;
using platform::IDYES;
using platform::MsgButtons;
using platform::MsgIcon;

// Shows the box and returns IDOK, IDCANCEL, IDYES or IDNO. An empty caption means the
// program's display name. owner may be null: the main window then owns the box.
int ShowMessageBox(const QString& text, const QString& caption = {}, MsgIcon icon = MsgIcon::None,
                   MsgButtons buttons = MsgButtons::Ok, QWidget* owner = nullptr);

// The window that owns boxes shown with no owner of their own (the notification window).
void SetMessageBoxMainWindow(QWidget* mainWindow);

// Makes what the model code tells the user (platform::TellUser) appear as boxes owned by the
// main window.
void InstallMessagePresenter();

} // namespace ui
