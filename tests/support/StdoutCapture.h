#pragma once
// The process's standard output goes to an anonymous file while this lives, so a test can read
// the program's diagnostics (ctest runs each case in its own process). GoogleTest's own output
// lands there too: it is passed on when a test failed.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <unistd.h>

namespace testing_support {

class StdoutCapture {
  public:
    StdoutCapture() {
        std::fflush(stdout);
        m_file = std::tmpfile();
        m_saved = ::dup(STDOUT_FILENO);
        if (m_file == nullptr || m_saved < 0 || ::dup2(::fileno(m_file), STDOUT_FILENO) < 0)
            ADD_FAILURE() << "cannot redirect standard output";
    }
    ~StdoutCapture() {
        std::fflush(stdout);
        if (m_saved >= 0) {
            ::dup2(m_saved, STDOUT_FILENO);
            ::close(m_saved);
        }
        if (m_file != nullptr && ::testing::Test::HasFailure())
            std::printf("captured standard output:\n%s\n", Text().c_str());
        if (m_file != nullptr)
            std::fclose(m_file);
    }
    StdoutCapture(const StdoutCapture&) = delete;
    StdoutCapture& operator=(const StdoutCapture&) = delete;

    std::string Text() const {
        std::fflush(stdout);
        std::string text;
        char buffer[512];
        for (off_t at = 0;;) {
            const ssize_t n = ::pread(::fileno(m_file), buffer, sizeof buffer, at);
            if (n <= 0)
                return text;
            text.append(buffer, static_cast<std::size_t>(n));
            at += n;
        }
    }
    // How many times text was printed.
    int Count(const std::string& text) const {
        const std::string all = Text();
        int found = 0;
        for (auto at = all.find(text); at != std::string::npos; at = all.find(text, at + 1))
            ++found;
        return found;
    }

  private:
    std::FILE* m_file = nullptr;
    int m_saved = -1;
};

} // namespace testing_support
