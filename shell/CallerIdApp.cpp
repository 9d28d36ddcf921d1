#include "shell/CallerIdApp.h"

#include "resources/Resources.h"
#include "shell/CallPopupDlg.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

bool CCallerIdApp::InitInstance() {
    // Linux needs no sockets layer start-up, so the window is all there is to run.
    auto* dlg = new CCallPopupDlg;
    dlg->DoModal();
    delete dlg;
    return false;
}

int RunTintorel(int argc, char** argv) {
    // The window places itself in a screen corner, which needs X11 (or XWayland).
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "xcb");
        if (qEnvironmentVariableIsEmpty("DISPLAY")) {
            std::fprintf(stderr, "%s: no X display to show the window on (DISPLAY is not set)\n",
                         argc > 0 ? argv[0] : "tintorel");
            return 1;
        }
    }

    // Never destroyed: the watcher and the auto-hide loop may still be running when the
    // program ends, and nothing they might touch is torn down under them.
    static int s_argc = argc;
    auto* app = new QApplication(s_argc, argv);
    app->setQuitOnLastWindowClosed(false);
    InitTintorelResources();

    CCallerIdApp theApp;
    theApp.InitInstance();

    // End without running static destructors: the detached threads may be anywhere.
    std::fflush(nullptr);
    std::quick_exit(0);
}
