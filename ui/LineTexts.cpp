#include "ui/LineTexts.h"

#include <QStringList>

#include <algorithm>

namespace ui {

namespace {

using line::CallMonitorState;

QString NextTry(int seconds) {
    return seconds > 0 ? QStringLiteral("nouvel essai dans %1 s").arg(seconds)
                       : QStringLiteral("nouvel essai en cours");
}

int SecondsLeft(const line::CallMonitorStatus& status, Clock::time_point now) {
    if (status.retryIn <= 0)
        return 0;
    const auto left = std::chrono::ceil<std::chrono::seconds>(status.nextTry - now).count();
    return static_cast<int>(std::clamp<decltype(left)>(left, 0, status.retryIn));
}

QString Address(const line::CallMonitorStatus& status) {
    return QString::fromStdString(status.address);
}

// The monitor as the tip names it when it is down; empty when it is not.
QString MonitorDown(const line::CallMonitorStatus& status, Clock::time_point now) {
    switch (status.state) {
    case CallMonitorState::Refused:
        return QStringLiteral("moniteur d'appels refusé, ") + NextTry(SecondsLeft(status, now));
    case CallMonitorState::Lost:
        if (status.retryIn <= 0)
            return QStringLiteral("moniteur d'appels : adresse invalide");
        return QStringLiteral("moniteur d'appels injoignable, ") +
               NextTry(SecondsLeft(status, now));
    default:
        return {};
    }
}

} // namespace

QString CapiStateText(const capi::LinkStatus& status) {
    switch (status.state) {
    case capi::LinkStatus::Connected:
        return status.controllers == 1
                   ? QStringLiteral("Connectée, 1 contrôleur")
                   : QStringLiteral("Connectée, %1 contrôleurs").arg(status.controllers);
    case capi::LinkStatus::Lost:
        return QStringLiteral("Perdue, ") + NextTry(status.secondsToRetry);
    case capi::LinkStatus::Absent:
        break;
    }
    return QStringLiteral("Absente");
}

QString MonitorStateText(const line::CallMonitorStatus& status, Clock::time_point now) {
    switch (status.state) {
    case CallMonitorState::Off:
        break;
    case CallMonitorState::Connecting:
        return QStringLiteral("Connexion à %1...").arg(Address(status));
    case CallMonitorState::Connected:
        return QStringLiteral("Connecté à %1").arg(Address(status));
    case CallMonitorState::Refused:
        return QStringLiteral("Refusé par %1, ").arg(Address(status)) +
               NextTry(SecondsLeft(status, now));
    case CallMonitorState::Lost:
        if (status.retryIn <= 0)
            return QStringLiteral("Adresse invalide : %1").arg(Address(status));
        return QStringLiteral("Injoignable (%1), ").arg(Address(status)) +
               NextTry(SecondsLeft(status, now));
    }
    return QStringLiteral("Désactivé");
}

QString TrayToolTip(const capi::LinkStatus& capi, const line::CallMonitorStatus& monitor,
                    Clock::time_point now) {
    QStringList down;
    if (capi.state == capi::LinkStatus::Lost)
        down << QStringLiteral("ligne CAPI perdue, ") + NextTry(capi.secondsToRetry);
    if (const QString text = MonitorDown(monitor, now); !text.isEmpty())
        down << text;
    if (down.isEmpty())
        return QStringLiteral("Tintorel");
    return QStringLiteral("Tintorel - ") + down.join(QStringLiteral(" ; "));
}

bool CountingDown(const capi::LinkStatus& capi, const line::CallMonitorStatus& monitor) {
    return capi.state == capi::LinkStatus::Lost || monitor.retryIn > 0;
}

} // namespace ui
