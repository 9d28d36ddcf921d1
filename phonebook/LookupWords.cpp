#include "phonebook/LookupWords.h"

#include <QCoreApplication>

#include <algorithm>
#include <array>

namespace {

//: Shown in place of a caller's name or number; the files keep the French words.
constexpr std::array<const char*, 5> kShownWords = {
    QT_TRANSLATE_NOOP("LookupWords", "Inconnu"), QT_TRANSLATE_NOOP("LookupWords", "Erreur"),
    QT_TRANSLATE_NOOP("LookupWords", "Pas de connection"),
    QT_TRANSLATE_NOOP("LookupWords", "Recherche..."), QT_TRANSLATE_NOOP("LookupWords", "Anonyme")};

} // namespace

bool IsLookupWord(QStringView text) {
    static constexpr std::array<const char16_t*, 4> kWords = {
        u"Inconnu", u"Erreur", u"Pas de connection", u"Recherche..."};
    return std::any_of(kWords.begin(), kWords.end(),
                       [&](const char16_t* word) { return text == QStringView(word); });
}

QString ShownWord(const QString& text) {
    for (const char* word : kShownWords) {
        if (text == QString::fromUtf8(word))
            return QCoreApplication::translate("LookupWords", word);
    }
    return text;
}

QString StoredWord(const QString& shown) {
    for (const char* word : kShownWords) {
        if (shown == QCoreApplication::translate("LookupWords", word))
            return QString::fromUtf8(word);
    }
    return shown;
}
