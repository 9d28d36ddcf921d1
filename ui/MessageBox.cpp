#include "ui/MessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QThread>
#include <QWidget>

#include <cstdio>
#include <mutex>

namespace ui {

namespace {

std::mutex g_mutex; // guards the main window
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

int RunBox(const platform::MessageBoxRequest& request, QWidget* parent) {
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

void SetMessageBoxMainWindow(QWidget* mainWindow) {
    std::lock_guard lock(g_mutex);
    g_mainWindow = mainWindow;
}

int ShowMessageBox(const QString& text, const QString& caption, MsgIcon icon, MsgButtons buttons,
                   QWidget* owner) {
    const platform::MessageBoxRecorder recorder = platform::CurrentMessageBoxRecorder();
    QPointer<QWidget> mainWindow;
    {
        std::lock_guard lock(g_mutex);
        mainWindow = g_mainWindow;
    }
    // The owner pointer is only compared here, never dereferenced off the GUI thread.
    const QPointer<QWidget> ownerRef(owner);

    platform::MessageBoxRequest request = platform::MakeRequest(text, caption, icon, buttons);
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

void InstallMessagePresenter() {
    platform::SetMessagePresenter([](const platform::MessageBoxRequest& request) {
        return ShowMessageBox(request.text, request.caption, request.icon, request.buttons);
    });
}

} // namespace ui
