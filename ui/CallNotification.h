#pragma once
// The desktop notification of one call, in the program's words: summary, plain-text body and
// actions, as they are sent to the notification server.

#include <QString>
#include <QStringList>

namespace line {
struct CallNotice;
}

namespace ui {

// Action keys. "default" is the notification server's own name for a click on the
// notification itself.
inline const QString kActionHistory = QStringLiteral("default");
inline const QString kActionCopyNumber = QStringLiteral("copy-number");
inline const QString kActionAddToPhonebook = QStringLiteral("add-to-phonebook");

struct CallNotification {
    QString summary;     // "Appel de <name>", "Appel de <number>" or "Appel anonyme"
    QString body;        // number, name looked for, called number (and label) and time, one a line
    QStringList actions; // key, label, key, label... (empty without the capability)
};

// Whether a lookup's result is a name: not empty and not "Inconnu" and the like
// (Windows-1252).
bool IsCallerName(const std::string& name);

// actions: the server lists "actions". markup: it lists "body-markup", so the body's
// "&", "<" and ">" must be escaped to stay plain text.
CallNotification DescribeCall(const line::CallNotice& call, bool actions, bool markup);

} // namespace ui
