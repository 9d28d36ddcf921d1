#pragma once
// Every text a person reads in the program's windows, as lines "where: text", in a fixed order:
// titles, labels, buttons, tooltips, placeholders, list items and headers, menu entries, and the
// texts the windows compose (line states, the tray's tip, a call's notification). The same walk
// serves the French snapshot and the checks of the other languages.

#include <QStringList>

class QWidget;

namespace testing_support {

// The texts of one widget and everything inside it.
QStringList WidgetTexts(const QWidget* root);

// Builds every window and menu of the program (in a test environment's folder, on the
// offscreen platform, with the translators already installed) and returns their texts.
QStringList AllWindowTexts();

// What AllWindowTexts reads in French: french-texts.txt, the texts as they read before the
// program spoke other languages, with the "Langue" row the about dialog has had since.
// Empty when the snapshot cannot be read.
QStringList FrenchWindowTexts();

} // namespace testing_support
