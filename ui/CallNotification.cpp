#include "ui/CallNotification.h"

#include "line/CallListener.h"
#include "line/CallNumbers.h"
#include "phonebook/LookupWords.h"
#include "platform/Cp1252.h"

#include <QCoreApplication>

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
        shown.summary = QCoreApplication::translate("CallNotification", "Appel anonyme");
    else
        //: A notification's summary; %1 is the caller's name, or the number while none is known.
        shown.summary = QCoreApplication::translate("CallNotification", "Appel de %1")
                            .arg(named ? FromCp1252(call.name) : number);

    QStringList lines;
    lines << (withheld
                  ? QCoreApplication::translate("CallNotification", "Numéro masqué")
                  : QCoreApplication::translate("CallNotification", "Numéro : %1").arg(number));
    // While the lookup runs, and when it found no name, the word the window shows.
    if (!withheld && !call.lookedUp)
        lines << QCoreApplication::translate("CallNotification", "Nom : Recherche...");
    else if (!withheld && !named && !call.name.empty())
        //: %1 is what the lookup gave instead of a name ("Inconnu" and the like, translated).
        lines << QCoreApplication::translate("CallNotification", "Nom : %1")
                     .arg(ShownWord(FromCp1252(call.name)));
    if (!call.called.empty())
        lines << QCoreApplication::translate("CallNotification", "Numéro appelé : %1")
                     .arg(FromCp1252(line::CalledText(call.called, call.calledLabel)));
    if (!call.time.empty())
        lines << QCoreApplication::translate("CallNotification", "Heure : %1")
                     .arg(FromCp1252(call.time));
    shown.body = lines.join(QLatin1Char('\n'));
    if (markup)
        shown.body = shown.body.toHtmlEscaped();

    if (actions) {
        shown.actions << kActionHistory
                      << QCoreApplication::translate("CallNotification", "Liste des appels");
        if (!withheld)
            shown.actions << kActionCopyNumber
                          << QCoreApplication::translate("CallNotification", "Copier le numéro");
        // Only once the lookup is over: a name may still come.
        if (!withheld && call.lookedUp && !named)
            shown.actions << kActionAddToPhonebook
                          << QCoreApplication::translate("CallNotification",
                                                         "Ajouter à l'annuaire");
    }
    return shown;
}

} // namespace ui
