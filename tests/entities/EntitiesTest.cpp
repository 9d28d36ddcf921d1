#include "phonebook/Entities.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

namespace {

std::string Decoded(std::string text) {
    DecodeEntities(text);
    return text;
}

TEST(EntitiesTest, TableHoldsTheLatin1SetInCodeOrderAndNothingElse) {
    std::set<std::string> names;
    for (const char* name : g_entityNames) {
        ASSERT_NE(name, nullptr);
        EXPECT_GE(std::strlen(name), 2u);
        EXPECT_LE(std::strlen(name), 6u);
        names.insert(name);
    }
    EXPECT_EQ(names.size(), 96u);
    EXPECT_STREQ(g_entityNames[0], "nbsp");
    EXPECT_STREQ(g_entityNames[73], "eacute");
    EXPECT_STREQ(g_entityNames[95], "yuml");

    const std::pair<const char*, int> known[] = {
        {"nbsp", 160},   {"copy", 169},   {"shy", 173},    {"frac12", 189}, {"iquest", 191},
        {"Agrave", 192}, {"AElig", 198},  {"Eacute", 201}, {"ETH", 208},    {"times", 215},
        {"Uuml", 220},   {"THORN", 222},  {"szlig", 223},  {"eacute", 233}, {"egrave", 232},
        {"eth", 240},    {"divide", 247}, {"uuml", 252},   {"thorn", 254},  {"yuml", 255}};
    for (const auto& [name, code] : known)
        EXPECT_EQ(LookupEntity(name), code) << name;
    for (const char* other : {"amp", "lt", "gt", "quot", "apos", "euro", "OElig", "hellip", "UUML",
                              "EACUTE", "", "#233", "nbsp;", " nbsp", "eacut", "eacutee"})
        EXPECT_EQ(LookupEntity(other), 0) << other;
}

TEST(EntitiesTest, KnownReferencesBecomeTheirCharacter) {
    EXPECT_EQ(Decoded("Z&uuml;rich"), "Z\xfcrich");
    EXPECT_EQ(Decoded("M&Uuml;LLER"), "M\xdcLLER");
    EXPECT_EQ(Decoded("&nbsp;Dupont"), "\xa0"
                                       "Dupont"); // not trimmed
    EXPECT_EQ(Decoded("&frac12;"), "\xbd");
    EXPECT_EQ(Decoded("&eacute;&egrave;"), "\xe9\xe8");
    EXPECT_EQ(Decoded("&yuml;&Agrave;"), "\xff\xc0");
    EXPECT_EQ(Decoded("Dupont Jean"), "Dupont Jean");
    EXPECT_EQ(Decoded(""), "");
}

TEST(EntitiesTest, UnknownReferenceCutsTheName) {
    EXPECT_EQ(Decoded("M&UUML;LLER"), "M");
    EXPECT_EQ(Decoded("Dupont &amp; Fils"), "Dupont ");
    EXPECT_EQ(Decoded("Cr&#233;pin"), "Cr");
    EXPECT_EQ(Decoded("A&;B"), "A");
    EXPECT_EQ(Decoded("Dupont & Co; Lausanne"), "Dupont ");
    // Decoded ones before the cut stay decoded; an "&" whose ";" is too far stays.
    EXPECT_EQ(Decoded("B&eacute;b&eacute  &amp;x"), "B\xe9"
                                                    "b&eacute  ");
    EXPECT_EQ(Decoded("x&&uuml;"), "x"); // the name "&uuml" is not in the table
}

TEST(EntitiesTest, AmpersandWithoutCloseSemicolonStays) {
    EXPECT_EQ(Decoded("Smith & Wesson"), "Smith & Wesson");
    EXPECT_EQ(Decoded("A &abcdefg; B"), "A &abcdefg; B");     // ";" 8 after "&": left alone
    EXPECT_EQ(Decoded("A &abcdef; B"), "A ");                 // 7 after: a reference, unknown
    EXPECT_EQ(Decoded("R&D &eacute;quipe"), "R&D \xe9quipe"); // goes on with the next "&"
    EXPECT_EQ(Decoded("x&  &uuml;"), "x&  \xfc");
    EXPECT_EQ(Decoded("trailing&"), "trailing&");
}

} // namespace
