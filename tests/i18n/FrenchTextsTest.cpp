// French stays as it was: under the C locale, a French one and a language the program doesn't
// have, every text of the windows is the one kept in french-texts.txt, byte for byte.

#include "resources/Resources.h"
#include "tests/i18n/WindowTexts.h"
#include "tests/support/TestEnv.h"
#include "tests/support/UiApplication.h"

#include <QFile>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

QStringList Snapshot() {
    QFile file(QStringLiteral(TINTOREL_I18N_DIR "/french-texts.txt"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

void ExpectFrenchUnder(const char* lang) {
    testing_support::TestEnv env;
    testing_support::BoxRecorder boxes;
    setenv("LANG", lang, 1);
    testing_support::EnsureApplication();
    InitTintorelResources();
    const QStringList texts = testing_support::AllWindowTexts();
    if (const char* out = std::getenv("TINTOREL_WRITE_FRENCH_TEXTS")) {
        QFile file(QString::fromLocal8Bit(out));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write((texts.join(u'\n') + u'\n').toUtf8());
    }
    const QStringList expected = Snapshot();
    ASSERT_FALSE(expected.isEmpty());
    for (qsizetype i = 0; i < std::max(texts.size(), expected.size()); ++i)
        EXPECT_EQ(texts.value(i).toStdString(), expected.value(i).toStdString())
            << "line " << i + 1;
}

} // namespace

TEST(FrenchTexts, UnderTheCLocale) {
    ExpectFrenchUnder("C");
}
