#pragma once
// The tray icon (icon 145, tip "Tintorel") and its pop-up menu 134: a double-click or "Ouvrir"
// asks for the notification window to open and stay, "Quitter" for the program to end. Where the
// desktop has no tray at start, standard output says how to reach the windows without it; the
// icon stays shown, so it docks in a tray that turns up later (Qt watches for one).

#include "resources/Resources.h"

#include <QIcon>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>

// Commands of menu 134.
constexpr int ID_TRAY_OPEN = 32775;
constexpr int ID_TRAY_QUIT = 32776;
constexpr int ID_TRAY_LINES = 32777;

class CTrayIcon : public QObject {
    Q_OBJECT
  public:
    explicit CTrayIcon(QObject* parent);

    void Add();
    void Remove();
    // "Tintorel", or what is wrong with a line.
    void SetToolTip(const QString& tip);
    QSystemTrayIcon* Icon() const { return m_icon; }

    // A mouse event over the icon: double-click opens, the context click shows the menu.
    void OnNotify(QSystemTrayIcon::ActivationReason reason);
    // Pops menu 134 up with its top-left corner at pos (loaded afresh, gone after the choice).
    void ShowMenu(QPoint pos);
    // The menu on screen, if any.
    QMenu* OpenMenu() const { return m_menu; }

    // Menu 134: "Ouvrir" (default, bold), "Lignes...", a separator, "Quitter"; each action
    // carries its command id in the "commandId" property.
    static QMenu* LoadMenu134(QWidget* parent);

  signals:
    // Double-click or "Ouvrir".
    void OpenRequested();
    // "Quitter".
    void QuitRequested();
    // "Lignes...".
    void LinesRequested();

  private:
    void OnCommand(int id);

    QSystemTrayIcon* m_icon;
    QPointer<QMenu> m_menu;
};
