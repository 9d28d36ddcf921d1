#include "tests/i18n/Language.h"

#include "resources/Resources.h"
#include "tests/support/UiApplication.h"
#include "translations/Language.h"

#include <cstdlib>

namespace testing_support {

QString UseLocale(const char* lang, const char* language) {
    setenv("LANG", lang, 1);
    if (language)
        setenv("LANGUAGE", language, 1);
    EnsureApplication();
    InitTintorelResources();
    return translations::InstallTranslations();
}

QString LineWithText(const QStringList& texts, const QString& where, const QString& text) {
    const QString line = where + QStringLiteral(": ") + text;
    return texts.contains(line) ? line : QString();
}

} // namespace testing_support
