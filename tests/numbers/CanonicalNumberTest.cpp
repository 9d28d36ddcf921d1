// The canonical form of a number, the one rule the lookup, the miss cache, the same-call rule
// and the lists of called and ignored numbers compare by.

#include "phonebook/PhoneNumber.h"

#include <QString>

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr int kSwiss = 0;
constexpr int kFrench = 1;

struct Row {
    const char* number; // Windows-1252
    NumberKind kind;
    int country;
    const char* canonical;
};

} // namespace

TEST(CanonicalNumber, RulesTable) {
    const Row rows[] = {
        // As the line gives it: digits stay.
        {"0791234567", NumberKind::AsWritten, kSwiss, "0791234567"},
        {"12", NumberKind::AsWritten, kSwiss, "12"},
        // The type of number: a national number without its 0, an international one without
        // its 00.
        {"791234567", NumberKind::National, kSwiss, "0791234567"},
        {"0791234567", NumberKind::National, kSwiss, "0791234567"},
        {"41791234567", NumberKind::International, kSwiss, "0791234567"},
        {"0041791234567", NumberKind::International, kSwiss, "0791234567"},
        {"4930123456", NumberKind::International, kSwiss, "004930123456"},
        {"33123456789", NumberKind::International, kFrench, "0123456789"},
        // As people write them: separators go, "+" reads "00", the own country code "0".
        {"+41 79 123 45 67", NumberKind::AsWritten, kSwiss, "0791234567"},
        {"0041 79 123 45 67", NumberKind::AsWritten, kSwiss, "0791234567"},
        {"+41 (0)79 123.45-67", NumberKind::AsWritten, kSwiss, "0791234567"},
        {"+41 079 123 45 67", NumberKind::AsWritten, kSwiss, "0791234567"},
        {"(079) 123/45 67", NumberKind::AsWritten, kSwiss, "0791234567"},
        {"[079] 123 45 67", NumberKind::AsWritten, kSwiss, "0791234567"},
        {"079\xA0"
         "123\x96"
         "45\x97"
         "67\t",
         NumberKind::AsWritten, kSwiss, "0791234567"},
        {"+33 1 23 45 67 89", NumberKind::AsWritten, kFrench, "0123456789"},
        {"+33 1 23 45 67 89", NumberKind::AsWritten, kSwiss, "0033123456789"},
        {"+41 79 123 45 67", NumberKind::AsWritten, kFrench, "0041791234567"},
        {"+41 79 123 45 67", NumberKind::National, kSwiss, "0791234567"},
        // Only a country code, or zeros after it: no national digits to make.
        {"0041", NumberKind::AsWritten, kSwiss, "0041"},
        {"+41 00 12", NumberKind::AsWritten, kSwiss, "00410012"},
        // What is no number is its own form.
        {"Anonyme", NumberKind::AsWritten, kSwiss, "Anonyme"},
        {"*31#0791234567", NumberKind::AsWritten, kSwiss, "*31#0791234567"},
        {"079+123", NumberKind::National, kSwiss, "079+123"},
        {"079\x85"
         "123",
         NumberKind::AsWritten, kSwiss,
         "079\x85"
         "123"},
        {"-", NumberKind::International, kSwiss, "-"},
        {"", NumberKind::National, kSwiss, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.number);
        const std::string canonical = CanonicalNumber(row.number, row.kind, row.country);
        EXPECT_EQ(canonical, row.canonical);
        // A canonical form is its own.
        EXPECT_EQ(CanonicalNumber(canonical, NumberKind::AsWritten, row.country), canonical);
    }
}

TEST(CanonicalNumber, TheEditorAndTheImportReadNumbersByTheSameRules) {
    for (const char16_t* written : {u"+41 79 123 45 67", u"079/123.45-67", u"(079) 123 45 67",
                                    u"+41 (0)79 123 45 67", u"12"}) {
        SCOPED_TRACE(QString::fromUtf16(written).toStdString());
        EXPECT_TRUE(ReadsAsPhoneNumber(written));
        const std::optional<std::string> imported = NormalisePhoneNumber(written, kSwiss);
        ASSERT_TRUE(imported);
        EXPECT_EQ(*imported, CanonicalNumber(QString::fromUtf16(written).toStdString(),
                                             NumberKind::AsWritten, kSwiss));
    }
    for (const char16_t* written : {u"", u" - ", u"079 CALL ME", u"79+1", u"0900*", u"Anonyme"})
        EXPECT_FALSE(ReadsAsPhoneNumber(written)) << QString::fromUtf16(written).toStdString();
}
