#include "bench/support/BenchProgram.h"

#include "platform/ModulePath.h"
#include "platform/Sound.h"
#include "platform/UserMessage.h"
#include "tools/linesim/LineSim.h"
#include "ui/CallPopupDlg.h"

#include <QApplication>
#include <QKeyEvent>

#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace bench {

std::string SubscriberNumber(int i) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "07%08d", 10000000 + i * 7);
    return buffer;
}

void WritePhonebook(const std::string& folder, int entries) {
    std::ofstream book(folder + "/phonebook.txt", std::ios::binary);
    for (int i = 0; i < entries; ++i)
        book << SubscriberNumber(i) << ";Abonn\xE9 num\xE9ro " << i << "\r\n";
    book << "country;0\r\n";
}

void PrepareFolder(const std::string& folder, int entries) {
    setenv("HOME", folder.c_str(), 1);
    setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
    setenv("TINTOREL_REGISTRY", (folder + "/registry.reg").c_str(), 1);
    platform::SetModuleFileNameOverride(folder + "/tintorel");
    WritePhonebook(folder, entries);
    platform::SetSoundRecorder([](unsigned) {});
    platform::SetMessageBoxRecorder([](const platform::MessageBoxRequest&) { return 1; });
}

bool StartLine(linesim::LineSim& line) {
    if (!line.Start()) {
        std::fprintf(stderr, "linesim did not start\n");
        return false;
    }
    const std::string capi = "rcapi:127.0.0.1:" + std::to_string(line.Port());
    setenv("TINTOREL_CAPI", capi.c_str(), 1);
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    return true;
}

void Quit(CCallPopupDlg* dlg) {
    QMetaObject::invokeMethod(
        dlg,
        [dlg] {
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(dlg, &escape);
        },
        Qt::QueuedConnection);
}

} // namespace bench
