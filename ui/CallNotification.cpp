#include "ui/CallNotification.h"

#include "line/CallListener.h"
#include "line/CallNumbers.h"
#include "phonebook/LookupWords.h"
#include "platform/Cp1252.h"

using platform::FromCp1252;

namespace ui {

bool IsCallerName(const std::string& name) {
    return !name.empty() && !IsLookupWord(FromCp1252(name));
}

CallNotification DescribeCall(const line::CallNotice& call, bool actions, bool markup) {
    const bool withheld = call.number.empty();
    const bool named = call.lookedUp && IsCallerName(call.name);
    const QString number = FromCp1252(call.number);

    CallNotification shown;
    if (withheld)
        shown.summary = QStringLiteral("Appel anonyme");
    else
        shown.summary = QStringLiteral("Appel de %1").arg(named ? FromCp1252(call.name) : number);

    QStringList lines;
    lines << (withheld ? QStringLiteral("Numéro masqué")
                       : QStringLiteral("Numéro : %1").arg(number));
    // While the lookup runs, and when it found no name, the word the window shows.
    if (!withheld && !call.lookedUp)
        lines << QStringLiteral("Nom : Recherche...");
    else if (!withheld && !named && !call.name.empty())
        lines << QStringLiteral("Nom : %1").arg(FromCp1252(call.name));
    if (!call.called.empty())
        lines << QStringLiteral("Numéro appelé : %1")
                     .arg(FromCp1252(line::CalledText(call.called, call.calledLabel)));
    if (!call.time.empty())
        lines << QStringLiteral("Heure : %1").arg(FromCp1252(call.time));
    shown.body = lines.join(QLatin1Char('\n'));
    if (markup)
        shown.body = shown.body.toHtmlEscaped();

    if (actions) {
        shown.actions << kActionHistory << QStringLiteral("Liste des appels");
        if (!withheld)
            shown.actions << kActionCopyNumber << QStringLiteral("Copier le numéro");
        // Only once the lookup is over: a name may still come.
        if (!withheld && call.lookedUp && !named)
            shown.actions << kActionAddToPhonebook << QStringLiteral("Ajouter à l'annuaire");
    }
    return shown;
}

} // namespace ui
