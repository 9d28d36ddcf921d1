// Blanks filled in with bytes: a path that is no valid UTF-8 keeps its bytes, an argument that
// holds "%2" is not filled in again, and a blank without its argument stays as written.

#include "platform/TextArgs.h"

#include <gtest/gtest.h>

using platform::FillIn;

TEST(TextArgs, FillsEachBlankOnceWithTheBytesAsTheyAre) {
    const std::string latin1Path = "/tmp/caf\xE9.vcf";
    EXPECT_EQ(FillIn(QString::fromUtf8("Impossible de lire « %1 » : %2."),
                     {latin1Path, "c'est un dossier"}),
              "Impossible de lire « /tmp/caf\xE9.vcf » : c'est un dossier.");
    // The translation may put the blanks in another order.
    EXPECT_EQ(FillIn(QStringLiteral("%2 in %1"), {"Zeile 3", "Text"}), "Text in Zeile 3");
    EXPECT_EQ(FillIn(QStringLiteral("%1 : %2"), {"%2", "x"}), "%2 : x");
    EXPECT_EQ(FillIn(QStringLiteral("%1 et %3, 100%"), {"a"}), "a et %3, 100%");
}
