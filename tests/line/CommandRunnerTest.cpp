// The command run for each call, through real processes: its environment and arguments, a
// hostile caller's name reaching it as plain text, failures told on standard output, one that
// hangs ended with what it started, and at most four at once.

#include "line/CallCommand.h"
#include "line/CommandRunner.h"
#include "settings/Settings.h"
#include "tests/support/StdoutCapture.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include <sys/stat.h>

using namespace std::chrono_literals;
using testing_support::StdoutCapture;
using testing_support::TestEnv;

namespace {

std::vector<std::string> Sh(const std::string& script, std::vector<std::string> args = {}) {
    std::vector<std::string> argv = {"/bin/sh", "-c", script, "sh"};
    argv.insert(argv.end(), args.begin(), args.end());
    return argv;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

// Whether the process is gone (or only waits to be reaped by whoever adopted it).
bool Gone(pid_t pid) {
    if (::kill(pid, 0) != 0)
        return errno == ESRCH;
    std::FILE* stat = std::fopen(("/proc/" + std::to_string(pid) + "/stat").c_str(), "r");
    if (!stat)
        return true;
    char state = '?';
    const int read = std::fscanf(stat, "%*d (%*[^)]) %c", &state);
    std::fclose(stat);
    return read == 1 && state == 'Z';
}

} // namespace

TEST(CallCommand, SplitsLikeAShellWithoutOne) {
    using Words = std::vector<std::string>;
    const std::pair<const char*, Words> cases[] = {
        {"notify-send  Appel\tTintorel\n", {"notify-send", "Appel", "Tintorel"}},
        {"'/opt/my tools/alert' \"x y\" z\\ w", {"/opt/my tools/alert", "x y", "z w"}},
        {"a\"b\"'c'd", {"abcd"}},
        {R"("a\"b\\c\$d\e`")", {"a\"b\\c$d\\e`"}},
        {R"('it'\''s')", {"it's"}},
        {"$(rm -rf ~) ; | & > f $HOME", {"$(rm", "-rf", "~)", ";", "|", "&", ">", "f", "$HOME"}},
        {"prog \"\" ''", {"prog", "", ""}},
        {"one\\\ntwo", {"onetwo"}},
        {"", {}},
    };
    for (const auto& [command, words] : cases) {
        const std::optional<Words> split = line::SplitCommandLine(command);
        ASSERT_TRUE(split) << command;
        EXPECT_EQ(*split, words) << command;
    }
    for (const char* open : {"'open", "prog \"open", "trailing\\", "\"a\\\""})
        EXPECT_FALSE(line::SplitCommandLine(open)) << open;
}

TEST(CallCommand, RunsWithoutAShellWithTheCallInItsEnvironment) {
    TestEnv env;
    setenv("TZ", "CET-1", 1);
    tzset();
    env.WriteFile("home-marker", "still here");
    // Each variable into a file of its own, so line breaks in a value stay visible.
    env.WriteFile("record.sh",
                  "#!/bin/sh\n"
                  "dir=$(dirname \"$0\")\n"
                  "printf '%s\\n' \"$@\" > \"$dir/args\"\n"
                  "for v in CALLING CALLED NAME CALLED_LABEL LINE TIME IGNORED; do\n"
                  "  printenv \"TINTOREL_$v\" > \"$dir/$v\" || echo unset > \"$dir/$v\"\n"
                  "done\n");
    ASSERT_EQ(::chmod(env.Path("record.sh").c_str(), 0700), 0);
    settings::SetCallCommand("'" + env.Path("record.sh") +
                             "' 'arg one' \"two\\\" three\" '$HOME' ;rm");

    line::IncomingCall call;
    call.calling = "0791234567";
    call.called = "0219876543";
    call.source = line::Source::CallMonitor;
    const std::string hostile = "$(rm -rf ~) `touch x` \"Dupont\" 'Andr\xe9'\nsecond; line";
    line::StartCallCommand(call, {hostile, "Bureau", false, 1741454459});
    ASSERT_TRUE(line::Commands().WaitUntilIdle(20s));

    EXPECT_EQ(env.ReadFile("args"), "arg one\ntwo\" three\n$HOME\n;rm\n");
    EXPECT_EQ(env.ReadFile("NAME"),
              "$(rm -rf ~) `touch x` \"Dupont\" 'Andr\xc3\xa9'\nsecond; line\n");
    EXPECT_EQ(env.ReadFile("CALLING"), "0791234567\n");
    EXPECT_EQ(env.ReadFile("CALLED"), "0219876543\n");
    EXPECT_EQ(env.ReadFile("CALLED_LABEL"), "Bureau\n");
    EXPECT_EQ(env.ReadFile("LINE"), "callmonitor\n");
    EXPECT_EQ(env.ReadFile("TIME"), "2025-03-08T18:20:59+01:00\n");
    EXPECT_EQ(env.ReadFile("IGNORED"), "unset\n");
    EXPECT_EQ(env.ReadFile("home-marker"), "still here");
    EXPECT_FALSE(env.FileExists("x"));

    // An ignored, withheld call from the CAPI line.
    call.calling.clear();
    call.source = line::Source::Capi;
    line::StartCallCommand(call, {"", "", true, 1741454459});
    ASSERT_TRUE(line::Commands().WaitUntilIdle(20s));
    EXPECT_EQ(env.ReadFile("CALLING"), "\n");
    EXPECT_EQ(env.ReadFile("NAME"), "\n");
    EXPECT_EQ(env.ReadFile("LINE"), "capi\n");
    EXPECT_EQ(env.ReadFile("IGNORED"), "1\n");

    // No command, nothing run.
    std::remove(env.Path("LINE").c_str());
    settings::SetCallCommand("");
    line::StartCallCommand(call, {"", "", false, 1741454459});
    ASSERT_TRUE(line::Commands().WaitUntilIdle(20s));
    EXPECT_FALSE(env.FileExists("LINE"));
}

TEST(CommandRunner, AFailureIsToldWithItsStatusAndTheFirstLineOfItsErrors) {
    TestEnv env;
    StdoutCapture out;
    line::CommandRunner runner;
    const auto run = [&](std::vector<std::string> argv) {
        EXPECT_TRUE(runner.Run(std::move(argv), {}));
        EXPECT_TRUE(runner.WaitUntilIdle(20s));
    };
    run(Sh("echo to-stdout; printf 'first\\tproblem\\r\\nsecond\\n' >&2; exit 3"));
    run({"/nonexistent/program", "x"});
    run(Sh("kill -9 $$"));
    run(Sh("echo fine >&2"));
    run({"true"}); // found in PATH
    EXPECT_FALSE(runner.Run({}, {}));
    EXPECT_EQ(out.Text(), "Call command failed: exit status 3: first problem\n"
                          "Call command failed: cannot start /nonexistent/program: No such file "
                          "or directory\n"
                          "Call command failed: killed by signal 9 (Killed)\n");
}

TEST(CommandRunner, OneThatHangsIsEndedWithWhatItStarted) {
    TestEnv env;
    setenv("TINTOREL_COMMAND_TIMEOUT", "1", 1);
    StdoutCapture out;
    line::CommandRunner runner;
    // One ends at SIGTERM; the other ignores it, and so does what it started: SIGKILL ends both.
    ASSERT_TRUE(runner.Run(Sh("echo waiting >&2; exec sleep 60"), {}));
    ASSERT_TRUE(
        runner.Run(Sh("trap '' TERM; sleep 60 & echo $! > \"$1/pid\"; wait", {env.Dir()}), {}));
    // Handed over without waiting for either.
    EXPECT_EQ(out.Text(), "");
    ASSERT_TRUE(runner.WaitUntilIdle(30s));
    unsetenv("TINTOREL_COMMAND_TIMEOUT");
    EXPECT_EQ(out.Count("Call command failed: ran longer than 1 s and was ended (signal 15): "
                        "waiting\n"),
              1)
        << out.Text();
    EXPECT_EQ(out.Count("Call command failed: ran longer than 1 s and was ended (signal 9)\n"), 1)
        << out.Text();
    const pid_t sleeper = std::stoi(env.ReadFile("pid"));
    for (int i = 0; i < 100 && !Gone(sleeper); ++i)
        std::this_thread::sleep_for(50ms);
    EXPECT_TRUE(Gone(sleeper));
}

TEST(CommandRunner, AtMostFourAtOnceTheOthersWaitInOrder) {
    TestEnv env;
    ::mkdir(env.Path("running").c_str(), 0700);
    StdoutCapture out;
    line::CommandRunner runner;
    // The first four end one after another, a while apart: the places free up one at a time.
    const std::string script = "mkdir \"$1/running/$2\"; echo $2 >> \"$1/started\";"
                               "ls \"$1/running\" | wc -l >> \"$1/counts\"; sleep $3;"
                               "rmdir \"$1/running/$2\"";
    const char* const sleeps[] = {"0.2", "0.6", "1", "1", "0.1", "0.1"};
    for (int i = 0; i < 6; ++i)
        ASSERT_TRUE(runner.Run(Sh(script, {env.Dir(), std::to_string(i), sleeps[i]}), {}));
    // Handed over, not run on this thread.
    EXPECT_FALSE(env.FileExists("started") && Lines(env.ReadFile("started")).size() == 6);
    ASSERT_TRUE(runner.WaitUntilIdle(30s));

    std::vector<std::string> started = Lines(env.ReadFile("started"));
    ASSERT_EQ(started.size(), 6u);
    std::sort(started.begin(), started.begin() + 4);
    EXPECT_EQ(started, (std::vector<std::string>{"0", "1", "2", "3", "4", "5"}));
    std::vector<int> counts;
    for (const std::string& count : Lines(env.ReadFile("counts")))
        counts.push_back(std::stoi(count));
    EXPECT_EQ(*std::max_element(counts.begin(), counts.end()), 4);

    // Four that run on, a hundred that wait: one more is dropped, and said so.
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(runner.Run(
            Sh("touch \"$1/long$2\"; exec sleep 60", {env.Dir(), std::to_string(i)}), {}));
    for (int i = 0; i < 4; ++i)
        for (int tries = 0; tries < 200 && !env.FileExists("long" + std::to_string(i)); ++tries)
            std::this_thread::sleep_for(50ms);
    for (int i = 0; i < 100; ++i)
        ASSERT_TRUE(runner.Run({"true"}, {}));
    EXPECT_FALSE(runner.Run({"true"}, {}));
    EXPECT_EQ(out.Text(), "Call command dropped: 100 commands are waiting already\n");
    // The runner's end takes the sleepers with it.
}
