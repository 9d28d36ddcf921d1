// The phonebook out to vCard and CSV and back in, and the call history out to CSV.
#include "calllog/HistoryExport.h"
#include "tests/contacts/ContactsTestUtil.h"

#include <gtest/gtest.h>

#include <QString>

#include <algorithm>
#include <cstdio>
#include <sstream>

using testing_support::BoxRecorder;
using testing_support::TestEnv;

namespace {

std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++count;
    return count;
}

} // namespace

TEST(ContactsExport, PhonebookRoundTripsThroughBothFormats) {
    TestEnv env;
    BoxRecorder boxes;
    // Names with the characters both formats must escape, Windows-1252 letters (the euro
    // sign too), one long enough to be folded inside a multi-byte character, and one name
    // with two numbers.
    const std::string longName = "Cl\xE9mentine " + std::string(40, '\xE9') + " de la Tour";
    const Map book = {{"0211111111", "Dupont, Jean"},   {"0222222222", "O'Neil; \"Bob\" \\ Sr"},
                      {"0791234567", "Zo\xE9 \x80uro"}, {"0033123456789", longName},
                      {"0793333333", "Zo\xE9 \x80uro"}, {"112", "Urgences"}};
    std::string file;
    for (const auto& [number, name] : book)
        file += number + ";" + name + "\r\n";
    env.WriteFile("phonebook.txt", file + "country;0\r\n");
    CPhonebook source;

    for (const std::string name : {"out.vcf", "out.CSV"}) {
        const ExportReport exported = ExportPhonebook(source, env.Path(name));
        ASSERT_TRUE(exported.ok) << exported.error;
        EXPECT_EQ(exported.count, book.size());
        const std::string text = env.ReadFile(name);
        if (name == "out.vcf") {
            EXPECT_TRUE(text.starts_with("BEGIN:VCARD\r\nVERSION:4.0\r\nFN:Cl\xC3\xA9mentine"));
            EXPECT_EQ(Count(text, "BEGIN:VCARD"), book.size() - 1); // one card for Zoé
            EXPECT_NE(text.find("FN:Dupont\\, Jean\r\nTEL:0211111111\r\n"), std::string::npos);
            std::istringstream lines(text);
            for (std::string line; std::getline(lines, line);)
                EXPECT_LE(line.size(), 76u); // 75 octets and the CR
        } else {
            EXPECT_TRUE(text.starts_with("\xEF\xBB\xBFNom,Num\xC3\xA9ro\r\nCl\xC3\xA9mentine"));
            EXPECT_NE(text.find("\"Dupont, Jean\",0211111111\r\n"), std::string::npos);
        }

        env.WriteFile("phonebook.txt", "country;0\r\n");
        CPhonebook target;
        const ImportReport imported = ImportContacts(target, env.Path(name), false);
        ASSERT_TRUE(imported.ok) << imported.error;
        EXPECT_EQ(imported.Summary(), "6 entrées importées, 0 ignorées");
        EXPECT_EQ(Entries(target), book) << name;
    }
    EXPECT_EQ(boxes.Count(), 0u);
}

TEST(ContactsExport, HistoryToCsvAndIntoThePhonebook) {
    TestEnv env;
    BoxRecorder boxes;
    env.WriteFile("isdncall.log", "01/02/03 04:05:06;0791234567;0215550000;Martin; Paul\r\n"
                                  "31/12/99 23:59:59;Anonyme;0215550000;\r\n"
                                  "\r\n"
                                  "plus tard;0221234567;;Inconnu\r\n"
                                  "30/02/24 10:00:00;0223334455;021;Zo\xE9\r\n");
    const ExportReport exported = ExportHistory(env.Path("isdncall.log"), env.Path("h.csv"));
    ASSERT_TRUE(exported.ok) << exported.error;
    EXPECT_EQ(exported.count, 4u);
    EXPECT_EQ(env.ReadFile("h.csv"), "\xEF\xBB\xBF"
                                     "Date,Num\xC3\xA9ro,Num\xC3\xA9ro appel\xC3\xA9,Nom\r\n"
                                     "2003-02-01T04:05:06,0791234567,0215550000,Martin; Paul\r\n"
                                     "2099-12-31T23:59:59,Anonyme,0215550000,\r\n"
                                     "plus tard,0221234567,,Inconnu\r\n"
                                     "30/02/24 10:00:00,0223334455,021,Zo\xC3\xA9\r\n");

    CPhonebook book;
    const ImportReport imported = ImportContacts(book, env.Path("h.csv"), false);
    ASSERT_TRUE(imported.ok) << imported.error;
    EXPECT_EQ(Entries(book), (Map{{"0791234567", "Martin; Paul"}, {"0223334455", "Zo\xE9"}}));
    EXPECT_EQ(imported.skipped,
              (std::vector<std::string>{
                  "Ligne 3 : aucun nom",
                  "Inconnu (ligne 4) : « Inconnu » est une réponse de la recherche, pas un nom"}));
    EXPECT_EQ(boxes.Count(), 0u);
}

// A cell a spreadsheet would run as a formula goes out with an apostrophe in front, and the
// import takes it off again: the same phonebook comes back.
TEST(ContactsExport, FormulaCellsGoOutAsTextAndComeBack) {
    TestEnv env;
    BoxRecorder boxes;
    const Map book = {{"0211111111", "=1+2"},    {"0222222222", "+Plus"},  {"0233333333", "-Minus"},
                      {"0244444444", "@Sum"},    {"0255555555", "''=Two"}, {"0266666666", "'Tis"},
                      {"+41791234567", "Number"}};
    std::string file;
    for (const auto& [number, name] : book)
        file += number + ";" + name + "\r\n";
    env.WriteFile("phonebook.txt", file + "country;0\r\n");
    CPhonebook source;
    ASSERT_TRUE(ExportPhonebook(source, env.Path("out.csv")).ok);
    EXPECT_EQ(env.ReadFile("out.csv"), "\xEF\xBB\xBFNom,Num\xC3\xA9ro\r\n"
                                       "'''=Two,0255555555\r\n"
                                       "'Tis,0266666666\r\n"
                                       "'+Plus,0222222222\r\n"
                                       "'-Minus,0233333333\r\n"
                                       "'=1+2,0211111111\r\n"
                                       "'@Sum,0244444444\r\n"
                                       "Number,'+41791234567\r\n");

    env.WriteFile("phonebook.txt", "country;0\r\n");
    CPhonebook target;
    const ImportReport imported = ImportContacts(target, env.Path("out.csv"), false);
    ASSERT_TRUE(imported.ok) << imported.error;
    Map expected = book;
    expected.erase("+41791234567");
    expected["0791234567"] = "Number"; // an import keeps the digits the line delivers
    EXPECT_EQ(Entries(target), expected);
    EXPECT_TRUE(imported.skipped.empty());

    // The history: numbers from the network and names from the directory alike.
    env.WriteFile("isdncall.log", "01/02/03 04:05:06;+41221234567;-1;=cmd|' /C calc'!A0\r\n"
                                  "01/02/03 04:05:07;0791112233;99;\t@SUM(A1)\r\n"
                                  "=1;0791112234;99;\rx\r\n");
    ASSERT_TRUE(ExportHistory(env.Path("isdncall.log"), env.Path("h.csv")).ok);
    EXPECT_EQ(env.ReadFile("h.csv"), "\xEF\xBB\xBF"
                                     "Date,Num\xC3\xA9ro,Num\xC3\xA9ro appel\xC3\xA9,Nom\r\n"
                                     "2003-02-01T04:05:06,'+41221234567,'-1,'=cmd|' /C calc'!A0\r\n"
                                     "2003-02-01T04:05:07,0791112233,99,'\t@SUM(A1)\r\n"
                                     "'=1,0791112234,99,\"'\rx\"\r\n");
    env.WriteFile("phonebook.txt", "country;0\r\n");
    CPhonebook history;
    ASSERT_TRUE(ImportContacts(history, env.Path("h.csv"), false).ok);
    EXPECT_EQ(Entries(history), (Map{{"0221234567", "=cmd|' /C calc'!A0"},
                                     {"0791112233", "@SUM(A1)"},
                                     {"0791112234", "x"}}));
    EXPECT_EQ(boxes.Count(), 0u);
}

// vCard 4.0 and the CSV file are UTF-8: a number's Windows-1252 bytes are converted, as the
// names are.
TEST(ContactsExport, NumbersGoOutInUtf8) {
    TestEnv env;
    BoxRecorder boxes;
    env.WriteFile("phonebook.txt", "021 555 00 00 \x96 Zurich;Bureau\r\ncountry;0\r\n");
    CPhonebook book;
    ASSERT_TRUE(ExportPhonebook(book, env.Path("out.vcf")).ok);
    ASSERT_TRUE(ExportPhonebook(book, env.Path("out.csv")).ok);
    EXPECT_EQ(env.ReadFile("out.vcf"), "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:Bureau\r\n"
                                       "TEL:021 555 00 00 \xE2\x80\x93 Zurich\r\nEND:VCARD\r\n");
    EXPECT_EQ(env.ReadFile("out.csv"), "\xEF\xBB\xBFNom,Num\xC3\xA9ro\r\n"
                                       "Bureau,021 555 00 00 \xE2\x80\x93 Zurich\r\n");
    EXPECT_EQ(boxes.Count(), 0u);
}

TEST(ContactsExport, RefusalsWriteNothing) {
    TestEnv env;
    BoxRecorder boxes;
    env.WriteFile("phonebook.txt", "0211111111;Jean\r\ncountry;0\r\n");
    CPhonebook book;
    ExportReport report = ExportPhonebook(book, env.Path("out.txt"));
    EXPECT_FALSE(report.ok);
    EXPECT_EQ(report.error, "Impossible d'exporter vers « " + env.Path("out.txt") +
                                " » : choisissez un nom de fichier en .vcf, .vcard ou .csv.");
    report = ExportPhonebook(book, env.Path("missing/out.vcf"));
    EXPECT_FALSE(report.ok);
    EXPECT_TRUE(report.error.starts_with("Impossible d'écrire « " + env.Path("missing/out.vcf")))
        << report.error;
    report = ExportHistory(env.Path("isdncall.log"), env.Path("h.csv"));
    EXPECT_FALSE(report.ok);
    EXPECT_EQ(report.error, "Impossible de lire le journal des appels « " +
                                env.Path("isdncall.log") + " » : No such file or directory.");
    EXPECT_FALSE(env.FileExists("out.txt") || env.FileExists("h.csv"));
    EXPECT_EQ(boxes.Count(), 0u);
}
