// The calls' sounds through the real libcanberra on a machine that can't play them.

#include "platform/Sound.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <fcntl.h>
#include <unistd.h>

namespace {

// Sends one of the process's standard descriptors to a file while it lives.
class Captured {
  public:
    Captured(int fd, const std::string& path) : m_fd(fd), m_saved(dup(fd)) {
        std::fflush(nullptr);
        const int file = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        dup2(file, fd);
        close(file);
    }
    ~Captured() {
        std::fflush(nullptr);
        dup2(m_saved, m_fd);
        close(m_saved);
    }
    Captured(const Captured&) = delete;
    Captured& operator=(const Captured&) = delete;

  private:
    int m_fd;
    int m_saved;
};

bool HasSoundCard() {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/dev/snd", error))
        if (entry.path().filename().string().starts_with("pcm"))
            return true;
    return false;
}

} // namespace

TEST(Sound, WithoutASoundCardOneLineOnStdoutAndNothingOnStderr) {
    if (HasSoundCard())
        GTEST_SKIP() << "this machine has a sound card";
    testing_support::TestEnv env;
    // No sound server either: none listens in this test's own runtime folder.
    setenv("XDG_RUNTIME_DIR", env.Dir().c_str(), 1);
    unsetenv("PULSE_SERVER");
    {
        Captured out(STDOUT_FILENO, env.Path("stdout"));
        Captured err(STDERR_FILENO, env.Path("stderr"));
        // Two calls, each with its two sounds, as the call handler plays them.
        for (int call = 0; call < 2; ++call) {
            platform::MessageBeep(platform::MB_ICONEXCLAMATION);
            platform::MessageBeep(platform::MB_ICONASTERISK);
            ASSERT_TRUE(platform::WaitForSounds(std::chrono::seconds(20)));
        }
        platform::StopSounds();
    }
    EXPECT_EQ(env.ReadFile("stderr"), "");
    const std::string out = env.ReadFile("stdout");
    EXPECT_TRUE(out.starts_with("Sounds are unavailable (")) << out;
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1) << out;
    EXPECT_TRUE(out.ends_with("\n")) << out;
}
