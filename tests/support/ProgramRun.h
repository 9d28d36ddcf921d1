#pragma once
// The program run as a user runs a command-line option: without a display, with a CAPI address
// nobody listens on (a program that reached for the line would hang or complain).

#include <QProcessEnvironment>
#include <QStringList>

#include <string>

namespace testing_support {

struct ProgramOutcome {
    int status = -1; // -1 when it crashed or did not end within 30 s
    std::string out;
    std::string err;
};

// Runs program with arguments; env is the environment to start from (the tests' own by
// default), less DISPLAY, WAYLAND_DISPLAY and QT_QPA_PLATFORM.
ProgramOutcome
RunWithoutDisplay(const std::string& program, const QStringList& arguments,
                  QProcessEnvironment env = QProcessEnvironment::systemEnvironment());

} // namespace testing_support
