#pragma once
// The texts a lookup shows and logs in place of a caller's name: stored as a name, one of
// them would pass for a caller's.

#include <QStringView>

// "Inconnu", "Erreur", "Pas de connection" or "Recherche...", exactly.
bool IsLookupWord(QStringView text);
