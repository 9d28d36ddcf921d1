// Changes to the phonebook: every one re-reads the file, then rewrites it whole.
#include "phonebook/Phonebook.h"
#include "tests/phonebook_store/PhonebookStoreTestUtil.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <cstring>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using testing_support::BoxRecorder;
using testing_support::TestEnv;

namespace {

using Map = std::map<std::string, std::string>;

// The entries of the file as Load would see them, and whether it ends with the country line.
Map FileEntries(const TestEnv& env, std::string* countryLine = nullptr) {
    bool crlf = false;
    auto lines = CrLfLines(env.ReadFile("phonebook.txt"), &crlf);
    EXPECT_TRUE(crlf);
    Map entries;
    if (lines.empty())
        return entries;
    if (countryLine)
        *countryLine = lines.back();
    lines.pop_back();
    for (const auto& line : lines) {
        std::size_t semi = line.find(';');
        EXPECT_TRUE(entries.emplace(line.substr(0, semi), line.substr(semi + 1)).second)
            << "twice: " << line;
    }
    return entries;
}

} // namespace

TEST(PhonebookChange, EntriesAndTheFile) {
    TestEnv env;
    BoxRecorder boxes;
    CPhonebook book;
    EXPECT_FALSE(book.GetStartPosition());
    EXPECT_FALSE(env.FileExists("phonebook.txt"));

    // The first change creates the file.
    book.SetEntry("123", "Dupont");
    EXPECT_EQ(env.ReadFile("phonebook.txt"), "123;Dupont\r\ncountry;0\r\n");
    book.SetEntry("123", "Martin");
    book.SetEntry("456", "Durand");
    std::string country;
    EXPECT_EQ(FileEntries(env, &country), (Map{{"123", "Martin"}, {"456", "Durand"}}));
    EXPECT_EQ(country, "country;0");

    // A line added by hand is picked up by the next change; one removed by hand comes back.
    env.WriteFile("phonebook.txt", "789;Hand\r\n456;Durand\r\n456;Other\r\ncountry;0\r\n");
    book.SetEntry("1", "one");
    EXPECT_EQ(FileEntries(env),
              (Map{{"1", "one"}, {"123", "Martin"}, {"456", "Durand"}, {"789", "Hand"}}));
    // Changed by hand: memory wins.
    env.WriteFile("phonebook.txt", "123;Changed\r\ncountry;0\r\n");
    book.RemoveEntry("1");
    EXPECT_EQ(FileEntries(env), (Map{{"123", "Martin"}, {"456", "Durand"}, {"789", "Hand"}}));

    // Removing a number that isn't there still rewrites the file, duplicates gone.
    env.WriteFile("phonebook.txt", "456;Durand\r\n456;Twice\r\n");
    book.RemoveEntry("999");
    EXPECT_EQ(FileEntries(env, &country),
              (Map{{"123", "Martin"}, {"456", "Durand"}, {"789", "Hand"}}));
    EXPECT_EQ(country, "country;0");

    // A line break in a text must not make a second line of the file.
    book.SetEntry("5", "Evil\n6;Injected");
    book.Load();
    std::string name;
    EXPECT_FALSE(book.FindEntry("6", name));
    EXPECT_TRUE(book.FindEntry("5", name));
    EXPECT_EQ(name, "Evil 6;Injected");

    // Walking the entries sees a snapshot.
    POSITION pos = book.GetStartPosition();
    book.RemoveEntry("5");
    Map walked;
    while (pos) {
        std::string number;
        book.GetNextEntry(pos, number, name);
        walked[number] = name;
    }
    EXPECT_EQ(walked.size(), 4u);
    EXPECT_EQ(walked["5"], "Evil 6;Injected");
    EXPECT_FALSE(pos);
    EXPECT_EQ(boxes.Count(), 0u);
}

TEST(PhonebookChange, FailedSaveTellsAndKeepsMemory) {
    TestEnv env;
    BoxRecorder boxes;
    CPhonebook book;
    book.SetEntry("1", "one");
    ASSERT_EQ(std::remove(env.Path("phonebook.txt").c_str()), 0);
    ASSERT_EQ(mkdir(env.Path("phonebook.txt").c_str(), 0700),
              0); // can be neither read nor replaced

    book.SetEntry("2", "two");
    auto requests = boxes.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].text, "Erreur lors de l'ecriture de l'annuaire !!");
    EXPECT_EQ(requests[0].caption, "Tintorel");
    EXPECT_EQ(requests[0].icon, platform::MsgIcon::Error);
    EXPECT_EQ(requests[0].buttons, platform::MsgButtons::Ok);
    EXPECT_EQ(requests[1].text, QString::fromLocal8Bit(std::strerror(EISDIR)));
    EXPECT_EQ(requests[1].buttons, platform::MsgButtons::Ok);

    EXPECT_EQ(Entries(book), (Map{{"1", "one"}, {"2", "two"}}));
    EXPECT_EQ(TempFiles(env.Dir()), 0); // nothing left behind

    // Once the cause is gone, the next change writes everything.
    ASSERT_EQ(rmdir(env.Path("phonebook.txt").c_str()), 0);
    book.SetEntry("3", "three");
    EXPECT_EQ(FileEntries(env), (Map{{"1", "one"}, {"2", "two"}, {"3", "three"}}));
    EXPECT_EQ(boxes.Count(), 2u);
}

TEST(PhonebookChange, SaveKeepsModeAndLink) {
    TestEnv env;
    BoxRecorder boxes;
    ASSERT_EQ(mkdir(env.Path("real").c_str(), 0700), 0);
    env.WriteFile("real/book.txt", "1;one\r\n");
    ASSERT_EQ(chmod(env.Path("real/book.txt").c_str(), 0640), 0);
    ASSERT_EQ(symlink(env.Path("real/book.txt").c_str(), env.Path("phonebook.txt").c_str()), 0);

    CPhonebook book;
    book.SetEntry("2", "two");
    struct stat st;
    ASSERT_EQ(lstat(env.Path("phonebook.txt").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(stat(env.Path("real/book.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(FileEntries(env), (Map{{"1", "one"}, {"2", "two"}}));
    EXPECT_EQ(boxes.Count(), 0u);
}

TEST(PhonebookChange, WritableFileInAFolderClosedToTheUser) {
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to act as another user";
    TestEnv env;
    BoxRecorder boxes;
    env.WriteFile("phonebook.txt", "1;one\r\n");
    // The folder is root's and closed to others; the file is open to everyone.
    ASSERT_EQ(chmod(env.Dir().c_str(), 0755), 0);
    ASSERT_EQ(chmod(env.Path("phonebook.txt").c_str(), 0666), 0);

    const pid_t pid = fork();
    if (pid == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0)
            _exit(2);
        CPhonebook book;
        book.SetEntry("2", "two");
        _exit(boxes.Count() == 0 ? 0 : 1);
    }
    int status = -1;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_NE(WEXITSTATUS(status), 2) << "could not become another user";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the save was refused";
    EXPECT_EQ(FileEntries(env), (Map{{"1", "one"}, {"2", "two"}}));
    EXPECT_EQ(TempFiles(env.Dir()), 0);
}
