#include "calllog/CallLog.h"
#include "calllog/LogOwner.h"
#include "platform/ModulePath.h"
#include "tests/calllog/FailingCloseFs.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <regex>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using testing_support::BoxRecorder;
using testing_support::TestEnv;

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find("\r\n", start);
        EXPECT_NE(end, std::string::npos) << "line without CR LF";
        if (end == std::string::npos)
            break;
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

// The time field, then the rest of the record.
std::pair<std::string, std::string> Split(const std::string& line) {
    return {line.substr(0, 17), line.substr(17)};
}

} // namespace

TEST(CallLog, RecordFormat) {
    TestEnv env;
    BoxRecorder boxes;
    g_bLogOwner = true;
    env.WriteFile("isdncall.log", "earlier line\r\n");

    AppendCallLog("123", "456", "Martin");
    AppendCallLog("", "456", "");
    AppendCallLog("Anonyme", "", "");
    AppendCallLog("0791234567", "456", "Dupont; Jean;;");
    AppendCallLog("789", "456", "Caf\xe9 \x80 Z\xfcrich");
    AppendCallLog("789", "456", "Two\r\nlines");

    const auto lines = Lines(env.ReadFile("isdncall.log"));
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[0], "earlier line"); // appended, never rewritten
    const std::regex stamp(R"(\d\d/\d\d/\d\d \d\d:\d\d:\d\d)");
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::string when = Split(lines[i]).first;
        ASSERT_TRUE(std::regex_match(when, stamp)) << lines[i];
        // Local time of the write, day first.
        std::tm tm{};
        ASSERT_NE(strptime(when.c_str(), "%d/%m/%y %H:%M:%S", &tm), nullptr);
        tm.tm_isdst = -1;
        EXPECT_LE(std::abs(std::difftime(std::mktime(&tm), std::time(nullptr))), 5.0) << when;
    }
    EXPECT_EQ(Split(lines[1]).second, ";123;456;Martin");
    EXPECT_EQ(Split(lines[2]).second, ";Anonyme;456;");
    EXPECT_EQ(Split(lines[3]).second, ";Anonyme;;");
    EXPECT_EQ(Split(lines[4]).second, ";0791234567;456;Dupont; Jean;;");
    EXPECT_EQ(Split(lines[5]).second, ";789;456;Caf\xe9 \x80 Z\xfcrich"); // bytes as given
    EXPECT_EQ(Split(lines[6]).second, ";789;456;Two  lines");             // one record per line

    // The name read back by the reader's rule (after the third semicolon).
    const std::string& line = lines[4];
    std::size_t third = line.find(';', line.find(';', line.find(';') + 1) + 1);
    EXPECT_EQ(line.substr(third + 1), "Dupont; Jean;;");
    EXPECT_EQ(boxes.Count(), 0u);
}

TEST(CallLog, MissingFileIsCreatedAndCallsInOneSecondKeepTheirOrder) {
    TestEnv env;
    g_bLogOwner = true;
    ASSERT_FALSE(env.FileExists("isdncall.log"));
    for (int i = 0; i < 5; ++i)
        AppendCallLog(std::to_string(i).c_str(), "456", "x");
    const auto lines = Lines(env.ReadFile("isdncall.log"));
    ASSERT_EQ(lines.size(), 5u);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(Split(lines[i]).second, ";" + std::to_string(i) + ";456;x");
}

TEST(CallLog, FileThatCannotBeOpenedShowsTwoBoxesEachCall) {
    TestEnv env;
    BoxRecorder boxes;
    g_bLogOwner = true;
    ASSERT_EQ(mkdir(env.Path("isdncall.log").c_str(), 0700), 0); // opening it fails
    AppendCallLog("123", "456", "Martin");
    AppendCallLog("124", "456", "Martin");

    const QString path = QString::fromStdString(env.Path("isdncall.log"));
    auto requests = boxes.Requests();
    ASSERT_EQ(requests.size(), 4u);
    for (int i = 0; i < 4; i += 2) {
        EXPECT_EQ(requests[i].text, "Erreur lors de l'écriture dans le logfile !!");
        EXPECT_EQ(requests[i].caption, path);
        EXPECT_EQ(requests[i + 1].text, path);
        EXPECT_EQ(requests[i + 1].caption, path);
        EXPECT_EQ(requests[i].icon, platform::MsgIcon::Error);
        EXPECT_EQ(requests[i + 1].icon, platform::MsgIcon::Error);
        EXPECT_EQ(requests[i].buttons, platform::MsgButtons::Ok);
    }

    // Cause removed: the next call is logged again.
    ASSERT_EQ(rmdir(env.Path("isdncall.log").c_str()), 0);
    AppendCallLog("125", "456", "Martin");
    const auto lines = Lines(env.ReadFile("isdncall.log"));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(Split(lines[0]).second, ";125;456;Martin");
    EXPECT_EQ(boxes.Count(), 4u);
}

TEST(CallLog, RecordOnAFullDiskIsWholeOrNotThere) {
    TestEnv env;
    BoxRecorder boxes;
    g_bLogOwner = true;
    // A small filesystem of its own, so the disk can be filled without harm.
    const std::string disk = env.Dir();
    if (mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=16k") != 0)
        GTEST_SKIP() << "cannot mount a filesystem here: " << std::strerror(errno);
    struct Unmount {
        std::string path;
        ~Unmount() { umount2(path.c_str(), MNT_DETACH); }
    } unmount{disk};

    // The log 20 bytes short of a page, and every other page taken.
    env.WriteFile("isdncall.log", std::string(4074, 'x') + "\r\n");
    const std::size_t before = env.ReadFile("isdncall.log").size();
    {
        std::FILE* filler = std::fopen(env.Path("filler").c_str(), "wb");
        ASSERT_NE(filler, nullptr);
        const std::string page(4096, 'f');
        while (std::fwrite(page.data(), 1, page.size(), filler) == page.size() &&
               std::fflush(filler) == 0) {
        }
        std::fclose(filler);
    }

    AppendCallLog("0510000003", "99", "Disk 3");
    EXPECT_EQ(env.ReadFile("isdncall.log").size(), before); // the fragment was cut off
    ASSERT_EQ(boxes.Count(), 2u);
    EXPECT_EQ(boxes.Requests()[0].text, "Erreur lors de l'écriture dans le logfile !!");

    // Space again: the next record starts on a line of its own.
    ASSERT_EQ(unlink(env.Path("filler").c_str()), 0);
    AppendCallLog("0510000004", "99", "Disk 4");
    const auto lines = Lines(env.ReadFile("isdncall.log"));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(Split(lines[1]).second, ";0510000004;99;Disk 4");
    EXPECT_EQ(boxes.Count(), 2u);
}

TEST(CallLog, FailedWriteShowsTheTwoBoxes) {
    TestEnv env;
    BoxRecorder boxes;
    g_bLogOwner = true;
    // The log opens, but every write fails.
    ASSERT_EQ(symlink("/dev/full", env.Path("isdncall.log").c_str()), 0);
    AppendCallLog("123", "456", "Martin");

    const QString path = QString::fromStdString(env.Path("isdncall.log"));
    const auto requests = boxes.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].text, "Erreur lors de l'écriture dans le logfile !!");
    EXPECT_EQ(requests[0].caption, path);
    EXPECT_EQ(requests[1].text, path);
    EXPECT_EQ(requests[1].caption, path);
    EXPECT_EQ(requests[1].icon, platform::MsgIcon::Error);
}

TEST(CallLog, AFifoInTheLogsPlaceTakesNoRecordSilently) {
    TestEnv env;
    BoxRecorder boxes;
    g_bLogOwner = true;
    ASSERT_EQ(mkfifo(env.Path("isdncall.log").c_str(), 0600), 0);
    // Some process reads the FIFO: whatever goes in is gone from the log.
    const int reader = open(env.Path("isdncall.log").c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    AppendCallLog("123", "456", "Martin");

    char byte;
    EXPECT_LE(read(reader, &byte, 1), 0); // nothing was written into it
    close(reader);
    const QString path = QString::fromStdString(env.Path("isdncall.log"));
    const auto requests = boxes.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].text, "Erreur lors de l'écriture dans le logfile !!");
    EXPECT_EQ(requests[0].caption, path);
    EXPECT_EQ(requests[1].text, path);
}

TEST(CallLog, AWriteRefusedAtCloseIsAFailedWrite) {
    TestEnv env;
    BoxRecorder boxes;
    g_bLogOwner = true;
    ASSERT_EQ(mkdir(env.Path("remote").c_str(), 0700), 0);
    FailingCloseFs remote(env.Path("remote"));
    if (!remote.Mounted())
        GTEST_SKIP() << "cannot mount a FUSE file system here: " << remote.Error();
    platform::SetModuleFileNameOverride(env.Path("remote/tintorel"));
    AppendCallLog("123", "456", "Martin");

    EXPECT_NE(remote.Written().find(";123;456;Martin\r\n"), std::string::npos);
    const QString path = QString::fromStdString(env.Path("remote/isdncall.log"));
    const auto requests = boxes.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].text, "Erreur lors de l'écriture dans le logfile !!");
    EXPECT_EQ(requests[0].caption, path);
    EXPECT_EQ(requests[1].text, path);
}
