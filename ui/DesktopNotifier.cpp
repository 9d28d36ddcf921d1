#include "ui/DesktopNotifier.h"

#include "ui/CallNotification.h"
#include "ui/CallPopupDlg.h"
#include "ui/NumberActions.h"
#include "ui/PhonebookDlg.h"
#include "ui/WorkArea.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QSystemTrayIcon>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace ui {

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
// The notifier's own connection, so that it can connect again after the bus went away.
const QString kConnection = QStringLiteral("tintorel-notifications");

QDBusMessage Method(const QString& name) {
    return QDBusMessage::createMethodCall(kService, kPath, kInterface, name);
}

void Print(const QString& line) {
    std::printf("%s\n", line.toLocal8Bit().constData());
    std::fflush(stdout);
}

// Runs fn on the window once the current event is over (a D-Bus signal's delivery, here),
// since it may open a modal dialog.
void Later(QObject* context, std::function<void(CCallPopupDlg&)> fn) {
    QMetaObject::invokeMethod(
        context, [fn = std::move(fn)] { RunOnMainWindow(fn, false); }, Qt::QueuedConnection);
}

} // namespace

bool ShouldNotify(settings::DesktopNotifications choice, bool trayAvailable, bool canPlaceWindows) {
    switch (choice) {
    case settings::DesktopNotifications::Off:
        return false;
    case settings::DesktopNotifications::On:
        return true;
    case settings::DesktopNotifications::Automatic:
        break;
    }
    return !trayAvailable || !canPlaceWindows;
}

bool CDesktopNotifier::Enabled() {
    return ShouldNotify(settings::ReadDesktopNotifications(),
                        QSystemTrayIcon::isSystemTrayAvailable(), CanPlaceWindows());
}

CDesktopNotifier::CDesktopNotifier(int replyTimeoutMs, QObject* parent)
    : QObject(parent), m_timeoutMs(replyTimeoutMs), m_bus(QString()) {
    QTimer::singleShot(0, this, [this] {
        if (Enabled())
            AskCapabilities();
    });
}

CDesktopNotifier::~CDesktopNotifier() {
    if (m_bus.isConnected())
        QDBusConnection::disconnectFromBus(kConnection);
}

void CDesktopNotifier::CallUpdated(const line::CallNotice& call) {
    // The user asked not to hear of these callers.
    if (call.ignored)
        return;
    std::lock_guard lock(m_inboxMutex);
    m_inbox.push_back(call);
    if (m_taking)
        return;
    m_taking = true;
    QMetaObject::invokeMethod(this, &CDesktopNotifier::TakeCalls, Qt::QueuedConnection);
}

void CDesktopNotifier::TakeCalls() {
    std::vector<line::CallNotice> notices;
    {
        std::lock_guard lock(m_inboxMutex);
        notices.swap(m_inbox);
        m_taking = false;
    }
    // Read when the call comes, so that a change in the options counts from the next call.
    if (!Enabled())
        return;
    for (line::CallNotice& notice : notices) {
        Call* call = FindSerial(notice.serial);
        if (!call) {
            if (m_calls.size() >= kKept)
                m_calls.pop_front();
            call = &m_calls.emplace_back();
        }
        call->notice = std::move(notice);
        call->changed = true;
    }
    Pump();
}

void CDesktopNotifier::Pump() {
    switch (m_server) {
    case Server::Unknown:
    case Server::Unavailable:
        // A server may have come (or be started by the bus) since: ask again.
        AskCapabilities();
        return;
    case Server::Asking:
        return;
    case Server::Ready:
        break;
    }
    for (Call& call : m_calls)
        if (call.changed && !call.sending && !call.closed)
            Send(call);
}

void CDesktopNotifier::AskCapabilities() {
    if (!m_bus.isConnected()) {
        QDBusConnection::disconnectFromBus(kConnection);
        m_bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, kConnection);
        if (!m_bus.isConnected()) {
            const QString error = m_bus.lastError().message();
            Unavailable(error.isEmpty() ? QStringLiteral("no session bus") : error);
            return;
        }
        delete m_watcher;
        m_watcher = new QDBusServiceWatcher(kService, m_bus,
                                            QDBusServiceWatcher::WatchForOwnerChange, this);
        connect(m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
                &CDesktopNotifier::OnOwnerChanged);
        m_bus.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                      SLOT(OnActionInvoked(uint, QString)));
        m_bus.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                      SLOT(OnNotificationClosed(uint, uint)));
    }
    m_server = Server::Asking;
    auto* watcher = new QDBusPendingCallWatcher(
        m_bus.asyncCall(Method(QStringLiteral("GetCapabilities")), m_timeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, &CDesktopNotifier::OnCapabilities);
}

void CDesktopNotifier::OnCapabilities(QDBusPendingCallWatcher* watcher) {
    watcher->deleteLater();
    const QDBusPendingReply<QStringList> reply = *watcher;
    if (reply.isError()) {
        Unavailable(reply.error().message());
        return;
    }
    const QStringList capabilities = reply.value();
    m_actions = capabilities.contains(QStringLiteral("actions"));
    m_markup = capabilities.contains(QStringLiteral("body-markup"));
    m_server = Server::Ready;
    Available();
    Pump();
}

void CDesktopNotifier::Send(Call& call) {
    const CallNotification shown = DescribeCall(call.notice, m_actions, m_markup);
    QVariantMap hints;
    hints.insert(QStringLiteral("category"), QStringLiteral("call.incoming"));
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("tintorel"));
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue<uchar>(1)); // normal
    // The program plays its own two sounds.
    hints.insert(QStringLiteral("suppress-sound"), true);

    QDBusMessage message = Method(QStringLiteral("Notify"));
    // Expiry -1, the server's own: the notification stays in the desktop's list.
    message << QStringLiteral("Tintorel") << uint(call.id) << QStringLiteral("tintorel")
            << shown.summary << shown.body << shown.actions << hints << int(-1);
    call.sending = true;
    call.changed = false;
    const std::uint64_t serial = call.notice.serial;
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message, m_timeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, serial](QDBusPendingCallWatcher* done) { OnNotified(serial, done); });
}

void CDesktopNotifier::OnNotified(std::uint64_t serial, QDBusPendingCallWatcher* watcher) {
    watcher->deleteLater();
    const QDBusPendingReply<uint> reply = *watcher;
    Call* call = FindSerial(serial);
    if (call)
        call->sending = false;
    if (reply.isError()) {
        // The call is shown and logged all the same; its notification is lost.
        if (call)
            call->changed = false;
        Unavailable(reply.error().message());
        return;
    }
    if (!call)
        return;
    call->id = reply.value();
    // The name came while the first notification was on its way: now its id is known.
    if (call->changed)
        Pump();
}

void CDesktopNotifier::OnOwnerChanged(const QString&, const QString& oldOwner,
                                      const QString& newOwner) {
    if (newOwner.isEmpty()) {
        // Its notifications went with it.
        Forget();
        if (m_server == Server::Ready)
            Unavailable(QStringLiteral("the notification server left the session bus"));
    } else if (oldOwner.isEmpty() && m_server != Server::Asking) {
        m_server = Server::Unknown;
        if (Enabled())
            AskCapabilities();
    }
}

void CDesktopNotifier::OnActionInvoked(uint id, const QString& key) {
    const Call* call = FindId(id);
    if (!call)
        return; // another program's notification, or one long forgotten
    const std::string number = call->notice.number;
    if (key == kActionCopyNumber) {
        CopyNumber(number);
    } else if (key == kActionAddToPhonebook) {
        Later(this, [number](CCallPopupDlg& window) {
            CPhonebookDlg dlg(&window);
            dlg.ShowNumber(number, {});
            dlg.exec();
        });
    } else if (key == kActionHistory) {
        Later(this, [](CCallPopupDlg& window) { window.OnCallList(); });
    }
}

void CDesktopNotifier::OnNotificationClosed(uint id, uint) {
    if (Call* call = FindId(id))
        call->closed = true;
}

CDesktopNotifier::Call* CDesktopNotifier::FindSerial(std::uint64_t serial) {
    const auto found = std::find_if(m_calls.begin(), m_calls.end(), [serial](const Call& call) {
        return call.notice.serial == serial;
    });
    return found == m_calls.end() ? nullptr : &*found;
}

CDesktopNotifier::Call* CDesktopNotifier::FindId(std::uint32_t id) {
    if (id == 0)
        return nullptr;
    const auto found = std::find_if(m_calls.begin(), m_calls.end(),
                                    [id](const Call& call) { return call.id == id; });
    return found == m_calls.end() ? nullptr : &*found;
}

void CDesktopNotifier::Forget() {
    for (Call& call : m_calls) {
        call.id = 0;
        call.closed = true;
    }
}

void CDesktopNotifier::Unavailable(const QString& reason) {
    m_server = Server::Unavailable;
    for (Call& call : m_calls)
        if (!call.sending)
            call.changed = false;
    if (m_told == Told::Unavailable)
        return;
    m_told = Told::Unavailable;
    Print(QStringLiteral("Desktop notifications unavailable: %1").arg(reason));
}

void CDesktopNotifier::Available() {
    if (m_told == Told::Unavailable)
        Print(QStringLiteral("Desktop notifications available again"));
    m_told = Told::Available;
}

} // namespace ui
