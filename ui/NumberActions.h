#pragma once
// What the user can do with a caller's number shown in a window: copy it, (in the call
// history) store it in the phonebook, and (in the phonebook editor) ignore its calls.

#include <string>
#include <string_view>

class QAction;
class QMenu;
class QWidget;

namespace ui {

// A caller's number as the line gives it (digits), not "Anonyme" nor an empty field.
bool IsCallerNumber(std::string_view text);

// Puts the number on the clipboard, and on the X selection where there is one.
void CopyNumber(const std::string& number);

// Adds "Copier le numéro" for number (Windows-1252) to menu, greyed when it is no caller's
// number.
QAction* AddCopyNumberAction(QMenu* menu, const std::string& number);

// Adds "Ignorer ce numéro" for number (Windows-1252) to menu, or "Ne plus ignorer ce numéro"
// when the list of ignored callers names it; greyed when it can't be listed (no number) or a
// prefix of the list covers it. Failures are told in boxes owned by owner.
QAction* AddIgnoreNumberAction(QMenu* menu, const std::string& number, QWidget* owner);

// The boxes of the number lists: a typed number that is none, and settings that could not be
// written.
void TellNotANumber(QWidget* owner);
void TellSettingsNotWritten(QWidget* owner);

} // namespace ui
