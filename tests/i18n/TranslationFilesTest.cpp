// The German and English translations as shipped: every text of the program is in them (lupdate
// run over the sources finds nothing new), each translated and finished, with the same
// placeholders (%1, %2...) as its French text.

#include "tests/support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <set>

namespace {

struct Message {
    QString context, source, translation, type;
};

std::vector<Message> ReadTs(const QString& path) {
    std::vector<Message> messages;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "cannot read " << path.toStdString();
        return messages;
    }
    QXmlStreamReader xml(&file);
    QString context;
    Message message;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == u"name") {
            context = xml.readElementText();
        } else if (xml.name() == u"message") {
            message = Message{context, {}, {}, {}};
        } else if (xml.name() == u"source") {
            message.source = xml.readElementText();
        } else if (xml.name() == u"translation") {
            message.type = xml.attributes().value(QLatin1String("type")).toString();
            message.translation = xml.readElementText();
            messages.push_back(message);
        }
    }
    EXPECT_FALSE(xml.hasError()) << path.toStdString() << ": " << xml.errorString().toStdString();
    return messages;
}

std::multiset<QString> Placeholders(const QString& text) {
    static const QRegularExpression placeholder(QStringLiteral("%[1-9]"));
    std::multiset<QString> found;
    for (const QRegularExpressionMatch& match : placeholder.globalMatch(text))
        found.insert(match.captured());
    return found;
}

const char* const kLanguages[] = {"de", "en"};

QString TsFile(const char* language) {
    return QStringLiteral(TINTOREL_TRANSLATIONS_DIR "/tintorel_%1.ts").arg(QLatin1String(language));
}

} // namespace

TEST(TranslationFiles, EveryTextIsTranslatedWithItsPlaceholders) {
    for (const char* language : kLanguages) {
        const std::vector<Message> messages = ReadTs(TsFile(language));
        EXPECT_GT(messages.size(), 150u) << language;
        for (const Message& message : messages) {
            const std::string where = std::string(language) + " " + message.context.toStdString() +
                                      ": " + message.source.toStdString();
            EXPECT_TRUE(message.type.isEmpty()) << where << " is " << message.type.toStdString();
            EXPECT_FALSE(message.translation.isEmpty()) << where;
            EXPECT_EQ(Placeholders(message.translation), Placeholders(message.source)) << where;
        }
    }
}

TEST(TranslationFiles, LupdateFindsNoTextTheyLack) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QStringList arguments{QStringLiteral("@" TINTOREL_LUPDATE_SOURCES), QStringLiteral("-ts")};
    for (const char* language : kLanguages) {
        const QString copy = dir.filePath(QFileInfo(TsFile(language)).fileName());
        ASSERT_TRUE(QFile::copy(TsFile(language), copy));
        arguments << copy;
    }
    arguments << QStringLiteral("-locations") << QStringLiteral("none")
              << QStringLiteral("-no-ui-lines");
    QProcess lupdate;
    lupdate.start(QStringLiteral(TINTOREL_LUPDATE), arguments);
    ASSERT_TRUE(lupdate.waitForFinished(120000));
    ASSERT_EQ(lupdate.exitCode(), 0) << lupdate.readAllStandardError().toStdString();
    for (const char* language : kLanguages) {
        for (const Message& message : ReadTs(dir.filePath(QFileInfo(TsFile(language)).fileName())))
            EXPECT_TRUE(message.type.isEmpty())
                << language << " " << message.context.toStdString() << ": "
                << message.source.toStdString() << " is " << message.type.toStdString()
                << " (run the update_translations target and translate it)";
    }
}
