#include "ui/LineTexts.h"

#include "line/MqttClient.h"

#include <QCoreApplication>
#include <QStringList>

#include <algorithm>

namespace ui {

namespace {

using line::LineState;

QString NextTry(int seconds) {
    //: When a line is tried again; %1 counts down the seconds.
    return seconds > 0
               ? QCoreApplication::translate("LineTexts", "nouvel essai dans %1 s").arg(seconds)
               : QCoreApplication::translate("LineTexts", "nouvel essai en cours");
}

int SecondsLeft(const line::LineStatus& status, Clock::time_point now) {
    if (status.retryIn <= 0)
        return 0;
    const auto left = std::chrono::ceil<std::chrono::seconds>(status.nextTry - now).count();
    return static_cast<int>(std::clamp<decltype(left)>(left, 0, status.retryIn));
}

QString Address(const line::LineStatus& status) {
    return QString::fromStdString(status.address);
}

QString MqttDownText(const line::LineStatus& status, Clock::time_point now) {
    switch (status.state) {
    case LineState::Refused:
        //: The tray's tip; %1 is "nouvel essai dans 30 s" or "nouvel essai en cours".
        return QCoreApplication::translate("LineTexts", "courtier MQTT refusé, %1")
            .arg(NextTry(SecondsLeft(status, now)));
    case LineState::Lost:
        return QCoreApplication::translate("LineTexts", "courtier MQTT injoignable, %1")
            .arg(NextTry(SecondsLeft(status, now)));
    case LineState::Invalid:
        return QCoreApplication::translate("LineTexts", "courtier MQTT : adresse invalide");
    case LineState::Failed:
        return QCoreApplication::translate("LineTexts", "courtier MQTT arrêté");
    default:
        return {};
    }
}

// A source as the tip names it when it is down; empty when it is not (an absent CAPI driver
// is not named: a program on the call monitor alone may never have one).
QString DownText(const line::LineStatus& status, Clock::time_point now) {
    if (status.source == line::Source::Capi) {
        if (status.state == LineState::Lost)
            return QCoreApplication::translate("LineTexts", "ligne CAPI perdue, %1")
                .arg(NextTry(SecondsLeft(status, now)));
        return {};
    }
    if (status.source == line::Source::Mqtt)
        return MqttDownText(status, now);
    switch (status.state) {
    case LineState::Refused:
        return QCoreApplication::translate("LineTexts", "moniteur d'appels refusé, %1")
            .arg(NextTry(SecondsLeft(status, now)));
    case LineState::Lost:
        return QCoreApplication::translate("LineTexts", "moniteur d'appels injoignable, %1")
            .arg(NextTry(SecondsLeft(status, now)));
    case LineState::Invalid:
        return QCoreApplication::translate("LineTexts", "moniteur d'appels : adresse invalide");
    case LineState::Failed:
        return QCoreApplication::translate("LineTexts", "moniteur d'appels arrêté");
    default:
        return {};
    }
}

} // namespace

QString CapiStateText(const line::LineStatus& status, Clock::time_point now) {
    switch (status.state) {
    case LineState::Connected:
        //: The CAPI line's state (la ligne: feminine in French).
        return status.controllers == 1
                   ? QCoreApplication::translate("LineTexts", "Connectée, 1 contrôleur")
                   : QCoreApplication::translate("LineTexts", "Connectée, %1 contrôleurs")
                         .arg(status.controllers);
    case LineState::Lost:
        //: The CAPI line's state; %1 is "nouvel essai dans 30 s" or "nouvel essai en cours".
        return QCoreApplication::translate("LineTexts", "Perdue, %1")
            .arg(NextTry(SecondsLeft(status, now)));
    case LineState::Absent:
        //: The CAPI line's state: no driver; %1 is "nouvel essai dans 30 s".
        return QCoreApplication::translate("LineTexts", "Absente, %1")
            .arg(NextTry(SecondsLeft(status, now)));
    case LineState::Connecting:
        return QCoreApplication::translate("LineTexts", "Connexion au driver...");
    default:
        break;
    }
    //: The CAPI line's state: no driver.
    return QCoreApplication::translate("LineTexts", "Absente");
}

QString MonitorStateText(const line::LineStatus& status, Clock::time_point now) {
    switch (status.state) {
    case LineState::Off:
    case LineState::Absent:
        break;
    case LineState::Connecting:
        //: The call monitor's or the MQTT broker's state (le moniteur, le courtier: masculine
        //: in French); %1 is its address.
        return QCoreApplication::translate("LineTexts", "Connexion à %1...").arg(Address(status));
    case LineState::Connected:
        return QCoreApplication::translate("LineTexts", "Connecté à %1").arg(Address(status));
    case LineState::Refused:
        //: %1 is the address, %2 "nouvel essai dans 30 s" or "nouvel essai en cours".
        return QCoreApplication::translate("LineTexts", "Refusé par %1, %2")
            .arg(Address(status), NextTry(SecondsLeft(status, now)));
    case LineState::Lost:
        //: %1 is the address, %2 "nouvel essai dans 30 s" or "nouvel essai en cours".
        return QCoreApplication::translate("LineTexts", "Injoignable (%1), %2")
            .arg(Address(status), NextTry(SecondsLeft(status, now)));
    case LineState::Invalid:
        return QCoreApplication::translate("LineTexts", "Adresse invalide : %1")
            .arg(Address(status));
    case LineState::Failed:
        return QCoreApplication::translate("LineTexts",
                                           "Impossible de surveiller %1, pas de nouvel essai")
            .arg(Address(status));
    }
    //: The call monitor's or the MQTT broker's state: no address given.
    return QCoreApplication::translate("LineTexts", "Désactivé");
}

QString MqttStateText(const line::LineStatus& status, Clock::time_point now) {
    if (status.state == LineState::Refused && status.reason == line::kMqttNotAuthorised)
        //: %1 is the broker's address, %2 "nouvel essai dans 30 s" or "nouvel essai en
        //: cours".
        return QCoreApplication::translate("LineTexts",
                                           "Identifiant ou mot de passe refusé par %1, %2")
            .arg(Address(status), NextTry(SecondsLeft(status, now)));
    if (status.state == LineState::Failed)
        return QCoreApplication::translate("LineTexts",
                                           "Impossible de joindre %1, pas de nouvel essai")
            .arg(Address(status));
    // Otherwise the broker reads as the call monitor does.
    return MonitorStateText(status, now);
}

QString TrayToolTip(const std::vector<line::LineStatus>& lines, Clock::time_point now) {
    // The CAPI line first, whatever order the sources were started in.
    std::vector<line::LineStatus> ordered = lines;
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const auto& a, const auto& b) { return a.source < b.source; });
    QStringList down;
    for (const line::LineStatus& status : ordered) {
        if (const QString text = DownText(status, now); !text.isEmpty())
            down << text;
    }
    if (down.isEmpty())
        return QStringLiteral("Tintorel");
    //: The tray's tip: the program's name, then what is down, joined by " ; ".
    return QCoreApplication::translate("LineTexts", "Tintorel - %1")
        .arg(down.join(QCoreApplication::translate("LineTexts", " ; ")));
}

bool CountingDown(const std::vector<line::LineStatus>& lines) {
    return std::any_of(lines.begin(), lines.end(),
                       [](const line::LineStatus& status) { return status.retryIn > 0; });
}

bool TipCountingDown(const std::vector<line::LineStatus>& lines, Clock::time_point now) {
    return std::any_of(lines.begin(), lines.end(), [now](const line::LineStatus& status) {
        return status.retryIn > 0 && !DownText(status, now).isEmpty();
    });
}

} // namespace ui
