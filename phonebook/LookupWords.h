#pragma once
// The texts a lookup shows and logs in place of a caller's name: stored as a name, one of
// them would pass for a caller's. The files keep them in French, whatever the program's
// language; the windows show them translated.

#include <QString>
#include <QStringView>

// "Inconnu", "Erreur", "Pas de connection" or "Recherche...", exactly.
bool IsLookupWord(QStringView text);

// The text as a window shows it: a lookup word, or "Anonyme" for a withheld number, in the
// program's language; any other text as it is.
QString ShownWord(const QString& text);
// The reverse, for a text shown that is about to be stored: the French word for one of those
// translations; any other text as it is.
QString StoredWord(const QString& shown);
