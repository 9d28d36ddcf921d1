// Files nobody should write, and writers that die mid-save.
#include "phonebook/Phonebook.h"
#include "tests/phonebook_store/PhonebookStoreTestUtil.h"
#include "tests/support/InChild.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <functional>
#include <random>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using testing_support::BoxRecorder;
using testing_support::RunInChild;
using testing_support::TestEnv;

TEST(PhonebookHostile, OddFilesLoadWhatTheyCan) {
    TestEnv env;
    BoxRecorder boxes;

    // A 50 MB line between ordinary ones, no line end at the very end.
    std::string huge(50u << 20, 'x');
    env.WriteFile("phonebook.txt", "1;one\r\n2;" + huge + "\r\n3;three");
    {
        CPhonebook book;
        std::string name;
        ASSERT_TRUE(book.FindEntry("2", name));
        EXPECT_EQ(name.size(), huge.size());
        EXPECT_TRUE(book.FindEntry("3", name));
        EXPECT_EQ(name, "three");
        EXPECT_EQ(Entries(book).size(), 3u);
    }

    // NUL bytes are bytes like others, kept through a save.
    const std::string withNul("4\0x;n\0m\r\ncountry;1\0\r\n", 20);
    env.WriteFile("phonebook.txt", withNul);
    {
        CPhonebook book;
        std::string name;
        ASSERT_TRUE(book.FindEntry(std::string("4\0x", 3), name));
        EXPECT_EQ(name, std::string("n\0m", 3));
        EXPECT_EQ(book.GetCountry(), 1);
        book.Save();
        CPhonebook again;
        EXPECT_EQ(Entries(again), Entries(book));
    }

    // Binary noise: whatever is kept is well formed and survives a save and a reload.
    std::mt19937 random(42);
    for (int round = 0; round < 20; ++round) {
        std::string noise(1 + random() % 200000, '\0');
        for (char& c : noise)
            c = static_cast<char>(random() % 4 == 0 ? ";\r\n"[random() % 3] : random());
        env.WriteFile("phonebook.txt", noise);
        CPhonebook book;
        // A kill between creating the temporary file and the rename left it behind: the next
        // start clears it away.
        ASSERT_EQ(TempFiles(env.Dir()), 0) << "round " << round;
        const auto entries = Entries(book);
        for (const auto& [number, name] : entries) {
            ASSERT_FALSE(number.empty() || name.empty() || number == "country");
            ASSERT_EQ(number.find_first_of(";\n"), std::string::npos);
            ASSERT_EQ(name.find('\n'), std::string::npos);
        }
        book.Save();
        CPhonebook again;
        ASSERT_EQ(Entries(again), entries);
        ASSERT_EQ(again.GetCountry(), book.GetCountry());
    }

    EXPECT_EQ(boxes.Count(), 0u);
}

// A writer killed at any instant leaves the old file or a newer one, whole.
TEST(PhonebookHostile, KilledWriterNeverLeavesAPartialFile) {
    TestEnv env;
    BoxRecorder boxes;
    constexpr int kEntries = 5000;
    std::string initial;
    for (int i = 0; i < kEntries; ++i)
        initial += std::to_string(1000000 + i) + ";Name number " + std::to_string(i) + "\r\n";
    initial += "gen;0\r\ncountry;1\r\n";
    env.WriteFile("phonebook.txt", initial);

    std::mt19937 random(7);
    long lastGeneration = 0;
    int killedAfterSaves = 0;
    for (int round = 0; round < 60; ++round) {
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            CPhonebook book;
            std::string generation;
            book.FindEntry("gen", generation);
            for (long g = std::stol(generation) + 1;; ++g)
                book.SetEntry("gen", std::to_string(g));
        }
        usleep(static_cast<useconds_t>(random() % 40000));
        kill(pid, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);

        bool crlf = false;
        const auto lines = CrLfLines(env.ReadFile("phonebook.txt"), &crlf);
        ASSERT_TRUE(crlf) << "round " << round;
        ASSERT_EQ(lines.size(), kEntries + 2u) << "round " << round;
        ASSERT_EQ(lines.back(), "country;1");
        CPhonebook book;
        // A kill between creating the temporary file and the rename left it behind: the next
        // start clears it away.
        ASSERT_EQ(TempFiles(env.Dir()), 0) << "round " << round;
        const auto entries = Entries(book);
        ASSERT_EQ(entries.size(), kEntries + 1u);
        for (int i = 0; i < kEntries; i += 499)
            ASSERT_EQ(entries.at(std::to_string(1000000 + i)), "Name number " + std::to_string(i));
        const long generation = std::stol(entries.at("gen"));
        ASSERT_GE(generation, lastGeneration);
        killedAfterSaves += generation > lastGeneration;
        lastGeneration = generation;
    }
    EXPECT_GT(killedAfterSaves, 0); // the kills did land among saves
    EXPECT_EQ(boxes.Count(), 0u);
}

// Something in the phonebook's place that is no phonebook: the start neither hangs nor eats
// memory, the user hears of it once, and a save never puts the phonebook in its place.
TEST(PhonebookHostile, WhatIsNoPhonebookIsToldAndNeverReplaced) {
    TestEnv env;
    const std::string path = env.Path("phonebook.txt");
    struct Case {
        const char* what;
        std::function<void()> make;
        int error;
        bool save; // a device stays out of harm's way
    };
    const Case cases[] = {
        {"folder", [&] { ASSERT_EQ(mkdir(path.c_str(), 0700), 0); }, EISDIR, true},
        {"FIFO", [&] { ASSERT_EQ(mkfifo(path.c_str(), 0600), 0); }, ENOTSUP, true},
        {"link to /dev/zero", [&] { ASSERT_EQ(symlink("/dev/zero", path.c_str()), 0); }, ENOTSUP,
         false},
        {"file over 256 MB",
         [&] {
             env.WriteFile("phonebook.txt", "1;one\r\n");
             ASSERT_EQ(truncate(path.c_str(), (off_t{256} << 20) + 1), 0); // sparse
         },
         EFBIG, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.make();
        struct stat before;
        ASSERT_EQ(lstat(path.c_str(), &before), 0);
        const auto startAndSave = [&] {
            BoxRecorder boxes;
            CPhonebook book;
            EXPECT_FALSE(book.GetStartPosition());
            EXPECT_EQ(book.GetCountry(), 0);
            book.Load();
            const auto requests = boxes.Requests();
            ASSERT_EQ(requests.size(), 2u); // once
            EXPECT_EQ(requests[0].text, "Erreur lors de la lecture de l'annuaire !!");
            EXPECT_EQ(requests[0].caption, "Tintorel");
            EXPECT_EQ(requests[0].icon, platform::MsgIcon::Error);
            EXPECT_EQ(requests[1].text, QString::fromLocal8Bit(std::strerror(c.error)));
            if (!c.save)
                return;
            book.SetEntry("2", "two");
            ASSERT_EQ(boxes.Count(), 4u);
            EXPECT_EQ(boxes.Requests()[2].text, "Erreur lors de l'ecriture de l'annuaire !!");
            EXPECT_EQ(boxes.Requests()[3].text, QString::fromLocal8Bit(std::strerror(c.error)));
        };
        EXPECT_EQ(RunInChild(startAndSave), "");
        struct stat after;
        ASSERT_EQ(lstat(path.c_str(), &after), 0);
        EXPECT_EQ(after.st_mode, before.st_mode);
        EXPECT_EQ(after.st_ino, before.st_ino);
        EXPECT_EQ(after.st_size, before.st_size);
        EXPECT_EQ(TempFiles(env.Dir()), 0);
        ASSERT_EQ(std::system(("rm -rf '" + path + "'").c_str()), 0);
    }

    // A phonebook again: read, and saved, without a word.
    BoxRecorder boxes;
    env.WriteFile("phonebook.txt", "1;one\r\ncountry;1\r\n");
    CPhonebook book;
    book.SetEntry("2", "two");
    EXPECT_EQ(Entries(book), (std::map<std::string, std::string>{{"1", "one"}, {"2", "two"}}));
    EXPECT_EQ(book.GetCountry(), 1);
    EXPECT_EQ(boxes.Count(), 0u);
}
