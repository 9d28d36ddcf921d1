#include "app/CallerIdApp.h"

#include "app/CommandLine.h"
#include "app/ContactsCommands.h"
#include "app/RunningCopy.h"
#include "app/WindowSystem.h"
#include "calllog/LogOwner.h"
#include "line/CallAnnouncer.h"
#include "line/CallMonitorLine.h"
#include "line/CallQueue.h"
#include "line/CapiLine.h"
#include "line/LineSupervisor.h"
#include "line/MqttLine.h"
#include "line/Notification.h"
#include "phonebook/Phonebook.h"
#include "platform/RequestChannel.h"
#include "platform/Sound.h"
#include "resources/Resources.h"
#include "translations/Language.h"
#include "ui/CallPopupDlg.h"
#include "ui/DesktopNotifier.h"
#include "ui/MessageBox.h"
#include "ui/WindowRequests.h"

#include <QApplication>
#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>

CCallPopupDlg* CreateMainWindow() {
    // What the model code tells the user appears as boxes owned by the window.
    ui::InstallMessagePresenter();

    // Never destroyed: a line thread may still be handling a call when the program ends.
    auto* state = new line::NotificationState;
    auto* announcer = new line::CallAnnouncer(*state, MainWindowView());
    announcer->SetListener(new ui::CDesktopNotifier);
    line::Calls().SetHandler(
        [announcer](const line::IncomingCall& call) { announcer->IncomingCallHandler(call); });
    line::Calls().SetCountrySource([] { return GetPhonebook()->GetCountry(); });
    // The line sources, in their start order: the router's call monitor, the MQTT broker
    // (which also hears of every call this copy handles), then CAPI (whose registration may
    // wait on a remote driver).
    line::LineSupervisor& lines = line::Lines();
    lines.Add(std::make_unique<line::CallMonitorSource>());
    auto mqtt = std::make_unique<line::MqttSource>();
    announcer->SetSharer(mqtt.get());
    lines.Add(std::move(mqtt));
    lines.Add(std::make_unique<line::CapiSource>());
    auto* window = new CCallPopupDlg(*state, lines);
    // The lines start once the window's start sequence has set up the tray, off the GUI thread
    // (a CAPI driver may be slow to answer), and say whether one of them brings a line: at
    // once when another line than CAPI is configured, else once the driver has answered.
    QObject::connect(window, &CCallPopupDlg::Initialised, window, [&lines] {
        lines.Start([](bool anyLine) {
            RunOnMainWindow([anyLine](CCallPopupDlg& main) { main.OnLinesReady(anyLine); }, false);
        });
    });
    QObject::connect(window, &CCallPopupDlg::Destroying, window, [&lines] { lines.Stop(); });
    // Requests of the command line, served while this copy holds the log-owner role; the
    // window withdraws the channel when it is destroyed.
    SetLogOwnerChannel(new platform::RequestListener(
        [window](const std::string& request) { return OnWindowRequest(*window, request); },
        window));
    return window;
}

bool CCallerIdApp::InitInstance() {
    // Linux needs no sockets layer start-up, so the window is all there is to run.
    CCallPopupDlg* dlg = CreateMainWindow();
    dlg->DoModal();
    delete dlg;
    return false;
}

namespace {

// The command line's work: its options, and the commands that end the program without
// starting it. Nothing set when the program is to start.
std::optional<int> RunCommandLine(int argc, char** argv, app::CommandLine& commandLine) {
    // An application object without a display, so that the command line speaks the user's
    // language before anything is printed.
    int coreArgc = argc;
    QCoreApplication core(coreArgc, argv);
    translations::InstallTranslations();
    commandLine = app::ParseCommandLine(argc, argv);
    if (commandLine.exitStatus)
        return commandLine.exitStatus;
    switch (commandLine.command) {
    case app::CommandLine::Command::Import:
        return RunImport(commandLine.file, commandLine.overwrite);
    case app::CommandLine::Command::Export:
        return RunExport(commandLine.file);
    case app::CommandLine::Command::ExportHistory:
        return RunExportHistory(commandLine.file);
    case app::CommandLine::Command::Request:
        return AskRunningCopy(commandLine.request);
    case app::CommandLine::Command::Run:
        break;
    }
    return std::nullopt;
}

} // namespace

int RunTintorel(int argc, char** argv) {
    // Before anything else: --help and --version need no display.
    app::CommandLine commandLine;
    if (const std::optional<int> status = RunCommandLine(argc, argv, commandLine))
        return *status;

    if (const std::optional<int> status =
            app::SetUpWindowSystem(commandLine.platformGiven, argc > 0 ? argv[0] : "tintorel"))
        return *status;

    // Never destroyed: a line thread may still be running when the program ends, and nothing
    // it might touch is torn down under it.
    static int s_argc = argc;
    auto* app = new QApplication(s_argc, argv);
    app->setQuitOnLastWindowClosed(false);
    // The desktop entry's id: Wayland compositors and notification servers match it.
    QGuiApplication::setDesktopFileName(QStringLiteral("tintorel"));
    InitTintorelResources();
    translations::InstallTranslations();

    CCallerIdApp theApp;
    theApp.InitInstance();
    platform::StopSounds();

    // End without running static destructors: the detached threads may be anywhere.
    std::fflush(nullptr);
    std::quick_exit(0);
}
