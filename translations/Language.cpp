#include "translations/Language.h"

#include "settings/Settings.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace translations {

namespace {

// Built into the program by lrelease (see CMakeLists.txt).
const QString kProgramFolder = QStringLiteral(":/i18n");

bool Spoken(const QString& language) {
    return language == u"fr" || language == u"de" || language == u"en";
}

// The locale to look translations up for: the desktop's own when it speaks that language
// (Qt has de_CH before de), else the language alone.
QLocale LocaleFor(const QString& language) {
    const QLocale system = QLocale::system();
    const QLocale wanted(language);
    return system.language() == wanted.language() ? system : wanted;
}

// Kept for the life of the process: an application object made later installs them again.
QTranslator& ProgramTranslator() {
    static auto* translator = new QTranslator;
    return *translator;
}

QTranslator& QtTranslator() {
    static auto* translator = new QTranslator;
    return *translator;
}

} // namespace

QString ChooseLanguage(const QString& stored, const QStringList& uiLanguages) {
    if (Spoken(stored))
        return stored;
    for (const QString& ui : uiLanguages) {
        const QString language = ui.section(u'-', 0, 0).section(u'_', 0, 0).toLower();
        if (Spoken(language))
            return language;
    }
    return QStringLiteral("fr");
}

bool InstallLanguage(const QString& language) {
    QCoreApplication::removeTranslator(&ProgramTranslator());
    QCoreApplication::removeTranslator(&QtTranslator());
    // French is the source language: nothing to load, and Qt's own texts stay as they were.
    if (!Spoken(language) || language == u"fr")
        return true;
    const QLocale locale = LocaleFor(language);
    if (!ProgramTranslator().load(locale, QStringLiteral("tintorel"), QStringLiteral("_"),
                                  kProgramFolder))
        return false;
    // Refused without an application object.
    if (!QCoreApplication::installTranslator(&ProgramTranslator()))
        return false;
    // English needs none: Qt's own texts are English.
    if (language == u"de" &&
        QtTranslator().load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                            QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&QtTranslator());
    return true;
}

QString InstallTranslations() {
    const QString language = ChooseLanguage(QString::fromStdString(settings::ReadLanguage()),
                                            QLocale::system().uiLanguages());
    InstallLanguage(language);
    return language;
}

} // namespace translations
