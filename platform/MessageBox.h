#pragma once
// Stand-in for the Windows message box: a modal box with an exact text, caption, icon and
// buttons, always shown on the GUI thread. A call from another thread blocks until the box is
// answered. Tests install a recorder that answers instead of a person.

#include <QString>

#include <functional>

class QWidget;

namespace platform {

enum class MsgIcon { None, Error, Question, Warning, Information };
enum class MsgButtons { Ok, YesNo, YesNoCancel };

// Answers, with the values Windows uses.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

struct MessageBoxRequest {
    QString text;
    QString caption; // already resolved: the display name when the caller gave none
    MsgIcon icon = MsgIcon::None;
    MsgButtons buttons = MsgButtons::Ok;
    bool hasOwner = false; // an owner window was given (or the main window stood in)
};

// Shows the box and returns IDOK, IDCANCEL, IDYES or IDNO. An empty caption means the
// program's display name (DisplayName()). owner may be null.
int ShowMessageBox(const QString& text, const QString& caption = {}, MsgIcon icon = MsgIcon::None,
                   MsgButtons buttons = MsgButtons::Ok, QWidget* owner = nullptr);

// The window that owns boxes shown with no owner of their own (the notification window).
void SetMessageBoxMainWindow(QWidget* mainWindow);

// The caption of boxes that give none: the executable's file name without extension.
QString DisplayName();

// Test hook: when set, every box is handed to the recorder (on the calling thread) and its
// return value is the answer; no window is shown. Pass an empty function to remove it.
using MessageBoxRecorder = std::function<int(const MessageBoxRequest&)>;
void SetMessageBoxRecorder(MessageBoxRecorder recorder);

} // namespace platform
