// A desktop notification server for the tests: owns org.freedesktop.Notifications on the
// session bus it was started on (under dbus-run-session) and tells on standard output, one JSON
// object a line, the bus's address, each method call with its arguments and the time it came
// (steady clock, in nanoseconds), and each command done. Commands come on standard input, one
// a line:
//
//   actions on|off      list "actions" among the capabilities, or not
//   hold                answer no call from now on (a hung server) ...
//   release             ... until this: every held answer goes out, and calls are answered again
//   invoke <id> <key>   emit ActionInvoked
//   close <id> <reason> emit NotificationClosed
//   own | disown        take or give up the service's name
//
// Started with --no-actions or --disowned, it starts without the capability or the name. It
// ends when its standard input does.

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSocketNotifier>
#include <QVariantMap>

#include <chrono>
#include <cstdio>
#include <unistd.h>

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");

void Tell(const QJsonObject& object) {
    std::fputs(QJsonDocument(object).toJson(QJsonDocument::Compact).constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

qint64 Now() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

class NotificationServer : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

  public:
    bool m_actions = true;
    bool m_holding = false;
    QList<QDBusMessage> m_held;

    void Command(const QString& line) {
        const QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        const QString verb = words.value(0);
        if (verb == QLatin1String("actions")) {
            m_actions = words.value(1) == QLatin1String("on");
        } else if (verb == QLatin1String("hold")) {
            m_holding = true;
        } else if (verb == QLatin1String("release")) {
            m_holding = false;
            for (const QDBusMessage& reply : std::as_const(m_held))
                QDBusConnection::sessionBus().send(reply);
            m_held.clear();
        } else if (verb == QLatin1String("invoke")) {
            emit ActionInvoked(words.value(1).toUInt(), words.value(2));
        } else if (verb == QLatin1String("close")) {
            emit NotificationClosed(words.value(1).toUInt(), words.value(2).toUInt());
        } else if (verb == QLatin1String("own")) {
            QDBusConnection::sessionBus().registerService(kService);
        } else if (verb == QLatin1String("disown")) {
            QDBusConnection::sessionBus().unregisterService(kService);
        } else {
            Tell({{"error", line}});
            return;
        }
        Tell({{"done", line}});
    }

  public slots:
    QStringList GetCapabilities() {
        Tell({{"call", "GetCapabilities"}, {"t", Now()}});
        QStringList capabilities = {QStringLiteral("body"), QStringLiteral("persistence")};
        if (m_actions)
            capabilities << QStringLiteral("actions");
        Answer(capabilities);
        return capabilities;
    }

    uint Notify(const QString& app, uint replaces, const QString& icon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints,
                int expire) {
        const uint id = replaces != 0 && replaces < m_nextId ? replaces : m_nextId++;
        QJsonObject hintRecord;
        for (auto it = hints.begin(); it != hints.end(); ++it) {
            const QVariant& value = it.value();
            // A byte is a number here, not a character.
            const QJsonValue json = value.metaType().id() == QMetaType::UChar
                                        ? QJsonValue(int(value.value<uchar>()))
                                        : QJsonValue::fromVariant(value);
            hintRecord.insert(
                it.key(),
                QJsonObject{
                    {"sig", QString::fromLatin1(QDBusMetaType::typeToSignature(value.metaType()))},
                    {"value", json}});
        }
        Tell({{"call", "Notify"},
              {"t", Now()},
              {"id", int(id)},
              {"app", app},
              {"replaces", int(replaces)},
              {"icon", icon},
              {"summary", summary},
              {"body", body},
              {"actions", QJsonArray::fromStringList(actions)},
              {"hints", hintRecord},
              {"expire", expire}});
        Answer(id);
        return id;
    }

    void CloseNotification(uint id) {
        Tell({{"call", "CloseNotification"}, {"t", Now()}, {"id", int(id)}});
        Answer({});
    }

    QString GetServerInformation(QString& vendor, QString& version, QString& specVersion) {
        vendor = QStringLiteral("tests");
        version = QStringLiteral("1");
        specVersion = QStringLiteral("1.2");
        return QStringLiteral("notification-server");
    }

  signals:
    void ActionInvoked(uint id, const QString& key);
    void NotificationClosed(uint id, uint reason);

  private:
    // While holding, the answer is kept for later instead of going out on return.
    void Answer(const QVariant& value) {
        if (!m_holding)
            return;
        setDelayedReply(true);
        m_held << (value.isValid() ? message().createReply(value) : message().createReply());
    }

    uint m_nextId = 1;
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        Tell({{"error", bus.lastError().message()}});
        return 1;
    }
    Tell({{"bus", qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS")}});

    NotificationServer server;
    const QStringList arguments = app.arguments();
    server.m_actions = !arguments.contains(QStringLiteral("--no-actions"));
    bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &server,
                       QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals);
    if (!arguments.contains(QStringLiteral("--disowned")) && !bus.registerService(kService)) {
        Tell({{"error", bus.lastError().message()}});
        return 1;
    }

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QByteArray pending;
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buffer[4096];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            app.quit();
            return;
        }
        pending.append(buffer, n);
        for (qsizetype end; (end = pending.indexOf('\n')) >= 0;) {
            server.Command(QString::fromUtf8(pending.left(end)).trimmed());
            pending.remove(0, end + 1);
        }
    });
    Tell({{"ready", true}});
    return app.exec();
}

#include "NotificationServer.moc"
