#include "platform/UserMessage.h"

#include "platform/ModulePath.h"

#include <cstdio>
#include <mutex>

namespace platform {

namespace {

std::mutex g_mutex; // guards the two below
MessagePresenter g_presenter;
MessageBoxRecorder g_recorder;

} // namespace

QString DisplayName() {
    const std::optional<std::string> path = GetModuleFileName();
    if (!path)
        return QStringLiteral("tintorel");
    std::string name = path->substr(path->rfind('/') + 1);
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0)
        name.erase(dot);
    if (name.empty())
        return QStringLiteral("tintorel");
    return QString::fromLocal8Bit(name);
}

MessageBoxRequest MakeRequest(const QString& text, const QString& caption, MsgIcon icon,
                              MsgButtons buttons) {
    MessageBoxRequest request;
    request.text = text;
    request.caption = caption.isEmpty() ? DisplayName() : caption;
    request.icon = icon;
    request.buttons = buttons;
    return request;
}

void SetMessagePresenter(MessagePresenter presenter) {
    std::lock_guard lock(g_mutex);
    g_presenter = std::move(presenter);
}

MessagePresenter CurrentMessagePresenter() {
    std::lock_guard lock(g_mutex);
    return g_presenter;
}

void SetMessageBoxRecorder(MessageBoxRecorder recorder) {
    std::lock_guard lock(g_mutex);
    g_recorder = std::move(recorder);
}

MessageBoxRecorder CurrentMessageBoxRecorder() {
    std::lock_guard lock(g_mutex);
    return g_recorder;
}

int TellUser(const QString& text, const QString& caption, MsgIcon icon, MsgButtons buttons) {
    MessagePresenter presenter;
    MessageBoxRecorder recorder;
    {
        std::lock_guard lock(g_mutex);
        presenter = g_presenter;
        recorder = g_recorder;
    }
    const MessageBoxRequest request = MakeRequest(text, caption, icon, buttons);
    // Called outside the lock: the answer may take as long as the user does.
    if (presenter)
        return presenter(request);
    if (recorder)
        return recorder(request);
    // Nobody to show it: keep the message where someone can read it.
    std::fprintf(stderr, "%s: %s\n", request.caption.toLocal8Bit().constData(),
                 request.text.toLocal8Bit().constData());
    return IDOK;
}

} // namespace platform
