#pragma once
// Desktop notifications for incoming calls (org.freedesktop.Notifications on the session bus),
// beside the notification window: one notification per call, updated in place once the
// caller's name is known, and left in the desktop's list so that a call missed while away is
// still there. Its actions copy the number, add it to the phonebook and open the call history.
//
// The line side only hands calls over; every D-Bus call is made on the GUI thread and
// asynchronously, with a time-out, so a slow, hung or missing server delays nothing. A server
// that is missing or goes away is told once on standard output; the window goes on as ever.

#include "settings/Settings.h"
#include "line/CallListener.h"

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

class QDBusPendingCallWatcher;
class QDBusServiceWatcher;

namespace ui {

// Whether calls are notified: the setting, and for "automatic", whether the window lacks a tray
// to reach the program by or a corner to place itself in.
bool ShouldNotify(settings::DesktopNotifications choice, bool trayAvailable, bool canPlaceWindows);

class CDesktopNotifier : public QObject, public line::CallListener {
    Q_OBJECT
  public:
    // How long a server may take to answer before it counts as unavailable.
    static constexpr int kReplyTimeoutMs = 5000;
    // Calls whose notifications are remembered, for their updates and actions.
    static constexpr std::size_t kKept = 100;

    // Lives on the GUI thread. When notifications are on at start, asks the server at once what
    // it can do, so that the first call needn't wait and a missing server is told at start.
    explicit CDesktopNotifier(int replyTimeoutMs = kReplyTimeoutMs, QObject* parent = nullptr);
    ~CDesktopNotifier() override;

    // From the line side: returns at once.
    void CallUpdated(const line::CallNotice& call) override;

    // The setting, the tray and the window system as they are now (GUI thread).
    static bool Enabled();
    // The server answered what it can do: calls go out to it at once (GUI thread).
    bool ServerReady() const { return m_server == Server::Ready; }

  private:
    enum class Server { Unknown, Asking, Ready, Unavailable };
    struct Call {
        line::CallNotice notice;
        std::uint32_t id = 0; // the server's, once it answered
        bool sending = false; // a Notify awaits its answer
        bool changed = false; // the notice changed since it was last sent
        bool closed = false;  // closed on the desktop: not brought back
    };

    void TakeCalls();
    void Pump();
    void AskCapabilities();
    void Send(Call& call);
    void OnCapabilities(QDBusPendingCallWatcher* watcher);
    void OnNotified(std::uint64_t serial, QDBusPendingCallWatcher* watcher);
    void OnOwnerChanged(const QString& service, const QString& oldOwner, const QString& newOwner);
    Call* FindSerial(std::uint64_t serial);
    Call* FindId(std::uint32_t id);
    void Forget();
    void Unavailable(const QString& reason);
    void Available();

  private slots:
    void OnActionInvoked(uint id, const QString& key);
    void OnNotificationClosed(uint id, uint reason);

  private:
    const int m_timeoutMs;
    QDBusConnection m_bus;
    QDBusServiceWatcher* m_watcher = nullptr;
    Server m_server = Server::Unknown;
    bool m_actions = false; // the server lists "actions"
    bool m_markup = false;  // the server lists "body-markup"
    enum class Told { Nothing, Unavailable, Available } m_told = Told::Nothing;
    std::deque<Call> m_calls; // newest last

    std::mutex m_inboxMutex; // the line side's hand-over
    std::vector<line::CallNotice> m_inbox;
    bool m_taking = false; // a TakeCalls is on its way to the GUI thread
};

} // namespace ui
