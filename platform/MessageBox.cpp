#include "platform/MessageBox.h"

#include "platform/ModulePath.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QThread>
#include <QWidget>

#include <cstdio>
#include <mutex>

namespace platform {

namespace {

std::mutex g_mutex; // guards the two below
MessageBoxRecorder g_recorder;
QPointer<QWidget> g_mainWindow;

QMessageBox::Icon ToQtIcon(MsgIcon icon) {
    switch (icon) {
    case MsgIcon::Error:
        return QMessageBox::Critical;
    case MsgIcon::Question:
        return QMessageBox::Question;
    case MsgIcon::Warning:
        return QMessageBox::Warning;
    case MsgIcon::Information:
        return QMessageBox::Information;
    case MsgIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

int ToAnswer(int qtButton) {
    switch (qtButton) {
    case QMessageBox::Yes:
        return IDYES;
    case QMessageBox::No:
        return IDNO;
    case QMessageBox::Cancel:
        return IDCANCEL;
    default:
        return IDOK;
    }
}

// The parent a box gets on the GUI thread: the given owner, else the main window, and only a
// widget that still exists and lives on this thread.
QWidget* ResolveParent(const QPointer<QWidget>& owner, const QPointer<QWidget>& mainWindow) {
    QWidget* parent = owner ? owner.data() : mainWindow.data();
    if (parent && parent->thread() != QThread::currentThread())
        return nullptr;
    return parent;
}

int RunBox(const MessageBoxRequest& request, QWidget* parent) {
    QMessageBox box(parent);
    // Modal to its owner only, like the native box: the tray icon stays usable meanwhile.
    if (parent)
        box.setWindowModality(Qt::WindowModal);
    box.setTextFormat(Qt::PlainText); // paths and names may hold '<' or '&'
    box.setText(request.text);
    box.setWindowTitle(request.caption);
    box.setIcon(ToQtIcon(request.icon));
    switch (request.buttons) {
    case MsgButtons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Ok);
        break;
    case MsgButtons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    case MsgButtons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.setEscapeButton(QMessageBox::Cancel);
        break;
    }
    return ToAnswer(box.exec());
}

} // namespace

QString DisplayName() {
    const std::optional<std::string> path = GetModuleFileName();
    if (!path)
        return QStringLiteral("tintorel");
    std::string name = path->substr(path->rfind('/') + 1);
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0)
        name.erase(dot);
    if (name.empty())
        return QStringLiteral("tintorel");
    return QString::fromLocal8Bit(name);
}

void SetMessageBoxMainWindow(QWidget* mainWindow) {
    std::lock_guard lock(g_mutex);
    g_mainWindow = mainWindow;
}

void SetMessageBoxRecorder(MessageBoxRecorder recorder) {
    std::lock_guard lock(g_mutex);
    g_recorder = std::move(recorder);
}

int ShowMessageBox(const QString& text, const QString& caption, MsgIcon icon, MsgButtons buttons,
                   QWidget* owner) {
    MessageBoxRecorder recorder;
    QPointer<QWidget> mainWindow;
    {
        std::lock_guard lock(g_mutex);
        recorder = g_recorder;
        mainWindow = g_mainWindow;
    }
    // The owner pointer is only compared here, never dereferenced off the GUI thread.
    const QPointer<QWidget> ownerRef(owner);

    MessageBoxRequest request;
    request.text = text;
    request.caption = caption.isEmpty() ? DisplayName() : caption;
    request.icon = icon;
    request.buttons = buttons;
    request.hasOwner = owner != nullptr || !mainWindow.isNull();

    if (recorder)
        return recorder(request);

    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (!app) {
        // No GUI to show it on: keep the message where someone can read it.
        std::fprintf(stderr, "%s: %s\n", request.caption.toLocal8Bit().constData(),
                     request.text.toLocal8Bit().constData());
        return IDOK;
    }

    if (QThread::currentThread() == app->thread())
        return RunBox(request, ResolveParent(ownerRef, mainWindow));

    int answer = IDOK;
    QMetaObject::invokeMethod(
        app, [&] { answer = RunBox(request, ResolveParent(ownerRef, mainWindow)); },
        Qt::BlockingQueuedConnection);
    return answer;
}

} // namespace platform
