#include "calllog/CallLogRecord.h"
#include "calllog/HistoryExport.h"
#include "tests/support/InChild.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

using testing_support::RunInChild;
using testing_support::TestEnv;

namespace {

CallLogFields Fields(std::string a, std::string b, std::string c, std::string d) {
    return {std::move(a), std::move(b), std::move(c), std::move(d)};
}

// All lines of a file as the reader gives them, and whether it reported a read error.
std::pair<std::vector<std::string>, bool> ReadLines(const std::string& path) {
    std::vector<std::string> lines;
    CallLogLineReader reader(path);
    std::string line;
    while (reader.Next(line))
        lines.push_back(line);
    return {lines, reader.Failed()};
}

} // namespace

TEST(CallLogRecord, SplitsAtTheFirstThreeSemicolonsOnly) {
    EXPECT_EQ(SplitCallLogLine("01/02/03 04:05:06;123;456;Martin"),
              Fields("01/02/03 04:05:06", "123", "456", "Martin"));
    // Anonymous call: the line ends right after the third ";".
    EXPECT_EQ(SplitCallLogLine("01/02/03 04:05:06;Anonyme;456;"),
              Fields("01/02/03 04:05:06", "Anonyme", "456", ""));
    EXPECT_EQ(SplitCallLogLine("d;123;;Martin"), Fields("d", "123", "", "Martin"));
    EXPECT_EQ(SplitCallLogLine(";123;456;Martin"), Fields("", "123", "456", "Martin"));
    EXPECT_EQ(SplitCallLogLine("Martin; Dupont;;x;;"), Fields("Martin", " Dupont", "", "x;;"));
    EXPECT_EQ(SplitCallLogLine("d;1;2;Dupont; Jean;Paris"),
              Fields("d", "1", "2", "Dupont; Jean;Paris"));
    EXPECT_EQ(SplitCallLogLine("100% %s %n;1;2;50% %d"), Fields("100% %s %n", "1", "2", "50% %d"));
    // Short lines fill from the left.
    EXPECT_EQ(SplitCallLogLine("only a date"), Fields("only a date", "", "", ""));
    EXPECT_EQ(SplitCallLogLine("d;123"), Fields("d", "123", "", ""));
    EXPECT_EQ(SplitCallLogLine("d;123;456"), Fields("d", "123", "456", ""));
    EXPECT_EQ(SplitCallLogLine(";;;"), Fields("", "", "", ""));
    EXPECT_EQ(SplitCallLogLine(""), Fields("", "", "", ""));
}

TEST(CallLogRecord, ReadsLinesLikeATextModeStream) {
    TestEnv env;
    // CR LF and a lone LF end a line; a lone CR is text; a CR before CR LF stays in the line.
    env.WriteFile("a.log", "one;1;2;a\r\n\r\ntwo\rhalf\nthree\r\r\n\nlast without end");
    auto [lines, failed] = ReadLines(env.Path("a.log"));
    EXPECT_FALSE(failed);
    EXPECT_EQ(lines, (std::vector<std::string>{"one;1;2;a", "", "two\rhalf", "three\r", "",
                                               "last without end"}));

    env.WriteFile("b.log", "x\r\ny\r\n");
    EXPECT_EQ(ReadLines(env.Path("b.log")).first, (std::vector<std::string>{"x", "y"}));

    env.WriteFile("empty.log", "");
    EXPECT_TRUE(ReadLines(env.Path("empty.log")).first.empty());

    env.WriteFile("blank.log", "\r\n");
    EXPECT_EQ(ReadLines(env.Path("blank.log")).first, std::vector<std::string>{""});

    // Bytes of every value except the line-end pair come back as they are.
    std::string all;
    for (int b = 0; b < 256; ++b)
        if (b != '\n')
            all.push_back(static_cast<char>(b));
    env.WriteFile("bytes.log", all + "\r\n");
    EXPECT_EQ(ReadLines(env.Path("bytes.log")).first, std::vector<std::string>{all});
}

TEST(CallLogRecord, LinesOfAnyLengthAcrossReadBlocks) {
    TestEnv env;
    std::string longName(300000, 'n');
    std::string text;
    std::vector<std::string> expected;
    for (int i = 0; i < 20000; ++i) {
        std::string line = "01/02/03 04:05:06;" + std::to_string(i) + ";456;Martin";
        expected.push_back(line);
        text += line + "\r\n";
        if (i == 7000) {
            expected.push_back("d;1;2;" + longName);
            text += expected.back() + "\r\n";
        }
    }
    env.WriteFile("big.log", text);
    auto [lines, failed] = ReadLines(env.Path("big.log"));
    EXPECT_FALSE(failed);
    ASSERT_EQ(lines.size(), expected.size());
    EXPECT_EQ(lines, expected);

    // The reader takes 64 KiB at a time: a CR LF cut in two by a block end, or a line end
    // right at it, is still one line end.
    for (std::size_t length : {65534u, 65535u, 65536u}) {
        std::string first(length, 'a');
        env.WriteFile("edge.log", first + "\r\nnext\r\n");
        EXPECT_EQ(ReadLines(env.Path("edge.log")).first, (std::vector<std::string>{first, "next"}))
            << length;
    }
}

TEST(CallLogRecord, ReadErrorIsReported) {
    TestEnv env;
    // A folder is not read at all.
    auto [lines, failed] = ReadLines(env.Dir());
    EXPECT_TRUE(lines.empty());
    EXPECT_TRUE(failed);
}

// Neither the history nor its export waits on a FIFO, or reads a device without end.
TEST(CallLogRecord, OnlyARegularFileIsRead) {
    TestEnv env;
    ASSERT_EQ(mkfifo(env.Path("fifo.log").c_str(), 0600), 0);
    ASSERT_EQ(symlink("/dev/zero", env.Path("zero.log").c_str()), 0);
    const auto readBoth = [&] {
        for (const char* name : {"fifo.log", "zero.log"}) {
            SCOPED_TRACE(name);
            CallLogLineReader reader(env.Path(name));
            std::string line;
            EXPECT_FALSE(reader.Next(line));
            EXPECT_TRUE(reader.Failed());
            EXPECT_EQ(reader.Error(), ENOTSUP);
        }
        const ExportReport report = ExportHistory(env.Path("fifo.log"), env.Path("h.csv"));
        EXPECT_FALSE(report.ok);
        EXPECT_EQ(report.error, "Impossible de lire le journal des appels « " +
                                    env.Path("fifo.log") + " » : Operation not supported.");
        EXPECT_FALSE(env.FileExists("h.csv"));
    };
    EXPECT_EQ(RunInChild(readBoth), "");
}
