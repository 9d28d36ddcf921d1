// French stays as it was: under the C locale, a French one and a language the program doesn't
// have, every text of the windows is the one kept in french-texts.txt, byte for byte (the texts
// as they read before the program had other languages, and the "Langue" row since).

#include "tests/i18n/Language.h"
#include "tests/i18n/WindowTexts.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

void ExpectFrenchUnder(const char* lang, const char* language = nullptr) {
    testing_support::TestEnv env;
    testing_support::BoxRecorder boxes;
    EXPECT_EQ(testing_support::UseLocale(lang, language), QStringLiteral("fr"));
    const QStringList texts = testing_support::AllWindowTexts();
    const QStringList expected = testing_support::FrenchWindowTexts();
    ASSERT_FALSE(expected.isEmpty());
    for (qsizetype i = 0; i < std::max(texts.size(), expected.size()); ++i)
        EXPECT_EQ(texts.value(i).toStdString(), expected.value(i).toStdString())
            << "line " << i + 1;
}

} // namespace

TEST(FrenchTexts, UnderTheCLocale) {
    ExpectFrenchUnder("C");
}

TEST(FrenchTexts, UnderAFrenchLocale) {
    ExpectFrenchUnder("fr_FR.UTF-8");
}

TEST(FrenchTexts, UnderALanguageTheProgramDoesNotHave) {
    ExpectFrenchUnder("ja_JP.UTF-8", "ja:ko");
}
