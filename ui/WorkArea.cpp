#include "ui/WorkArea.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace ui {

QRect GetWorkArea() {
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

void CentreInWorkArea(QWidget* window) {
    const QRect work = GetWorkArea();
    if (work.isEmpty())
        return;
    window->winId(); // the frame is known only once the native window exists
    const QSize size = window->frameGeometry().size();
    window->move(work.x() + (work.width() - size.width()) / 2,
                 work.y() + (work.height() - size.height()) / 2);
}

bool CanPlaceWindows() {
    // "wayland", "wayland-egl" and the other flavours of Qt's Wayland plugin.
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

} // namespace ui
