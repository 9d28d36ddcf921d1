#pragma once
// The program's language in a test: the locale a user would have, set before anything reads
// it, and the translations installed as the program installs them at start.

#include <QString>
#include <QStringList>

namespace testing_support {

// Sets LANG (and LANGUAGE when given) after the test's TestEnv, makes the application, and
// installs the translations the program would choose. Returns the language chosen.
QString UseLocale(const char* lang, const char* language = nullptr);

// The line of texts whose part after "where: " is text, or an empty string.
QString LineWithText(const QStringList& texts, const QString& where, const QString& text);

} // namespace testing_support
