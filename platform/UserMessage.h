#pragma once
// Telling the user something from code that has no windows of its own (the call log, the
// phonebook store, the file locations, the log-owner role). The windows install a presenter at
// start-up that shows a message box; tests install a recorder that answers instead of a person.
// Either way the calling thread waits until the message has been answered.

#include <QString>

#include <functional>

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

// The caption of messages that give none: the executable's file name without extension.
QString DisplayName();

// The request for a message: the caption resolved to the display name when empty.
MessageBoxRequest MakeRequest(const QString& text, const QString& caption, MsgIcon icon,
                              MsgButtons buttons);

// What puts a message in front of the user and returns the answer.
using MessagePresenter = std::function<int(const MessageBoxRequest&)>;
void SetMessagePresenter(MessagePresenter presenter);
MessagePresenter CurrentMessagePresenter();

// Test hook: when set, every message of the program (told here or shown by a window) is handed
// to the recorder on the calling thread and its return value is the answer. Empty removes it.
using MessageBoxRecorder = std::function<int(const MessageBoxRequest&)>;
void SetMessageBoxRecorder(MessageBoxRecorder recorder);
MessageBoxRecorder CurrentMessageBoxRecorder();

// Tells the user and returns IDOK, IDCANCEL, IDYES or IDNO: through the presenter, else the
// recorder, else on standard error (answered IDOK).
int TellUser(const QString& text, const QString& caption = {}, MsgIcon icon = MsgIcon::None,
             MsgButtons buttons = MsgButtons::Ok);

} // namespace platform
