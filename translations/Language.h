#pragma once
// The language the program speaks: French (its source texts), German or English, chosen at
// start from the "Langue" setting, else from the desktop's languages, and installed before
// anything is shown or printed.

#include <QString>
#include <QStringList>

namespace translations {

// "fr", "de" or "en": the stored choice when there is one, else the first of the user's
// languages (QLocale's UI languages: "de-CH", "en", "ja-JP"...) that the program speaks, else
// French.
QString ChooseLanguage(const QString& stored, const QStringList& uiLanguages);

// Installs the translation of that language ("de", "en"; none for French) into the application
// object, which must exist, and for German Qt's own (standard buttons, file dialog) where Qt's
// translations are installed. Translations installed before are removed first, so that it can
// be called again for another application object. False when the program's translation could
// not be loaded or installed (the program then speaks French).
bool InstallLanguage(const QString& language);

// ChooseLanguage from the stored setting and QLocale::system(), then InstallLanguage. Returns
// the language chosen.
QString InstallTranslations();

} // namespace translations
