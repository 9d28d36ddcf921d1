#include "app/WindowSystem.h"

#include <QDir>
#include <QLibraryInfo>
#include <QStringList>

#include <cstdio>

namespace app {

namespace {

// Where Qt will look for platform plugins.
bool HasWaylandPlugin() {
    QStringList folders;
    for (const char* variable : {"QT_QPA_PLATFORM_PLUGIN_PATH", "QT_PLUGIN_PATH"})
        for (const QString& folder :
             qEnvironmentVariable(variable).split(QLatin1Char(':'), Qt::SkipEmptyParts))
            folders << folder << folder + QStringLiteral("/platforms");
    folders << QLibraryInfo::path(QLibraryInfo::PluginsPath) + QStringLiteral("/platforms");
    for (const QString& folder : folders)
        if (!QDir(folder).entryList({QStringLiteral("libqwayland*.so")}, QDir::Files).isEmpty())
            return true;
    return false;
}

} // namespace

WindowSystem ChooseWindowSystem(bool platformGiven) {
    if (platformGiven || qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        return WindowSystem::UserChoice;
    if (!qEnvironmentVariableIsEmpty("DISPLAY"))
        return WindowSystem::X11;
    if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return WindowSystem::Wayland;
    return WindowSystem::None;
}

std::optional<int> SetUpWindowSystem(bool platformGiven, const char* program) {
    switch (ChooseWindowSystem(platformGiven)) {
    case WindowSystem::UserChoice:
        return std::nullopt;
    case WindowSystem::X11:
        qputenv("QT_QPA_PLATFORM", "xcb");
        return std::nullopt;
    case WindowSystem::Wayland:
        if (!HasWaylandPlugin()) {
            std::fprintf(stderr,
                         "%s: no X display (DISPLAY is not set), and Qt's Wayland platform "
                         "plugin is missing (package qt6-wayland)\n",
                         program);
            return 1;
        }
        // The window then goes where the compositor puts it.
        qputenv("QT_QPA_PLATFORM", "wayland");
        return std::nullopt;
    case WindowSystem::None:
        break;
    }
    std::fprintf(stderr, "%s: no X display to show the window on (DISPLAY is not set)\n", program);
    return 1;
}

} // namespace app
