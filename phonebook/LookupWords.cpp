#include "phonebook/LookupWords.h"

#include <algorithm>
#include <array>

bool IsLookupWord(QStringView text) {
    static constexpr std::array<const char16_t*, 4> kWords = {
        u"Inconnu", u"Erreur", u"Pas de connection", u"Recherche..."};
    return std::any_of(kWords.begin(), kWords.end(),
                       [&](const char16_t* word) { return text == QStringView(word); });
}
