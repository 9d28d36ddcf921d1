#include "tests/i18n/WindowTexts.h"

#include "line/CallListener.h"
#include "line/CallMonitorLine.h"
#include "line/CapiLine.h"
#include "line/LineStatus.h"
#include "line/LineSupervisor.h"
#include "line/MqttClient.h"
#include "line/MqttLine.h"
#include "line/Notification.h"
#include "ui/AboutDlg.h"
#include "ui/CallListDlg.h"
#include "ui/CallNotification.h"
#include "ui/CallPopupDlg.h"
#include "ui/LineTexts.h"
#include "ui/LinesDlg.h"
#include "ui/NumberActions.h"
#include "ui/PhonebookDlg.h"
#include "ui/Tray.h"

#include <QAbstractButton>
#include <QFile>
#include <QAbstractItemView>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>

#include <memory>

namespace testing_support {

namespace {

QString Where(const QObject* object) {
    const QString name = object->objectName();
    return QString::fromLatin1(object->metaObject()->className()) +
           (name.isEmpty() ? QString() : QLatin1Char('#') + name);
}

void Add(QStringList& texts, const QObject* object, const char* what, const QString& text) {
    if (!text.isEmpty())
        texts << QStringLiteral("%1 %2: %3").arg(Where(object), QLatin1String(what), text);
}

void MenuTexts(QStringList& texts, const QMenu* menu) {
    for (const QAction* action : menu->actions()) {
        if (!action->isSeparator())
            Add(texts, menu, "entry", action->text());
    }
}

void OneWidget(QStringList& texts, const QWidget* widget) {
    if (widget->isWindow())
        Add(texts, widget, "title", widget->windowTitle());
    Add(texts, widget, "tooltip", widget->toolTip());
    if (const auto* label = qobject_cast<const QLabel*>(widget))
        Add(texts, widget, "text", label->text());
    else if (const auto* button = qobject_cast<const QAbstractButton*>(widget))
        Add(texts, widget, "text", button->text());
    else if (const auto* edit = qobject_cast<const QLineEdit*>(widget))
        Add(texts, widget, "placeholder", edit->placeholderText());
    else if (const auto* box = qobject_cast<const QGroupBox*>(widget))
        Add(texts, widget, "title", box->title());
    else if (const auto* menu = qobject_cast<const QMenu*>(widget))
        MenuTexts(texts, menu);
    if (const auto* combo = qobject_cast<const QComboBox*>(widget)) {
        for (int i = 0; i < combo->count(); ++i)
            Add(texts, widget, "item", combo->itemText(i));
    }
    if (const auto* view = qobject_cast<const QAbstractItemView*>(widget);
        view && view->model() && !qobject_cast<const QHeaderView*>(widget) &&
        !qobject_cast<const QComboBox*>(widget->parentWidget())) {
        for (int column = 0; column < view->model()->columnCount(); ++column)
            Add(texts, widget, "column",
                view->model()->headerData(column, Qt::Horizontal).toString());
    }
}

line::LineStatus Status(line::Source source, line::LineState state) {
    line::LineStatus status;
    status.source = source;
    status.state = state;
    status.address = "192.168.1.1:1012";
    status.controllers = 2;
    status.retryIn = 30;
    status.nextTry = ui::Clock::now() + std::chrono::seconds(30);
    return status;
}

// The states the "Lignes" dialog and the tray's tip can read, each source in each state.
void LineStateTexts(QStringList& texts) {
    using line::LineState;
    using line::Source;
    const auto now = ui::Clock::now();
    const LineState states[] = {LineState::Off,       LineState::Absent,  LineState::Connecting,
                                LineState::Connected, LineState::Refused, LineState::Lost,
                                LineState::Invalid,   LineState::Failed};
    for (const LineState state : states) {
        const int n = static_cast<int>(state);
        texts << QStringLiteral("capi state %1: %2")
                     .arg(n)
                     .arg(ui::CapiStateText(Status(Source::Capi, state), now));
        texts << QStringLiteral("monitor state %1: %2")
                     .arg(n)
                     .arg(ui::MonitorStateText(Status(Source::CallMonitor, state), now));
        texts << QStringLiteral("mqtt state %1: %2")
                     .arg(n)
                     .arg(ui::MqttStateText(Status(Source::Mqtt, state), now));
        texts << QStringLiteral("tip %1: %2")
                     .arg(n)
                     .arg(ui::TrayToolTip({Status(Source::Capi, state),
                                           Status(Source::CallMonitor, state),
                                           Status(Source::Mqtt, state)},
                                          now));
    }
    line::LineStatus one = Status(Source::Capi, LineState::Connected);
    one.controllers = 1;
    texts << QStringLiteral("capi one controller: %1").arg(ui::CapiStateText(one, now));
    line::LineStatus refused = Status(Source::Mqtt, LineState::Refused);
    refused.reason = line::kMqttNotAuthorised;
    texts << QStringLiteral("mqtt not authorised: %1").arg(ui::MqttStateText(refused, now));
}

void NotificationTexts(QStringList& texts) {
    line::CallNotice call;
    call.number = "0791234567";
    call.called = "0219876543";
    call.calledLabel = "Bureau";
    call.time = "18:20:59";
    const auto describe = [&](const char* what) {
        const ui::CallNotification shown = ui::DescribeCall(call, true, false);
        texts << QStringLiteral("notification %1 summary: %2")
                     .arg(QLatin1String(what), shown.summary);
        texts << QStringLiteral("notification %1 body: %2")
                     .arg(QLatin1String(what), QString(shown.body).replace(u'\n', u'|'));
        for (qsizetype i = 1; i < shown.actions.size(); i += 2)
            texts << QStringLiteral("notification %1 action: %2")
                         .arg(QLatin1String(what), shown.actions[i]);
    };
    describe("looking up");
    call.lookedUp = true;
    call.name = "Inconnu";
    describe("unknown");
    call.name = "Martin Paul";
    describe("named");
    call.number.clear();
    call.name.clear();
    describe("withheld");
}

} // namespace

QStringList WidgetTexts(const QWidget* root) {
    QStringList texts;
    OneWidget(texts, root);
    for (const QWidget* child : root->findChildren<QWidget*>())
        OneWidget(texts, child);
    return texts;
}

QStringList FrenchWindowTexts() {
    QFile file(QStringLiteral(TINTOREL_I18N_DIR "/french-texts.txt"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList texts = QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    const qsizetype row =
        texts.indexOf(QStringLiteral("QComboBox#notificationsCombo item: Désactivées"));
    if (row < 0)
        return {};
    const QStringList language = {
        QStringLiteral("QLabel#languageLabel text: Langue :"),
        QStringLiteral("QComboBox#languageCombo item: Automatique"),
        QStringLiteral("QComboBox#languageCombo item: Français"),
        QStringLiteral("QComboBox#languageCombo item: Deutsch"),
        QStringLiteral("QComboBox#languageCombo item: English"),
        QStringLiteral("QLabel#languageNote text: Prend effet au prochain démarrage")};
    for (qsizetype i = 0; i < language.size(); ++i)
        texts.insert(row + 1 + i, language[i]);
    return texts;
}

QStringList AllWindowTexts() {
    QStringList texts;
    line::LineSupervisor lines;
    lines.Add(std::make_unique<line::CallMonitorSource>());
    lines.Add(std::make_unique<line::MqttSource>());
    lines.Add(std::make_unique<line::CapiSource>());
    line::NotificationState state;
    {
        CCallPopupDlg window(state, lines);
        texts << WidgetTexts(&window);
        std::unique_ptr<QMenu> tray(CTrayIcon::LoadMenu134(nullptr));
        texts << WidgetTexts(tray.get());
    }
    {
        CAboutDlg dialog;
        texts << WidgetTexts(&dialog);
    }
    {
        CLinesDlg dialog(lines);
        texts << WidgetTexts(&dialog);
    }
    {
        CPhonebookDlg dialog;
        texts << WidgetTexts(&dialog);
        QMenu menu;
        ui::AddCopyNumberAction(&menu, "0791234567");
        ui::AddIgnoreNumberAction(&menu, "0791234567", nullptr);
        texts << WidgetTexts(&menu);
    }
    {
        CCallListDlg dialog;
        texts << WidgetTexts(&dialog);
    }
    LineStateTexts(texts);
    NotificationTexts(texts);
    lines.Stop();
    return texts;
}

} // namespace testing_support
