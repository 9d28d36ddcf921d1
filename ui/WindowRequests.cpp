#include "ui/WindowRequests.h"

#include "ui/AboutDlg.h"
#include "ui/CallListDlg.h"
#include "ui/CallPopupDlg.h"
#include "ui/LinesDlg.h"
#include "ui/PhonebookDlg.h"

#include <QApplication>
#include <QWidget>

#include <functional>

namespace {

// Brings an open window of that kind to the front; false when none is open.
template <class Dialog> bool RaiseOpen() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<Dialog*>(widget);
        if (!dialog || !dialog->isVisible())
            continue;
        if (dialog->isMinimized())
            dialog->showNormal();
        dialog->raise();
        dialog->activateWindow();
        return true;
    }
    return false;
}

template <class Dialog>
std::function<void(CCallPopupDlg&)> OpenOrRaise(void (CCallPopupDlg::*open)()) {
    return [open](CCallPopupDlg& window) {
        if (!RaiseOpen<Dialog>())
            (window.*open)();
    };
}

} // namespace

std::string OnWindowRequest(CCallPopupDlg& window, const std::string& request) {
    std::function<void(CCallPopupDlg&)> action;
    if (request == "history")
        action = OpenOrRaise<CCallListDlg>(&CCallPopupDlg::OnCallList);
    else if (request == "phonebook")
        action = OpenOrRaise<CPhonebookDlg>(&CCallPopupDlg::OnPhonebook);
    else if (request == "lines")
        action = OpenOrRaise<CLinesDlg>(&CCallPopupDlg::OnLines);
    else if (request == "about")
        action = OpenOrRaise<CAboutDlg>(&CCallPopupDlg::OnAbout);
    else if (request == "quit")
        action = [](CCallPopupDlg& w) { w.OnTrayQuit(); };
    else
        return "error unknown request";
    QMetaObject::invokeMethod(
        &window,
        [&window, action] {
            if (!window.IsDestroyed())
                action(window);
        },
        Qt::QueuedConnection);
    return "ok";
}
