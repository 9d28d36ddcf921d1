// Reading and writing phonebook.txt.
#include "phonebook/Phonebook.h"
#include "tests/phonebook_store/PhonebookStoreTestUtil.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <algorithm>

using testing_support::BoxRecorder;
using testing_support::TestEnv;

namespace {

const CPhonebook::Profile kSwiss{
    "tel.search.ch",
    "GET /result.fr.html?name=&misc=&strasse=&ort=&kanton=&tel=",
    R"(<table border="0" cellpadding="1" cellspacing="0" width="100%">)",
    R"(<td bgcolor="#CCCCCC">)",
    70,
    R"(<td nowrap valign="top" width="100%">)",
    "<br>"};

const CPhonebook::Profile kFrench{
    "www.pagesblanches.fr",
    "GET /France/wp/search/result.asp?pagestep=5&searchtype=white&lastname=&firstname=&dep="
    "&cityguess=1&city=&lang=1&Search.x=9&Search.y=21&phone=",
    R"(<table width="480">)",
    R"(<table border="0" cellspacing="0" width="100%" bgcolor="#FFCC00">)",
    80,
    R"(<td valign="top" width="90%"><small><b>)",
    "</b></small>"};

void ExpectProfile(const CPhonebook& book, const CPhonebook::Profile& expected) {
    const CPhonebook::Profile p = book.GetProfile();
    EXPECT_EQ(p.host, expected.host);
    EXPECT_EQ(p.request, expected.request);
    EXPECT_EQ(p.tableMarker, expected.tableMarker);
    EXPECT_EQ(p.rowMarker, expected.rowMarker);
    EXPECT_EQ(p.maxRowDistance, expected.maxRowDistance);
    EXPECT_EQ(p.nameStart, expected.nameStart);
    EXPECT_EQ(p.nameEnd, expected.nameEnd);
}

} // namespace

TEST(PhonebookFile, LinesAreReadByTheFileRules) {
    TestEnv env;
    BoxRecorder boxes;
    env.WriteFile("phonebook.txt", "456;Martin Paul\r\n"
                                   "123;Dupont; Jean\r\n"
                                   ";;789;Dupont\r\n"
                                   "111;\r\n"
                                   "222\r\n"
                                   "\r\n"
                                   ";;;\r\n"
                                   " 123 ;Blank\r\n"
                                   "123;Second\r\n"
                                   "country;1\r\n"
                                   "333; both ends \n"
                                   "with\rcr;x\r\r\n"
                                   "country;0\r\n"
                                   "Caf\xe9;\x80 \xff\r\n"
                                   "444;no line end\r");
    CPhonebook book;
    const std::map<std::string, std::string> expected{
        {"456", "Martin Paul"},   {"123", "Dupont; Jean"},  {"789", "Dupont"},
        {" 123 ", "Blank"},       {"333", " both ends "},   {"with\rcr", "x\r"},
        {"Caf\xe9", "\x80 \xff"}, {"444", "no line end\r"},
    };
    EXPECT_EQ(Entries(book), expected);
    EXPECT_EQ(book.GetCountry(), 1); // the first country line, though not the last line
    ExpectProfile(book, kFrench);
    std::string name;
    EXPECT_TRUE(book.FindEntry("123", name));
    EXPECT_EQ(name, "Dupont; Jean");
    EXPECT_FALSE(book.FindEntry("country", name));
    EXPECT_FALSE(book.FindEntry("111", name));

    // Saved: one line per number, CR LF everywhere, the country line last.
    book.Save();
    bool crlf = false;
    auto lines = CrLfLines(env.ReadFile("phonebook.txt"), &crlf);
    EXPECT_TRUE(crlf);
    ASSERT_EQ(lines.size(), expected.size() + 1);
    EXPECT_EQ(lines.back(), "country;1");
    lines.pop_back();
    std::sort(lines.begin(), lines.end());
    std::vector<std::string> wanted;
    for (const auto& [number, n] : expected)
        wanted.push_back(number + ";" + n);
    std::sort(wanted.begin(), wanted.end());
    EXPECT_EQ(lines, wanted);

    // And read back to the same phonebook.
    CPhonebook again;
    EXPECT_EQ(Entries(again), expected);
    EXPECT_EQ(again.GetCountry(), 1);
    EXPECT_EQ(boxes.Count(), 0u);
}

TEST(PhonebookFile, CountryLine) {
    TestEnv env;
    BoxRecorder boxes;
    struct Case {
        const char* file; // nullptr: no file
        int country;
    };
    const Case cases[] = {
        {nullptr, 0},
        {"", 0},
        {"1;a\r\n", 0},
        {"country;1", 1},
        {"country;7\r\n", 0},
        {"country;abc\r\n", 0},
        {"country; \t+1 and more\r\n", 1},
        {"country;-1\r\n", 0}, // never left "not set"
        {"country;4294967297\r\n", 0},
        {"country;-99999999999999999999\r\n", 0},
        {"country;1\r\ncountry;0\r\n", 1},
        {";country;1\r\n", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file ? c.file : "(no file)");
        std::remove(env.Path("phonebook.txt").c_str());
        if (c.file)
            env.WriteFile("phonebook.txt", c.file);
        CPhonebook book;
        EXPECT_EQ(book.GetCountry(), c.country);
        ExpectProfile(book, c.country == 1 ? kFrench : kSwiss);
        std::string name;
        EXPECT_FALSE(book.FindEntry("country", name));
        EXPECT_EQ(env.FileExists("phonebook.txt"), c.file != nullptr); // loading never writes
    }
    EXPECT_EQ(boxes.Count(), 0u);

    // Each change reads the file again, country line included.
    std::remove(env.Path("phonebook.txt").c_str());
    CPhonebook book;
    env.WriteFile("phonebook.txt", "country;1\r\n");
    book.SetEntry("5", "five");
    EXPECT_EQ(book.GetCountry(), 1);
    env.WriteFile("phonebook.txt", "5;five\r\n");
    book.Load();
    EXPECT_EQ(book.GetCountry(), 0);
    ExpectProfile(book, kSwiss);
}

TEST(PhonebookFile, SetCountrySavesOnlyOnChange) {
    TestEnv env;
    BoxRecorder boxes;
    env.WriteFile("phonebook.txt", "1;a\r\ncountry;1\r\n");
    CPhonebook book;
    ASSERT_EQ(book.GetCountry(), 1);

    // Same country: the file is left alone (the hand-made line would go otherwise).
    env.WriteFile("phonebook.txt", "1;a\r\n2;hand\r\ncountry;1\r\n");
    book.SetCountry(1, true);
    EXPECT_EQ(env.ReadFile("phonebook.txt"), "1;a\r\n2;hand\r\ncountry;1\r\n");

    // Another country without saving: memory only.
    book.SetCountry(0, false);
    EXPECT_EQ(book.GetCountry(), 0);
    ExpectProfile(book, kSwiss);
    EXPECT_EQ(env.ReadFile("phonebook.txt"), "1;a\r\n2;hand\r\ncountry;1\r\n");

    // Saved: the whole file from memory, with the new country last.
    book.SetCountry(1, true);
    ExpectProfile(book, kFrench);
    EXPECT_EQ(env.ReadFile("phonebook.txt"), "1;a\r\ncountry;1\r\n");

    // An unknown value falls back to the Swiss directory, and the file is rewritten.
    book.SetCountry(0, false);
    env.WriteFile("phonebook.txt", "");
    book.SetCountry(-1, true);
    EXPECT_EQ(book.GetCountry(), 0);
    EXPECT_EQ(env.ReadFile("phonebook.txt"), "1;a\r\ncountry;0\r\n");
    book.SetCountry(7, true);
    EXPECT_EQ(book.GetCountry(), 0);
    ExpectProfile(book, kSwiss);
    EXPECT_EQ(boxes.Count(), 0u);
}
