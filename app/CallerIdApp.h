#pragma once
// The application object: starts the program and runs the notification window as its only
// main window; the program lives exactly as long as that window.

class CCallPopupDlg;

// The notification window with everything behind it: the state it shares with the
// incoming-call handler, the handler installed at the queue of calls, the line sources given
// to their owner, and the message presenter.
CCallPopupDlg* CreateMainWindow();

class CCallerIdApp {
  public:
    CCallerIdApp() = default;

    // Runs the notification window modally; false, so that the program ends with it.
    bool InitInstance();
};

// The program: reads the command line (returning its status when an option ends the program
// at once), sets up Qt (on X11 unless the user chose a platform), runs InitInstance and ends
// the process.
int RunTintorel(int argc, char** argv);
