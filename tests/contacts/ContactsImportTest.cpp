// Contacts from vCard and CSV files into the phonebook: what is taken, what is left out and
// why, and how numbers become the digits the line delivers.
#include "phonebook/PhoneNumber.h"
#include "tests/contacts/ContactsTestUtil.h"

#include <gtest/gtest.h>

using testing_support::BoxRecorder;
using testing_support::TestEnv;

TEST(ContactsImport, NumbersBecomeTheLinesDigits) {
    const std::pair<const char16_t*, const char*> swiss[] = {
        {u"079 123 45 67", "0791234567"},
        {u"+41 79 123 45 67", "0791234567"},
        {u"0041-79/123.45.67", "0791234567"},
        {u"+41 (0)79 123 45 67", "0791234567"},
        {u"+41 079 123 45 67", "0791234567"},
        {u"(022) [123]\u00a045\u202f67", "0221234567"},
        {u"+33 1 23 45 67 89", "0033123456789"},
        {u"+1 555 0100", "0015550100"},
        {u"112", "112"}};
    for (const auto& [written, digits] : swiss)
        EXPECT_EQ(NormalisePhoneNumber(QStringView(written), 0), std::optional<std::string>(digits))
            << QString::fromUtf16(written).toStdString();
    EXPECT_EQ(NormalisePhoneNumber(u"+33 (0)1 23 45 67 89", 1), "0123456789");
    EXPECT_EQ(NormalisePhoneNumber(u"0033123456789", 1), "0123456789");
    EXPECT_EQ(NormalisePhoneNumber(u"+41 79 123 45 67", 1), "0041791234567");
    for (const char16_t* unusable : {u"", u" - ", u"n/a", u"079 123 45 67 ext 2", u"079+1", u"+",
                                     u"+41", u"++41 79", u"+41 00 79"})
        EXPECT_EQ(NormalisePhoneNumber(QStringView(unusable), 0), std::nullopt)
            << QString::fromUtf16(unusable).toStdString();
}

TEST(ContactsImport, VCardVersionsAndTheirWays) {
    TestEnv env;
    BoxRecorder boxes;
    CPhonebook book;
    const std::string vcf =
        // 2.1: quoted-printable with a soft line break, a Latin-1 name, bare parameters.
        "BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:M=C3=BCller;J=\r\n"
        "=C3=BCrg\r\nTEL;HOME;VOICE:044 123 45 67\r\nTEL;CELL:+41 79 765 43 21\r\nEND:VCARD\r\n"
        "BEGIN:VCARD\r\nVERSION:2.1\r\nFN;CHARSET=ISO-8859-1:Ren\xE9 Favre\r\n"
        "TEL:022 987 65 43\r\nAGENT:\r\nBEGIN:VCARD\r\nFN:Agent\r\nTEL:011\r\nEND:VCARD\r\n"
        "END:VCARD\r\n"
        // 3.0: folded lines (the fold splits a UTF-8 character), groups, escapes.
        "begin:vcard\nversion:3.0\nFN:Zo\xC3\n \xA9 Dupont\\, fils\nitem1.TEL;TYPE=work:\n"
        "\t021 555 01 02\nN:Dupont;Zo\xC3\xA9;;;\nEND:VCARD\n"
        // 4.0: a tel: URI with an extension, a quoted parameter holding a colon.
        "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:Anne Roy\r\n"
        "TEL;VALUE=uri;PID=\"1:1\":tel:+33-1-23-45-67-89;ext=12\r\nEND:VCARD\r\n"
        // Left out: no number, a name Windows-1252 lacks, a bad number, no name, a lookup word.
        "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Jean Sansnum\r\nEMAIL:j@x.ch\r\nEND:VCARD\r\n"
        "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:Li \xE2\x98\x8E Wei\r\nTEL:0311111111\r\nEND:VCARD\r\n"
        "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:Paul Roux\r\nTEL:inconnu\r\nTEL:031 222 22 22\r\n"
        "END:VCARD\r\nBEGIN:VCARD\r\nVERSION:4.0\r\nTEL:0313333333\r\nEND:VCARD\r\n"
        "BEGIN:VCARD\r\nFN:Inconnu\r\nTEL:0314444444\r\nEND:VCARD\r\n"
        // The same number again: under the same name it is no news, under another it is.
        "BEGIN:VCARD\r\nFN:Anne Roy\r\nTEL:0033 1 23 45 67 89\r\nEND:VCARD\r\n"
        "BEGIN:VCARD\r\nFN:Luc Roy\r\nTEL:+33123456789\r\nEND:VCARD\r\n";
    const ImportReport report = ImportBytes(book, env, "contacts.vcf", vcf);
    ASSERT_TRUE(report.ok) << report.error;
    const Map expected = {
        {"0441234567", "J\xFCrg M\xFCller"}, {"0797654321", "J\xFCrg M\xFCller"},
        {"0229876543", "Ren\xE9 Favre"},     {"0215550102", "Zo\xE9 Dupont, fils"},
        {"0033123456789", "Anne Roy"},       {"0312222222", "Paul Roux"}};
    EXPECT_EQ(Entries(book), expected);
    const std::vector<std::string> skipped = {
        "Jean Sansnum (fiche 5) : aucun numéro utilisable",
        "Li \xE2\x98\x8E Wei (fiche 6) : caractère « \xE2\x98\x8E » absent de Windows-1252",
        "Paul Roux (fiche 7) : numéro « inconnu » inutilisable",
        "Fiche 8 : aucun nom",
        "Inconnu (fiche 9) : « Inconnu » est une réponse de la recherche, pas un nom",
        "Luc Roy (fiche 11) : numéro 0033123456789 déjà pris pour Anne Roy (fiche 4)"};
    EXPECT_EQ(report.skipped, skipped);
    EXPECT_EQ(report.Summary(), "6 entrées importées, 6 ignorées");
    // What was imported is in the file, not only in memory.
    EXPECT_EQ(Entries(CPhonebook()), expected);
    EXPECT_EQ(boxes.Count(), 0u);
}

TEST(ContactsImport, CsvVariants) {
    TestEnv env;
    BoxRecorder boxes;
    CPhonebook book;
    // ";" with a byte order mark, first and last name put together, two number columns, a
    // quoted field holding the separator, a quote and a line break; blank lines pass.
    ImportReport report = ImportBytes(
        book, env, "a.csv",
        "\xEF\xBB\xBFPr\xC3\xA9nom;NOM;Soci\xC3\xA9t\xC3\xA9;T\xC3\xA9l\xC3\xA9phone;Portable\r\n"
        "\r\nJean;Dupont;\"ACME; \"\"Lausanne\"\"\r\nSA\";021 111 11 11;\r\n"
        "\"Marie\r\n\";Curie;;;+41 79 222 22 22\r\n;;;;\r\n");
    ASSERT_TRUE(report.ok) << report.error;
    EXPECT_EQ(report.Summary(), "2 entrées importées, 0 ignorées");
    // "," without a mark, English headers in any case, Windows-1252 bytes, a short row, and a
    // history export's columns: the caller's number wins over the called one.
    report = ImportBytes(book, env, "b.txt",
                         "Full_Name,Phone,Email\nH\xE9l\xE8ne Blanc,022 333 33 33\n"
                         "Bob\n");
    ASSERT_TRUE(report.ok) << report.error;
    EXPECT_EQ(report.skipped, std::vector<std::string>{"Bob (ligne 3) : aucun numéro utilisable"});
    report = ImportBytes(book, env, "c.csv",
                         "Date,Num\xC3\xA9ro,Num\xC3\xA9ro appel\xC3\xA9,Nom\r\n"
                         "2024-01-02T03:04:05,0244444444,0215550000,Marc Vidal\r\n");
    ASSERT_TRUE(report.ok) << report.error;
    // UTF-16 with its mark, as some Windows programs write.
    std::string utf16 = "\xFF\xFE";
    for (char16_t c : u"Nom\tTel\r\n\u00C9va\t0255555555\r\n")
        utf16 += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    report = ImportBytes(book, env, "d.csv", utf16.substr(0, utf16.size() - 2));
    ASSERT_TRUE(report.ok) << report.error;
    EXPECT_EQ(Entries(book), (Map{{"0211111111", "Jean Dupont"},
                                  {"0792222222", "Marie Curie"},
                                  {"0223333333", "H\xE9l\xE8ne Blanc"},
                                  {"0244444444", "Marc Vidal"},
                                  {"0255555555", "\xC9va"}}));
    EXPECT_EQ(boxes.Count(), 0u);
}

TEST(ContactsImport, StoredNamesStayUnlessOverwrite) {
    TestEnv env;
    BoxRecorder boxes;
    env.WriteFile("phonebook.txt", "0211111111;Ancien Nom\r\ncountry;1\r\n");
    CPhonebook book;
    // Another copy adds an entry after this one loaded: the import keeps it.
    env.WriteFile("phonebook.txt", "0211111111;Ancien Nom\r\n0200000000;Autre\r\ncountry;1\r\n");
    const std::string csv = "Nom,Num\xC3\xA9ro\r\nNouveau Nom,021 111 11 11\r\nNeuf,+33 6 12\r\n";

    ImportReport report = ImportBytes(book, env, "a.csv", csv);
    ASSERT_TRUE(report.ok) << report.error;
    EXPECT_EQ(report.imported, 1u);
    EXPECT_EQ(report.skipped,
              std::vector<std::string>{"Nouveau Nom (ligne 2) : numéro 0211111111 déjà dans "
                                       "l'annuaire sous « Ancien Nom »"});
    const Map kept = {{"0211111111", "Ancien Nom"}, {"0200000000", "Autre"}, {"0612", "Neuf"}};
    EXPECT_EQ(Entries(CPhonebook()), kept);

    report = ImportContacts(book, env.Path("a.csv"), true);
    ASSERT_TRUE(report.ok) << report.error;
    EXPECT_EQ(report.Summary(), "2 entrées importées, 0 ignorées");
    Map overwritten = kept;
    overwritten["0211111111"] = "Nouveau Nom";
    EXPECT_EQ(Entries(CPhonebook()), overwritten);
    EXPECT_EQ(Entries(book), overwritten);
    EXPECT_EQ(book.GetCountry(), 1);
    EXPECT_EQ(boxes.Count(), 0u);
}
