// Files an import must refuse: a clear reason, and the phonebook as it was, in memory and on
// disk.
#include "tests/contacts/ContactsTestUtil.h"

#include <gtest/gtest.h>

#include <random>

#include <sys/stat.h>

using testing_support::BoxRecorder;
using testing_support::TestEnv;

TEST(ContactsHostile, MalformedFilesChangeNothing) {
    TestEnv env;
    BoxRecorder boxes;
    const std::string phonebook = "0211111111;Jean\r\ncountry;1\r\n";
    env.WriteFile("phonebook.txt", phonebook);
    CPhonebook book;

    std::mt19937 random(13);
    std::string binary = "BEGIN:VCARD\r\nFN:";
    for (int i = 0; i < 4096; ++i)
        binary += static_cast<char>(random());
    binary[100] = '\0';
    const std::string huge(50u << 20, '7');
    const std::string header = "Nom,Num\xC3\xA9ro\r\n";
    const std::pair<std::string, std::string> files[] = {
        {binary, "le fichier contient des données binaires"},
        {"BEGIN:VCARD\r\nFN:Jean\r\nTEL:" + huge + "\r\nEND:VCARD\r\n", "la ligne 3 dépasse 8 Mo"},
        {header + "Jean," + huge + "\r\n", "la ligne 2 dépasse 8 Mo"},
        {header + "\"Jean,0791234567\r\nPaul,0792222222\r\n",
         "guillemet ouvert à la ligne 2 et jamais refermé"},
        {header + "\"Jean\" Paul,0791234567\r\n", "texte après un guillemet fermant à la ligne 2"},
        {"Pr\xC3\xA9nom,Email\r\nJean,j@x.ch\r\n",
         "la première ligne doit nommer la colonne du nom et celle du numéro (par exemple « "
         "Nom,Numéro »)"},
        {"BEGIN:VCARD\r\nFN:A\r\nTEL:1\r\nEND:VCARD\r\nBEGIN:VCARD\r\nFN:B\r\nTEL:2\r\n",
         "la fiche 2 n'est pas terminée (END:VCARD manquant)"},
        {header +
             [] {
                 std::string rows;
                 for (int i = 0; i < 500001; ++i)
                     rows += "a,1\n";
                 return rows;
             }(),
         "plus de 1000000 contacts et numéros dans le fichier"},
        {std::string("\xFF\xFEN\x00\x00\xDCo\x00", 8),
         "le fichier n'est pas un texte UTF-16 valable"},
    };
    for (const auto& [bytes, why] : files) {
        const std::string name = bytes.starts_with("BEGIN") ? "in.vcf" : "in.csv";
        const ImportReport report = ImportBytes(book, env, name, bytes);
        EXPECT_FALSE(report.ok) << why;
        EXPECT_EQ(report.error, "Impossible d'importer « " + env.Path(name) + " » : " + why + ".");
        EXPECT_EQ(report.imported, 0u);
    }
    const ImportReport noCard = ImportBytes(book, env, "in.vcf", "Nom,Num\xC3\xA9ro\r\nA,1\r\n");
    EXPECT_EQ(noCard.error, "Impossible d'importer « " + env.Path("in.vcf") +
                                " » : aucune fiche vCard (BEGIN:VCARD) dans le fichier.");
    ASSERT_EQ(mkdir(env.Path("folder.csv").c_str(), 0700), 0);
    for (const std::string name : {"none.csv", "folder.csv"})
        EXPECT_TRUE(ImportContacts(book, env.Path(name), false)
                        .error.starts_with("Impossible de lire « " + env.Path(name) + " » : "));

    EXPECT_EQ(env.ReadFile("phonebook.txt"), phonebook);
    EXPECT_EQ(Entries(book), (Map{{"0211111111", "Jean"}}));
    EXPECT_EQ(boxes.Count(), 0u);
}

TEST(ContactsHostile, FailedSaveImportsNothing) {
    TestEnv env;
    BoxRecorder boxes;
    env.WriteFile("phonebook.txt", "0211111111;Jean\r\ncountry;0\r\n");
    CPhonebook book;
    ASSERT_EQ(std::remove(env.Path("phonebook.txt").c_str()), 0);
    ASSERT_EQ(mkdir(env.Path("phonebook.txt").c_str(), 0700), 0); // can't be replaced

    const ImportReport report = ImportBytes(
        book, env, "in.csv", "Nom,Num\xC3\xA9ro\r\nPaul,0222222222\r\nJ,021 111 11 11\r\n", true);
    EXPECT_FALSE(report.ok);
    EXPECT_EQ(report.error, "Impossible d'enregistrer l'annuaire (Is a directory) : rien n'a été "
                            "importé.");
    EXPECT_EQ(Entries(book), (Map{{"0211111111", "Jean"}}));
    EXPECT_EQ(TempFiles(env.Dir()), 0);
    EXPECT_EQ(boxes.Count(), 0u);
}
