// The store used from two threads at once, as the watcher and the dialogs do. Also run under
// ThreadSanitizer (scripts/test.d/tsan).
#include "phonebook/Phonebook.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <thread>

using testing_support::BoxRecorder;
using testing_support::TestEnv;

TEST(PhonebookThreads, TwoThreadsShareTheStore) {
    TestEnv env;
    BoxRecorder boxes;
    env.WriteFile("phonebook.txt", "1;one\r\ncountry;0\r\n");

    CPhonebook* shared[2] = {};
    std::thread first([&] { shared[0] = GetPhonebook(); });
    std::thread second([&] { shared[1] = GetPhonebook(); });
    first.join();
    second.join();
    ASSERT_NE(shared[0], nullptr);
    ASSERT_EQ(shared[0], shared[1]);
    CPhonebook& book = *shared[0];

    constexpr int kRounds = 150;
    std::atomic<bool> failed{false};
    // The watcher's side: reload, look up, store names.
    std::thread watcher([&] {
        for (int i = 0; i < kRounds; ++i) {
            book.Load();
            std::string name;
            for (int k = 0; k < 20; ++k) {
                if (!book.FindEntry("1", name) || name != "one")
                    failed = true;
                book.FindEntry("d" + std::to_string(i - k), name);
            }
            book.SetEntry("w" + std::to_string(i), "watcher " + std::to_string(i));
            const CPhonebook::Profile profile = book.GetProfile();
            if (profile.host.empty())
                failed = true;
        }
    });
    // The dialogs' side: list, edit, remove, switch the country.
    for (int i = 0; i < kRounds; ++i) {
        book.SetEntry("d" + std::to_string(i), "dialog");
        if (i % 2)
            book.RemoveEntry("d" + std::to_string(i - 1));
        book.SetCountry(i % 2, i % 3 == 0);
        POSITION pos = book.GetStartPosition();
        while (pos) {
            std::string number;
            std::string name;
            book.GetNextEntry(pos, number, name);
            if (number.empty())
                failed = true;
        }
        book.GetCountry();
    }
    watcher.join();
    EXPECT_FALSE(failed);

    // Every change reached memory and the file.
    book.SetEntry("last", "x");
    CPhonebook reread;
    std::string name;
    for (int i = 0; i < kRounds; ++i) {
        EXPECT_TRUE(reread.FindEntry("w" + std::to_string(i), name)) << i;
        EXPECT_EQ(reread.FindEntry("d" + std::to_string(i), name), i % 2 == 1) << i;
    }
    EXPECT_EQ(boxes.Count(), 0u);
}
