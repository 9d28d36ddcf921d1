// The lists of called and ignored numbers as the handler reads them: labels found as the line
// gives the number or by canonical form, ignored callers by number, prefix or "Anonyme".

#include "line/CallNumbers.h"

#include <QString>

#include <gtest/gtest.h>

TEST(CalledLabels, AsGivenFirstThenByCanonicalForm) {
    const line::CalledLabels labels({{"0219876543", "Bureau"},
                                     {"+41 21 987 65 44", "Maison"},
                                     {"219876545", "Fax (numéro national)"},
                                     {"0219876546", ""}},
                                    0);
    EXPECT_EQ(labels.Find("0219876543"), "Bureau");
    EXPECT_EQ(labels.Find("0041219876543"), "Bureau");
    EXPECT_EQ(labels.Find("0219876544"), "Maison");
    EXPECT_EQ(labels.Find("+41 21 987 65 44"), "Maison");
    // Written as the line gives it, it matches as it is, and by no other form.
    EXPECT_EQ(labels.Find("219876545"), "Fax (numéro national)");
    EXPECT_EQ(labels.Find("0219876545"), "");
    EXPECT_EQ(labels.Find("0219876547"), "");
    EXPECT_EQ(labels.Find(""), "");

    EXPECT_EQ(line::CalledText("0219876543", "Bureau"), "0219876543 (Bureau)");
    EXPECT_EQ(line::CalledText("0219876547", ""), "0219876547");
}

TEST(IgnoredCallers, NumbersPrefixesAndWithheld) {
    const line::IgnoredCallers none({}, 0);
    EXPECT_FALSE(none.Ignores("", NumberKind::AsWritten));
    EXPECT_FALSE(none.Ignores("0791234567", NumberKind::AsWritten));

    const line::IgnoredCallers ignored(
        {"+41 79 123 45 67", "0900*", "+41 901*", "ANONYME", "*", "0311111111"}, 0);
    EXPECT_TRUE(ignored.Ignores("", NumberKind::AsWritten));
    // A number in any form the rules read, with the line's type of number applied.
    EXPECT_TRUE(ignored.Ignores("0791234567", NumberKind::AsWritten));
    EXPECT_TRUE(ignored.Ignores("791234567", NumberKind::National));
    EXPECT_TRUE(ignored.Ignores("41791234567", NumberKind::International));
    EXPECT_FALSE(ignored.Ignores("0791234568", NumberKind::AsWritten));
    EXPECT_FALSE(ignored.Ignores("791234567", NumberKind::AsWritten));
    // Prefixes compare in canonical form too; "*" alone is no prefix.
    EXPECT_TRUE(ignored.Ignores("0900123456", NumberKind::AsWritten));
    EXPECT_TRUE(ignored.Ignores("900123456", NumberKind::National));
    EXPECT_TRUE(ignored.Ignores("0041901000000", NumberKind::AsWritten));
    EXPECT_FALSE(ignored.Ignores("0090012345", NumberKind::AsWritten));
    EXPECT_FALSE(ignored.Ignores("0219876543", NumberKind::AsWritten));

    // The entries that name a number itself, as the phonebook editor's menu removes them.
    EXPECT_EQ(ignored.EntriesFor("0791234567"), std::vector<std::string>{"+41 79 123 45 67"});
    EXPECT_EQ(ignored.EntriesFor("0311111111"), std::vector<std::string>{"0311111111"});
    EXPECT_TRUE(ignored.EntriesFor("0900123456").empty());
    EXPECT_TRUE(ignored.EntriesFor("").empty());
}

TEST(IgnoredCallers, WhatTheListTakes) {
    for (const char16_t* entry : {u"0900*", u"+41 900 *", u"0791234567", u"anonyme", u"Anonyme"})
        EXPECT_TRUE(line::IsIgnoredEntry(entry)) << QString::fromUtf16(entry).toStdString();
    for (const char16_t* entry : {u"", u"*", u"09*00", u"Anonym", u"0900**", u"Inconnu"})
        EXPECT_FALSE(line::IsIgnoredEntry(entry)) << QString::fromUtf16(entry).toStdString();
}
