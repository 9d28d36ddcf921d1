#include "ui/LineTexts.h"

#include "line/MqttClient.h"

#include <QStringList>

#include <algorithm>

namespace ui {

namespace {

using line::LineState;

QString NextTry(int seconds) {
    return seconds > 0 ? QStringLiteral("nouvel essai dans %1 s").arg(seconds)
                       : QStringLiteral("nouvel essai en cours");
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
        return QStringLiteral("courtier MQTT refusé, ") + NextTry(SecondsLeft(status, now));
    case LineState::Lost:
        return QStringLiteral("courtier MQTT injoignable, ") + NextTry(SecondsLeft(status, now));
    case LineState::Invalid:
        return QStringLiteral("courtier MQTT : adresse invalide");
    case LineState::Failed:
        return QStringLiteral("courtier MQTT arrêté");
    default:
        return {};
    }
}

// A source as the tip names it when it is down; empty when it is not (an absent CAPI driver
// is not named: a program on the call monitor alone may never have one).
QString DownText(const line::LineStatus& status, Clock::time_point now) {
    if (status.source == line::Source::Capi) {
        if (status.state == LineState::Lost)
            return QStringLiteral("ligne CAPI perdue, ") + NextTry(SecondsLeft(status, now));
        return {};
    }
    if (status.source == line::Source::Mqtt)
        return MqttDownText(status, now);
    switch (status.state) {
    case LineState::Refused:
        return QStringLiteral("moniteur d'appels refusé, ") + NextTry(SecondsLeft(status, now));
    case LineState::Lost:
        return QStringLiteral("moniteur d'appels injoignable, ") +
               NextTry(SecondsLeft(status, now));
    case LineState::Invalid:
        return QStringLiteral("moniteur d'appels : adresse invalide");
    case LineState::Failed:
        return QStringLiteral("moniteur d'appels arrêté");
    default:
        return {};
    }
}

} // namespace

QString CapiStateText(const line::LineStatus& status, Clock::time_point now) {
    switch (status.state) {
    case LineState::Connected:
        return status.controllers == 1
                   ? QStringLiteral("Connectée, 1 contrôleur")
                   : QStringLiteral("Connectée, %1 contrôleurs").arg(status.controllers);
    case LineState::Lost:
        return QStringLiteral("Perdue, ") + NextTry(SecondsLeft(status, now));
    case LineState::Absent:
        return QStringLiteral("Absente, ") + NextTry(SecondsLeft(status, now));
    case LineState::Connecting:
        return QStringLiteral("Connexion au driver...");
    default:
        break;
    }
    return QStringLiteral("Absente");
}

QString MonitorStateText(const line::LineStatus& status, Clock::time_point now) {
    switch (status.state) {
    case LineState::Off:
    case LineState::Absent:
        break;
    case LineState::Connecting:
        return QStringLiteral("Connexion à %1...").arg(Address(status));
    case LineState::Connected:
        return QStringLiteral("Connecté à %1").arg(Address(status));
    case LineState::Refused:
        return QStringLiteral("Refusé par %1, ").arg(Address(status)) +
               NextTry(SecondsLeft(status, now));
    case LineState::Lost:
        return QStringLiteral("Injoignable (%1), ").arg(Address(status)) +
               NextTry(SecondsLeft(status, now));
    case LineState::Invalid:
        return QStringLiteral("Adresse invalide : %1").arg(Address(status));
    case LineState::Failed:
        return QStringLiteral("Impossible de surveiller %1, pas de nouvel essai")
            .arg(Address(status));
    }
    return QStringLiteral("Désactivé");
}

QString MqttStateText(const line::LineStatus& status, Clock::time_point now) {
    switch (status.state) {
    case LineState::Off:
    case LineState::Absent:
        break;
    case LineState::Connecting:
        return QStringLiteral("Connexion à %1...").arg(Address(status));
    case LineState::Connected:
        return QStringLiteral("Connecté à %1").arg(Address(status));
    case LineState::Refused:
        if (status.reason == line::kMqttNotAuthorised)
            return QStringLiteral("Identifiant ou mot de passe refusé par %1, ")
                       .arg(Address(status)) +
                   NextTry(SecondsLeft(status, now));
        return QStringLiteral("Refusé par %1, ").arg(Address(status)) +
               NextTry(SecondsLeft(status, now));
    case LineState::Lost:
        return QStringLiteral("Injoignable (%1), ").arg(Address(status)) +
               NextTry(SecondsLeft(status, now));
    case LineState::Invalid:
        return QStringLiteral("Adresse invalide : %1").arg(Address(status));
    case LineState::Failed:
        return QStringLiteral("Impossible de joindre %1, pas de nouvel essai").arg(Address(status));
    }
    return QStringLiteral("Désactivé");
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
    return QStringLiteral("Tintorel - ") + down.join(QStringLiteral(" ; "));
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
