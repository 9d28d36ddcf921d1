// A translation that is unfinished or missing falls back to the French text: a small .ts made
// here goes through lrelease with the options the build gives it, and the tray menu is built
// with the result.

#include "tests/support/TestEnv.h"
#include "tests/support/UiApplication.h"
#include "ui/Tray.h"

#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QMenu>
#include <QProcess>
#include <QTemporaryDir>
#include <QTranslator>

#include <gtest/gtest.h>

#include <memory>

TEST(Fallback, UnfinishedAndMissingTranslationsShowTheFrenchText) {
    testing_support::TestEnv env;
    testing_support::EnsureApplication();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString ts = dir.filePath(QStringLiteral("fallback_de.ts"));
    const QString qm = dir.filePath(QStringLiteral("fallback_de.qm"));
    {
        QFile file(ts);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        // "Ouvrir" is done, "Lignes..." unfinished, "Quitter" not there at all.
        file.write(R"(<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de" sourcelanguage="fr">
<context>
    <name>CTrayIcon</name>
    <message>
        <source>Ouvrir</source>
        <translation>Öffnen</translation>
    </message>
    <message>
        <source>Lignes...</source>
        <translation type="unfinished">Leitungen...</translation>
    </message>
</context>
</TS>
)");
    }
    QStringList arguments =
        QString::fromUtf8(TINTOREL_LRELEASE_OPTIONS).split(u';', Qt::SkipEmptyParts);
    arguments << ts << QStringLiteral("-qm") << qm;
    QProcess lrelease;
    lrelease.start(QStringLiteral(TINTOREL_LRELEASE), arguments);
    ASSERT_TRUE(lrelease.waitForFinished(30000));
    ASSERT_EQ(lrelease.exitCode(), 0) << lrelease.readAllStandardError().toStdString();

    QTranslator translator;
    ASSERT_TRUE(translator.load(qm));
    QCoreApplication::installTranslator(&translator);
    std::unique_ptr<QMenu> menu(CTrayIcon::LoadMenu134(nullptr));
    QStringList entries;
    for (const QAction* action : menu->actions())
        if (!action->isSeparator())
            entries << action->text();
    QCoreApplication::removeTranslator(&translator);
    EXPECT_EQ(entries, (QStringList{QStringLiteral("Öffnen"), QStringLiteral("Lignes..."),
                                    QStringLiteral("Quitter")}));
}
