// Which window system the program picks, from the variables a session sets.

#include "app/WindowSystem.h"

#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <cstdlib>

using app::WindowSystem;

TEST(WindowSystemTest, X11WhereThereIsOneWaylandAloneNativelyAndTheUsersChoiceAlways) {
    testing_support::TestEnv env;
    struct Case {
        const char* platform;
        const char* display;
        const char* wayland;
        bool platformOption;
        WindowSystem expected;
        const char* set; // QT_QPA_PLATFORM afterwards
    };
    const Case cases[] = {
        {nullptr, ":0", nullptr, false, WindowSystem::X11, "xcb"},
        // XWayland beside Wayland: X11, so the window keeps its corner.
        {nullptr, ":0", "wayland-0", false, WindowSystem::X11, "xcb"},
        {nullptr, nullptr, "wayland-0", false, WindowSystem::Wayland, "wayland"},
        {nullptr, "", "wayland-0", false, WindowSystem::Wayland, "wayland"},
        {"wayland", ":0", "wayland-0", false, WindowSystem::UserChoice, "wayland"},
        {"offscreen", nullptr, nullptr, false, WindowSystem::UserChoice, "offscreen"},
        {nullptr, ":0", "wayland-0", true, WindowSystem::UserChoice, nullptr},
        {nullptr, nullptr, "", false, WindowSystem::None, nullptr},
    };
    for (const Case& c : cases) {
        for (const auto& [name, value] :
             {std::pair{"QT_QPA_PLATFORM", c.platform}, std::pair{"DISPLAY", c.display},
              std::pair{"WAYLAND_DISPLAY", c.wayland}}) {
            if (value)
                setenv(name, value, 1);
            else
                unsetenv(name);
        }
        const std::string what = std::string(c.display ? c.display : "-") + " " +
                                 (c.wayland ? c.wayland : "-") + " " +
                                 (c.platform ? c.platform : "-");
        EXPECT_EQ(app::ChooseWindowSystem(c.platformOption), c.expected) << what;
        const std::optional<int> status = app::SetUpWindowSystem(c.platformOption, "tintorel");
        // Nowhere to show the window: the program ends with 1, as it always did.
        EXPECT_EQ(status, c.expected == WindowSystem::None ? std::optional<int>(1) : std::nullopt)
            << what;
        const char* set = std::getenv("QT_QPA_PLATFORM");
        EXPECT_EQ(set ? std::string(set) : "-", c.set ? std::string(c.set) : "-") << what;
    }
    unsetenv("QT_QPA_PLATFORM");
}
