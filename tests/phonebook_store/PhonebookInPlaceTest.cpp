// A phonebook in a folder that refuses new files is rewritten where it stands, without the
// swap of a temporary file: it must never be cut before the new content is in.
#include "phonebook/Phonebook.h"
#include "tests/phonebook_store/PhonebookStoreTestUtil.h"
#include "tests/support/InChild.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <sys/mount.h>
#include <unistd.h>

using testing_support::BoxRecorder;
using testing_support::kNobody;
using testing_support::RunInChild;
using testing_support::TestEnv;

TEST(PhonebookInPlace, AFullDiskLeavesThePhonebookWhole) {
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root, to mount a small disk and to act as another user";
    TestEnv env;
    // A small disk of its own, so it can be filled without harm; its root folder is root's,
    // so another user may write the phonebook in it but add no file.
    const std::string disk = env.Dir();
    if (mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=64k,mode=0755") != 0)
        GTEST_SKIP() << "cannot mount a filesystem here: " << std::strerror(errno);
    struct Unmount {
        std::string path;
        ~Unmount() { umount2(path.c_str(), MNT_DETACH); }
    } unmount{disk};

    std::string original;
    for (int i = 0; i < 200; ++i)
        original += std::to_string(210000000 + i) + ";Name " + std::to_string(i) + "\r\n";
    original += "country;1\r\n";
    env.WriteFile("phonebook.txt", original);
    ASSERT_EQ(chown(env.Path("phonebook.txt").c_str(), kNobody, kNobody), 0);
    std::FILE* filler = std::fopen(env.Path("filler").c_str(), "wb");
    ASSERT_NE(filler, nullptr);
    const std::string page(4096, 'f');
    while (std::fwrite(page.data(), 1, page.size(), filler) == page.size() &&
           std::fflush(filler) == 0) {
    }
    std::fclose(filler);

    const std::string bigName(16384, 'x');
    const auto growPastTheDisk = [&] {
        BoxRecorder boxes;
        CPhonebook book;
        ASSERT_EQ(Entries(book).size(), 200u);
        book.SetEntry("0790000000", bigName);
        const auto requests = boxes.Requests();
        ASSERT_EQ(requests.size(), 2u);
        EXPECT_EQ(requests[0].text, "Erreur lors de l'ecriture de l'annuaire !!");
        EXPECT_EQ(requests[1].text, QString::fromLocal8Bit(std::strerror(ENOSPC)));
    };
    EXPECT_EQ(RunInChild(growPastTheDisk, {.uid = kNobody}), "");
    EXPECT_EQ(env.ReadFile("phonebook.txt"), original);
    EXPECT_EQ(TempFiles(disk), 0);

    // Space again: the change goes in where the file stands, and a shorter phonebook leaves
    // nothing of the longer one behind.
    ASSERT_EQ(unlink(env.Path("filler").c_str()), 0);
    const auto growThenShrink = [&] {
        BoxRecorder boxes;
        CPhonebook book;
        book.SetEntry("0790000000", bigName);
        std::string name;
        CPhonebook again;
        EXPECT_TRUE(again.FindEntry("0790000000", name));
        EXPECT_EQ(name, bigName);
        book.RemoveEntry("0790000000");
        EXPECT_EQ(boxes.Count(), 0u);
    };
    EXPECT_EQ(RunInChild(growThenShrink, {.uid = kNobody}), "");
    EXPECT_EQ(env.ReadFile("phonebook.txt"), original);
    EXPECT_EQ(TempFiles(disk), 0);
}
