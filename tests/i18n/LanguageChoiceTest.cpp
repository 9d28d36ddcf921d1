// Which language the program speaks: the "Langue" setting, else the first of the desktop's
// languages it has, else French; and the setting as the registry keeps it.

#include "platform/Registry.h"
#include "settings/Settings.h"
#include "tests/support/TestEnv.h"
#include "translations/Language.h"

#include <gtest/gtest.h>

using translations::ChooseLanguage;

TEST(LanguageChoice, TheSettingThenTheFirstLanguageSpokenThenFrench) {
    const auto list = [](std::initializer_list<const char*> names) {
        QStringList languages;
        for (const char* name : names)
            languages << QString::fromLatin1(name);
        return languages;
    };
    // What QLocale::system().uiLanguages() gives for LANG=de_CH.UTF-8, LANGUAGE=de, en_US...
    EXPECT_EQ(ChooseLanguage({}, list({"de-CH", "de-Latn-CH"})), "de");
    EXPECT_EQ(ChooseLanguage({}, list({"de", "de-Latn-DE", "de-DE"})), "de");
    EXPECT_EQ(ChooseLanguage({}, list({"de-AT", "de-Latn-AT"})), "de");
    EXPECT_EQ(ChooseLanguage({}, list({"en-US", "en-Latn-US", "en"})), "en");
    EXPECT_EQ(ChooseLanguage({}, list({"en_GB"})), "en");
    EXPECT_EQ(ChooseLanguage({}, list({"fr-CH", "fr-Latn-CH"})), "fr");
    // The C locale, a language the program doesn't have, nothing at all.
    EXPECT_EQ(ChooseLanguage({}, list({"C"})), "fr");
    EXPECT_EQ(ChooseLanguage({}, list({"ja-JP", "ja-Jpan-JP", "ja"})), "fr");
    EXPECT_EQ(ChooseLanguage({}, {}), "fr");
    // LANGUAGE=ja:de: the first the program has; LANGUAGE=fr:de: French before German.
    EXPECT_EQ(ChooseLanguage({}, list({"ja", "ja-Jpan-JP", "de", "de-DE"})), "de");
    EXPECT_EQ(ChooseLanguage({}, list({"fr", "fr-FR", "de", "de-DE"})), "fr");
    // The setting wins; a value it doesn't know counts as automatic.
    EXPECT_EQ(ChooseLanguage(QStringLiteral("en"), list({"de-CH"})), "en");
    EXPECT_EQ(ChooseLanguage(QStringLiteral("fr"), list({"de-CH"})), "fr");
    EXPECT_EQ(ChooseLanguage(QStringLiteral("it"), list({"de-CH"})), "de");
}

TEST(LanguageChoice, StoredAsTheRegistryStringLanguage) {
    testing_support::TestEnv env;
    EXPECT_EQ(settings::ReadLanguage(), "");
    settings::SetLanguage("de");
    EXPECT_NE(env.ReadFile("registry.reg").find("\"Language\"=\"de\""), std::string::npos);
    EXPECT_EQ(settings::ReadLanguage(), "de");
    // Automatic removes the value.
    settings::SetLanguage("");
    EXPECT_EQ(env.ReadFile("registry.reg").find("Language"), std::string::npos);
    // Written by hand, as another value or another type: automatic.
    env.WriteFile("registry.reg", "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Tintorel]\n"
                                  "\"Language\"=\"klingon\"\n");
    EXPECT_EQ(settings::ReadLanguage(), "");
    env.WriteFile("registry.reg", "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Tintorel]\n"
                                  "\"Language\"=dword:00000001\n");
    EXPECT_EQ(settings::ReadLanguage(), "");
}
