#include "tests/support/ProgramRun.h"

#include <QProcess>

namespace testing_support {

ProgramOutcome RunWithoutDisplay(const std::string& program, const QStringList& arguments,
                                 QProcessEnvironment env) {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    env.insert(QStringLiteral("TINTOREL_CAPI"), QStringLiteral("rcapi:127.0.0.1:9"));
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(QString::fromStdString(program), arguments);
    ProgramOutcome run;
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    if (process.exitStatus() == QProcess::NormalExit)
        run.status = process.exitCode();
    run.out = process.readAllStandardOutput().toStdString();
    run.err = process.readAllStandardError().toStdString();
    return run;
}

} // namespace testing_support
