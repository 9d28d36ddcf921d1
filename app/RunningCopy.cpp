#include "app/RunningCopy.h"

#include "calllog/LogOwner.h"
#include "platform/RequestChannel.h"

#include <QCoreApplication>

#include <cstdio>

namespace {

int Failed(const char* text) {
    std::fputs(QCoreApplication::translate("RunningCopy", text).toUtf8().constData(), stderr);
    std::fputc('\n', stderr);
    return 1;
}

} // namespace

int AskRunningCopy(const std::string& request) {
    int error = 0;
    const auto paths = GetLogOwnerPaths(error, false);
    if (!paths) // without a private runtime folder no copy can take requests
        return Failed(QT_TRANSLATE_NOOP("RunningCopy", "Tintorel ne tourne pas."));
    std::string reply;
    switch (platform::SendRequest(paths->channel, request, reply, error)) {
    case platform::SendResult::NotRunning:
        return Failed(QT_TRANSLATE_NOOP("RunningCopy", "Tintorel ne tourne pas."));
    case platform::SendResult::Failed:
        return Failed(QT_TRANSLATE_NOOP("RunningCopy", "Tintorel ne répond pas."));
    case platform::SendResult::Answered:
        break;
    }
    return reply == "ok"
               ? 0
               : Failed(QT_TRANSLATE_NOOP("RunningCopy", "Tintorel n'a pas compris la demande."));
}
