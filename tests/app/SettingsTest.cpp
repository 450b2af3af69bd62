// The ini reader and writer and the settings object: the parsing rules of config.ini and the
// language files, defaults for missing files, and the language switch.
#include "app/Settings.h"

#include "app/IniFile.h"
#include "platform/File.h"
#include "support/TempDir.h"

#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace {

struct ParseCase
{
    const char* name;
    const char* text;
    const char* section;
    const char* key;
    const char* expected;
};

TEST(IniFileTest, ParsesLinesByTheirFirstEqualsSign)
{
    const ParseCase cases[] = {
        {"plain", "[A]\nkey=value\n", "A", "key", "value"},
        {"value keeps later equals", "[A]\nkey=a=b==c\n", "A", "key", "a=b==c"},
        {"first line of a key wins", "[A]\nkey=first\nkey=second\n", "A", "key", "first"},
        {"line without equals is its own key and value", "[A]\nlonely\n", "A", "lonely", "lonely"},
        {"spaces and CR are dropped", "[ A ]\r\n  key  =  v w  \r\n", "A", "key", "v w"},
        {"keys and sections ignore case", "[Sec]\nKey=1\n", "sEC", "kEY", "1"},
        {"byte-order mark skipped", "\xEF\xBB\xBF[A]\nk=v\n", "A", "k", "v"},
        {"comments skipped", "[A]\n;k=no\nk=yes\n", "A", "k", "yes"},
        {"lines before a section ignored", "k=out\n[A]\nj=in\n", "A", "k", ""},
        {"repeated section continues", "[A]\nx=1\n[B]\ny=2\n[A]\nz=3\n", "A", "z", "3"},
        {"empty value", "[A]\nk=\n", "A", "k", ""},
    };
    for (const ParseCase& c : cases) {
        app::IniFile file;
        file.parse(c.text);
        EXPECT_EQ(file.value(c.section, c.key), c.expected) << c.name;
    }
}

TEST(IniFileTest, SetValueReplacesTheFirstLineOrAppends)
{
    app::IniFile file;
    file.parse("[Lang]\nDefault=English\nDefault=Other\n[Keep]\nx=1\n");
    file.setValue("lang", "default", "German");
    file.setValue("New", "k", "v=w");
    app::IniFile again;
    again.parse(file.text());
    EXPECT_EQ(again.value("Lang", "Default"), "German");
    EXPECT_EQ(again.lines("Lang").size(), 2U);
    EXPECT_EQ(again.value("Keep", "x"), "1");
    EXPECT_EQ(again.value("New", "k"), "v=w");
    EXPECT_EQ(again.sectionNames(), (std::vector<std::string>{"Lang", "Keep", "New"}));
}

class SettingsTest : public ::testing::Test
{
protected:
    std::string folder() const { return m_dir.path() + "/"; }

    void write(const std::string& name, const std::string& text)
    {
        (void)platform::createFolders(m_dir.file("Languages"));
        ASSERT_EQ(platform::writeWholeFile(m_dir.file(name), text), 0);
    }

    testsupport::TempDir m_dir;
};

TEST_F(SettingsTest, MissingFilesGiveDefaults)
{
    app::Settings settings(folder());
    EXPECT_EQ(settings.language(), "English");
    EXPECT_TRUE(settings.languages().empty());
    EXPECT_EQ(settings.languageText("Messages", "MSG0302"), "");
    // The missing key is now present, with an empty text.
    EXPECT_EQ(settings.languageSection("Messages").count("MSG0302"), 1U);
}

TEST_F(SettingsTest, LoadsTheLanguageNamedByConfig)
{
    write("config.ini",
          "[DefaultLanguage]\nDefault=German\n[Languages]\nEnglish=English\n"
          "German=Deutsch\nbroken line\n");
    write("Languages/German.ini",
          "[Messages]\nMSG0302=Falsch = nicht richtig\n"
          "MSG0302=second\n[PageScan]\nBtnHome=Start\n");
    app::Settings settings(folder());
    EXPECT_EQ(settings.language(), "German");
    const app::IniLines expected = {
        {"English", "English"}, {"German", "Deutsch"}, {"broken line", "broken line"}};
    EXPECT_EQ(settings.languages(), expected);
    EXPECT_EQ(settings.languageText("Messages", "MSG0302"), "Falsch = nicht richtig");
    EXPECT_EQ(settings.languageSection("PageScan").at("BtnHome"), "Start");
}

TEST_F(SettingsTest, SetLanguageRewritesConfigAndReloads)
{
    write("config.ini",
          "[DefaultLanguage]\nDefault=English\n[Languages]\nEnglish=English\n"
          "German=Deutsch\n");
    write("Languages/English.ini", "[Messages]\nMSG0507=Pause\nMSG0506=Resume\n");
    write("Languages/German.ini", "[Messages]\nMSG0506=Fortsetzen\n");
    app::Settings settings(folder());
    EXPECT_EQ(settings.languageText("Messages", "MSG0506"), "Resume");
    ASSERT_EQ(settings.setLanguage("German"), 0);
    EXPECT_EQ(settings.language(), "German");
    EXPECT_EQ(settings.languageText("Messages", "MSG0506"), "Fortsetzen");
    EXPECT_EQ(settings.languageText("Messages", "MSG0507"), "");
    app::IniFile config;
    ASSERT_EQ(config.load(folder() + "config.ini"), 0);
    EXPECT_EQ(config.value("DefaultLanguage", "Default"), "German");
    EXPECT_EQ(config.lines("Languages").size(), 2U);
    // A fresh settings object (the next start) reads the new language.
    EXPECT_EQ(app::Settings(folder()).language(), "German");
}

TEST_F(SettingsTest, LanguageNamesCannotLeaveTheLanguageFolder)
{
    write("config.ini", "[DefaultLanguage]\nDefault=../secret\n");
    write("secret.ini", "[Messages]\nMSG0401=leaked\n");
    app::Settings settings(folder());
    EXPECT_EQ(settings.languageText("Messages", "MSG0401"), "");
}

TEST_F(SettingsTest, LookupsFromManyThreadsAreSafe)
{
    write("config.ini", "[DefaultLanguage]\nDefault=English\n");
    write("Languages/English.ini", "[Messages]\nMSG1101=Recovering\n");
    app::Settings settings(folder());
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&settings, t] {
            for (int i = 0; i < 500; ++i) {
                EXPECT_EQ(settings.languageText("Messages", "MSG1101"), "Recovering");
                (void)settings.languageText("Missing" + std::to_string(t), std::to_string(i));
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(settings.languageSection("Missing0").size(), 500U);
}

} // namespace
