#pragma once
// What the user can do with a caller's number shown in a window: copy it, and (in the call
// history) store it in the phonebook.

#include <string>
#include <string_view>

class QAction;
class QMenu;

namespace ui {

// A caller's number as the line gives it (digits), not "Anonyme" nor an empty field.
bool IsCallerNumber(std::string_view text);

// Puts the number on the clipboard, and on the X selection where there is one.
void CopyNumber(const std::string& number);

// Adds "Copier le numéro" for number (Windows-1252) to menu, greyed when it is no caller's
// number.
QAction* AddCopyNumberAction(QMenu* menu, const std::string& number);

} // namespace ui
