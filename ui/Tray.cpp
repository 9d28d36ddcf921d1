#include "ui/Tray.h"

#include <QAction>
#include <QCursor>
#include <QMenu>

#include <cstdio>

CTrayIcon::CTrayIcon(QObject* parent) : QObject(parent), m_icon(new QSystemTrayIcon(this)) {
    connect(m_icon, &QSystemTrayIcon::activated, this, &CTrayIcon::OnNotify);
}

void CTrayIcon::Add() {
    m_icon->setIcon(LoadIconResource(145));
    m_icon->setToolTip(QStringLiteral("Tintorel"));
    m_icon->show();
    static bool told = false;
    if (!told && !QSystemTrayIcon::isSystemTrayAvailable()) {
        told = true;
        std::printf("No system tray: use tintorel --history, --phonebook, --lines, --about, "
                    "--quit\n");
        std::fflush(stdout);
    }
}

void CTrayIcon::SetToolTip(const QString& tip) {
    if (m_icon->toolTip() != tip)
        m_icon->setToolTip(tip);
}

void CTrayIcon::Remove() {
    if (m_menu)
        m_menu->close();
    m_icon->hide();
}

void CTrayIcon::OnNotify(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
    case QSystemTrayIcon::DoubleClick:
        emit OpenRequested();
        break;
    case QSystemTrayIcon::Context:
        ShowMenu(QCursor::pos());
        break;
    default: // a single click or the middle button does nothing
        break;
    }
}

QMenu* CTrayIcon::LoadMenu134(QWidget* parent) {
    auto* menu = new QMenu(parent);
    menu->setObjectName(QStringLiteral("popup"));
    QAction* open = menu->addAction(tr("Ouvrir"));
    open->setProperty("commandId", ID_TRAY_OPEN);
    QAction* lines = menu->addAction(tr("Lignes..."));
    lines->setProperty("commandId", ID_TRAY_LINES);
    menu->addSeparator();
    QAction* quit = menu->addAction(tr("Quitter"));
    quit->setProperty("commandId", ID_TRAY_QUIT);
    // The first entry is the default one, shown bold.
    menu->setDefaultAction(menu->actions().value(0));
    return menu;
}

void CTrayIcon::ShowMenu(QPoint pos) {
    if (m_menu)
        m_menu->close();
    QMenu* menu = LoadMenu134(nullptr);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    connect(menu, &QMenu::triggered, this,
            [this](QAction* action) { OnCommand(action->property("commandId").toInt()); });
    m_menu = menu;
    menu->popup(pos);
}

void CTrayIcon::OnCommand(int id) {
    // Queued: the menu finishes closing before the window acts on the choice.
    QMetaObject::invokeMethod(
        this,
        [this, id] {
            if (id == ID_TRAY_OPEN)
                emit OpenRequested();
            else if (id == ID_TRAY_QUIT)
                emit QuitRequested();
            else if (id == ID_TRAY_LINES)
                emit LinesRequested();
        },
        Qt::QueuedConnection);
}
