// The application's settings: config.ini (the current language and the list of languages)
// and the loaded language file, whose sections give every window its texts by control name
// and every message its text by "MSG" identifier. Lookups are safe from any thread.
#pragma once

#include "app/IniFile.h"

#include <map>
#include <mutex>
#include <string>
#include <string_view>

namespace app {

// The language used when config.ini names none.
inline constexpr const char* kDefaultLanguage = "English";
// The section of config.ini that names the current language, and its key.
inline constexpr const char* kDefaultLanguageSection = "DefaultLanguage";
inline constexpr const char* kDefaultLanguageKey = "Default";
// The section of config.ini that lists the languages, one "key=value" line each.
inline constexpr const char* kLanguagesSection = "Languages";
// The language section that holds the message texts.
inline constexpr const char* kMessagesSection = "Messages";

class Settings
{
public:
    // Key-to-text map of one language section.
    using Section = std::map<std::string, std::string, std::less<>>;

    // Reads `folder` + "config.ini" and the language file it names from `folder` +
    // "Languages/". `folder` ends with a separator. Missing files give the defaults: the
    // language "English", no language list and an empty language.
    explicit Settings(std::string folder);

    const std::string& configPath() const { return m_configPath; }

    const std::string& languageFolder() const { return m_languageFolder; }

    // The current language's name.
    std::string language() const;

    // The languages of config.ini in file order, each (key, value).
    IniLines languages() const;

    // A copy of the key-to-text map of `section`; a missing section is created empty.
    Section languageSection(std::string_view section);

    // The text of `key` in `section`; a missing key is inserted with an empty text, which is
    // returned.
    std::string languageText(std::string_view section, std::string_view key);

    // Writes `name` as the current language into config.ini, reads it back and loads its
    // language file. Returns 0, or the status of writing config.ini (the language is then
    // still switched for this run).
    [[nodiscard]] int setLanguage(const std::string& name);

private:
    void readConfig();
    void loadLanguage();

    std::string m_configPath;
    std::string m_languageFolder;
    mutable std::mutex m_mutex;
    std::string m_language;
    IniLines m_languages;
    std::map<std::string, Section, std::less<>> m_texts;
};

} // namespace app
