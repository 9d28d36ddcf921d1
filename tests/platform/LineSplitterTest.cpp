// The one line rule, on text in memory and on files read a block at a time (lines across
// blocks: tests/calllog).
#include "platform/LineSplitter.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

using platform::LineReader;
using platform::LineSplitter;
using testing_support::TestEnv;

namespace {

using Lines = std::vector<std::string>;

Lines Split(std::string_view text) {
    Lines lines;
    LineSplitter splitter(text);
    for (std::string_view line; splitter.Next(line);)
        lines.emplace_back(line);
    return lines;
}

// The lines of a file, and the reader's error.
std::pair<Lines, int> Read(const std::string& path, std::size_t maxBytes = SIZE_MAX) {
    Lines lines;
    const int fd = open(path.c_str(), O_RDONLY);
    EXPECT_GE(fd, 0) << path;
    LineReader reader(fd, maxBytes);
    for (std::string_view line; reader.Next(line);)
        lines.emplace_back(line);
    close(fd);
    return {lines, reader.Error()};
}

} // namespace

TEST(LineSplitter, OneRuleForTextAndFiles) {
    TestEnv env;
    const std::pair<std::string, Lines> cases[] = {
        {"", {}},
        {"\n", {""}},
        {"a", {"a"}},
        {"a\n", {"a"}},
        {"a\r\nb\nc", {"a", "b", "c"}},
        {"two\r\r\n", {"two\r"}},     // only the CR right before LF goes with the end
        {"lone\rcr\n", {"lone\rcr"}}, // any other CR is text
        {"last\r", {"last\r"}},       // a last line without LF keeps its CR
        {"\r\n\r\n", {"", ""}},
        {std::string("nul\0byte\n", 9), {std::string("nul\0byte", 8)}},
    };
    for (const auto& [text, lines] : cases) {
        EXPECT_EQ(Split(text), lines) << text;
        env.WriteFile("f.txt", text);
        EXPECT_EQ(Read(env.Path("f.txt")), std::make_pair(lines, 0)) << text;
    }

    // Whole lines only: the rest waits, as a reader waits for the next block.
    LineSplitter splitter("one\r\ntwo\nthr");
    std::string_view line;
    ASSERT_TRUE(splitter.NextWhole(line));
    EXPECT_EQ(line, "one");
    ASSERT_TRUE(splitter.NextWhole(line));
    EXPECT_EQ(line, "two");
    EXPECT_FALSE(splitter.NextWhole(line));
    EXPECT_EQ(splitter.Rest(), "thr");

    // Past its limit a reader gives nothing more, and says why.
    env.WriteFile("f.txt", "a\r\n" + std::string(300000, 'x') + "\r\nb");
    const auto [lines, error] = Read(env.Path("f.txt"), 1000);
    EXPECT_EQ(error, EFBIG);
    EXPECT_TRUE(lines.empty() || lines == Lines{"a"});
}
