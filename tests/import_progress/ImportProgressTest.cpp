// The long part of an import as the phonebook editor runs it on its own thread: how far it has
// come, step by step, and giving it up half-way.

#include "phonebook/ContactsTransfer.h"
#include "phonebook/ImportProgress.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stop_token>
#include <string>
#include <vector>

TEST(ImportProgress, ReportsEveryStepInOrderAndStopsWhenAsked) {
    testing_support::TestEnv env;
    std::string cards;
    for (int i = 0; i < 2000; ++i)
        cards += "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Personne " + std::to_string(i) + "\r\nTEL:079" +
                 std::to_string(10000000 + i).substr(1) + "\r\nEND:VCARD\r\n";
    env.WriteFile("cards.vcf", cards);
    const std::string path = env.Path("cards.vcf");

    // The whole way: the file, then its cards, then the check of each, never going back.
    std::vector<int> seen;
    std::stop_source never;
    ContactsRead read =
        ReadContacts(path, 0, ImportProgress([&](int t) { seen.push_back(t); }, never.get_token()));
    EXPECT_EQ(read.error, "");
    EXPECT_FALSE(read.stopped);
    EXPECT_EQ(read.entries.entries.size(), 2000u);
    ASSERT_FALSE(seen.empty());
    EXPECT_TRUE(std::adjacent_find(seen.begin(), seen.end(), std::greater_equal<>()) == seen.end());
    const auto within = [&](int from, int to) {
        return std::any_of(seen.begin(), seen.end(), [&](int t) { return t > from && t < to; });
    };
    EXPECT_TRUE(within(300, 700));
    EXPECT_TRUE(within(700, 1000));
    EXPECT_GE(seen.back(), 990);

    // Asked to stop while the cards are read: nothing comes out, and no error to show either.
    std::stop_source stop;
    int last = 0;
    read = ReadContacts(path, 0,
                        ImportProgress(
                            [&](int t) {
                                last = t;
                                if (t >= 500)
                                    stop.request_stop();
                            },
                            stop.get_token()));
    EXPECT_TRUE(read.stopped);
    EXPECT_EQ(read.error, "");
    EXPECT_TRUE(read.entries.entries.empty());
    EXPECT_LT(last, 700) << "the check of the cards was not given up";
}
